// The driver of the current program: language, banner, command line, the existence test of the
// archive, one worker, and the final message.
#include "vorax/vorax.h"

#include <cstdio>
#include <cstring>

#include "console/catalogue.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "util/names.h"
#include "util/stream.h"

// The version and date in the banner come from the build (the project version in CMake).
#ifndef VORAX_BANNER_VERSION
#error "VORAX_BANNER_VERSION must be set by the build"
#endif

// The current program's command line: 18 characters of the command and options count; the
// commands X, V, W, U, S and the options O, S, I, Q.
static const command_rules current_rules = {20, 18, "XVWUS", "OSIQ"};

int parse_command_line(int argc, char **argv, command_line *cmd) {
  return parse_arguments(argc, argv, &current_rules, cmd);
}

static void set_text(final_message *out, uint32_t title, const char *text) {
  out->title = title;
  out->name_at = out->name_length = 0;
  std::snprintf(out->text, sizeof out->text, "%s", text);
}

void compose_pack_result(unsigned result, const command_line *cmd, const char *failed_name,
                         text_lookup lookup, final_message *out) {
  const char *name = failed_name != nullptr ? failed_name : "";
  out->name_at = out->name_length = 0;
  switch (result) {
    case 0: {
      char packed[512];
      std::snprintf(packed, sizeof packed, lookup(MSG_PACKED), entry_count);
      if (cmd->info && cmd->vehicle) {
        out->title = MSG_DONE_TITLE;
        std::snprintf(out->text, sizeof out->text, "%s\n\n %s=%d %s=%d %s=%d,%d,%d", packed,
                      lookup(MSG_FRONT2), front2_count, lookup(MSG_SIDE2), side2_count,
                      lookup(MSG_DOORS), door2_count, door_r_count, door_l_count);
      } else {
        set_text(out, MSG_DONE_TITLE, packed);
      }
      return;
    }
    case 1: set_text(out, MSG_ERROR_TITLE, lookup(MSG_NO_FILE_FOUND)); return;
    case 3: set_text(out, MSG_ERROR_TITLE, lookup(MSG_NO_ARCHIVE_CREATED)); return;
    case 4: set_text(out, MSG_ERROR_TITLE, lookup(MSG_WRITE_ERROR)); return;
    case 11:
    case 12:
    case 13: {
      uint32_t number = result == 11 ? MSG_READ_ERROR
                        : result == 12 ? MSG_OUT_OF_MEMORY : MSG_DATA_ERROR;
      out->title = MSG_ERROR_TITLE;
      std::snprintf(out->text, sizeof out->text, "%s: \"%s\"", lookup(number), name);
      mark_name(out, (long)std::strlen(lookup(number)) + 3, name);  // behind ': "'
      return;
    }
    default:
      out->title = MSG_ERROR_TITLE;
      std::snprintf(out->text, sizeof out->text, "%s%i", lookup(MSG_PACK_RC), (int)result);
      return;
  }
}

int run_vorax(int argc, char **argv) {
  plat_prepare_process();
  language_index = select_language();
  print_newline();
  char banner[256];
  std::snprintf(banner, sizeof banner, "XQ Dezo-Reruzer %s " VORAX_BANNER_VERSION,
                display_text(MSG_VERSION));
  print_text(banner, MSG_VERSION);
  print_newline();

  command_line cmd;
  int refused = parse_command_line(argc, argv, &cmd);
  set_quiet_notices(cmd.quiet);
  if (refused) {
    show_usage();
    return EXIT_REFUSED;
  }

  if (refuse_archive(&cmd)) return EXIT_REFUSED;

  final_message message;
  reset_packing_state();
  replace_archive = cmd.overwrite;
  if (cmd.extract) {
    run_extraction(&cmd, &message);
  } else {
    char failed_name[NAME_BUFFER_BYTES] = "";
    unsigned result;
    if (cmd.vehicle) {
      result = pack_vehicles(cmd.archive_name, cmd.directory, cmd.zoom_digit, failed_name,
                             cmd.info, cmd.simulate, cmd.select_by_name);
    } else {
      result = pack_scenery(cmd.archive_name, cmd.directory, cmd.zoom_digit, failed_name,
                            cmd.info, cmd.simulate, cmd.select_by_name);
    }
    compose_pack_result(result, &cmd, failed_name, display_text, &message);
  }
  show_final(&message);
  return final_status(&message);
}
