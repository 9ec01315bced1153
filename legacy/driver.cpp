// The driver of the legacy program: its banner, the commands V, S, U and X with the options O
// and S (8 characters of each argument count), and its result messages, which carry no file
// names.
#include <cstdio>

#include "console/catalogue.h"
#include "driver/final_message.h"
#include "legacy/legacy.h"
#include "pack/entries.h"

// The version and date in the banner come from the build (the project version in CMake).
#ifndef VORAX_BANNER_VERSION
#error "VORAX_BANNER_VERSION must be set by the build"
#endif

static const command_rules legacy_rules = {10, 8, "XVUS", "OS"};

void compose_legacy_pack_result(unsigned result, text_lookup lookup, final_message *out) {
  out->title = MSG_ERROR_TITLE;
  out->name_at = out->name_length = 0;
  uint32_t number;
  switch (result) {
    case 0:
      out->title = MSG_DONE_TITLE;
      std::snprintf(out->text, sizeof out->text, lookup(MSG_PACKED), entry_count);
      return;
    case 1: number = MSG_NO_FILE_FOUND; break;
    case 2: number = MSG_OUT_OF_MEMORY; break;
    case 3: number = MSG_NO_ARCHIVE_CREATED; break;
    case 4: number = MSG_WRITE_ERROR; break;
    case 11: number = MSG_READ_ERROR; break;
    case 12: number = MSG_OUT_OF_MEMORY; break;
    case 13: number = MSG_DATA_ERROR; break;
    default:
      std::snprintf(out->text, sizeof out->text, "%s%i", lookup(MSG_PACK_RC), (int)result);
      return;
  }
  std::snprintf(out->text, sizeof out->text, "%s", lookup(number));
}

int run_vorax_legacy(int argc, char **argv) {
  plat_prepare_process();
  language_index = select_language();
  char banner[256];
  std::snprintf(banner, sizeof banner, "\nXQ Dezo-Reruzer %s " VORAX_BANNER_VERSION "\n",
                display_text(MSG_VERSION));
  print_text(banner, MSG_VERSION);

  command_line cmd;
  if (parse_arguments(argc, argv, &legacy_rules, &cmd) != 0) {
    show_usage();
    return EXIT_REFUSED;
  }
  if (refuse_archive(&cmd)) return EXIT_REFUSED;

  reset_packing_state();
  replace_archive = cmd.overwrite;
  final_message message;
  if (cmd.extract) {
    run_extraction(&cmd, &message);
  } else {
    unsigned result;
    if (cmd.vehicle) {
      result = pack_vehicles(cmd.archive_name, cmd.directory, cmd.zoom_digit, cmd.simulate);
    } else {
      result = pack_scenery(cmd.archive_name, cmd.directory, cmd.zoom_digit, cmd.simulate,
                            cmd.select_by_name);
    }
    compose_legacy_pack_result(result, display_text, &message);
  }
  show_final(&message);
  return final_status(&message);
}
