// The command-line driver: language, banner, command line, the existence test of the archive,
// one worker, and the final message.
#include "driver/driver.h"

#include <cstdio>
#include <cstring>

#include "archive/extract.h"
#include "driver/catalogue.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "util/names.h"
#include "util/stream.h"

// The command and options fields: 20 characters, of which the first 18 count.
enum { FIELD_SIZE = 20, FIELD_USED = 18 };

// Copies an argument into a field, cut to its first FIELD_USED characters, and skips leading
// blanks, one "-" or "/", and blanks again. Returns where the letters start.
static char *take_field(char *field, const char *argument) {
  int32_t count = (int32_t)std::strlen(argument) + 1;
  if (count > FIELD_SIZE) count = FIELD_SIZE;
  copy_bytes(field, argument, count);
  field[FIELD_USED] = '\0';
  strip_leading_spaces(field);
  char *rest = field;
  if (*rest == '-' || *rest == '/') {
    ++rest;
    strip_leading_spaces(rest);
  }
  return rest;
}

int parse_command_line(int argc, char **argv, command_line *cmd) {
  std::memset(cmd, 0, sizeof *cmd);
  if (argc < 4) return 1;

  char field[FIELD_SIZE];
  char *p = take_field(field, argv[1]);
  switch (to_upper_ascii(*p)) {
    case 'X': cmd->extract = 1; break;
    case 'V': cmd->vehicle = 1; break;
    case 'W': cmd->vehicle = 1; cmd->select_by_name = 1; break;
    case 'U': cmd->select_by_name = 1; break;
    case 'S': break;
    default: return 1;  // any other character, or none
  }
  if (!cmd->extract) {
    ++p;
    strip_leading_spaces(p);
    switch (*p) {
      case '1': cmd->zoom_digit = 1; break;
      case '2': cmd->zoom_digit = 2; break;
      case '4': cmd->zoom_digit = 4; break;
      default: return 1;
    }
  }

  // Directory: one trailing separator is removed. A name that does not fit is refused.
  if (copy_text(cmd->directory, sizeof cmd->directory, argv[2]) != 0) return 1;
  size_t length = std::strlen(cmd->directory);
  if (length >= 1 && cmd->directory[length - 1] == path_separator) {
    cmd->directory[length - 1] = '\0';
  }

  // Archive name: the default extension ".fz", ".uz" or ".gz" plus the zoom digit when it has
  // no "." anywhere (X takes the name as typed).
  if (copy_text(cmd->archive_name, sizeof cmd->archive_name, argv[3]) != 0) return 1;
  if (!cmd->extract && std::strchr(cmd->archive_name, '.') == nullptr) {
    const char *extension = cmd->vehicle ? ".fz" : cmd->select_by_name ? ".uz" : ".gz";
    size_t used = std::strlen(cmd->archive_name);
    if (used + 4 >= sizeof cmd->archive_name) return 1;
    std::memcpy(cmd->archive_name + used, extension, 4);
    append_char(cmd->archive_name, (char)('0' + cmd->zoom_digit));
  }

  // Options: O, S and I in any order and case; every other character is ignored.
  if (argc > 4) {
    char options[FIELD_SIZE];
    for (const char *o = take_field(options, argv[4]); *o != '\0'; ++o) {
      switch (to_upper_ascii(*o)) {
        case 'O': cmd->overwrite = 1; break;
        case 'S': cmd->simulate = 1; break;
        case 'I': cmd->info = 1; break;
        default: break;
      }
    }
  }
  return 0;
}

static void set_text(final_message *out, uint32_t title, const char *text) {
  out->title = title;
  std::snprintf(out->text, sizeof out->text, "%s", text);
}

void compose_pack_result(unsigned result, const command_line *cmd, const char *failed_name,
                         text_lookup lookup, final_message *out) {
  const char *name = failed_name != nullptr ? failed_name : "";
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
      return;
    }
    default:
      out->title = MSG_ERROR_TITLE;
      std::snprintf(out->text, sizeof out->text, "%s%i", lookup(MSG_PACK_RC), (int)result);
      return;
  }
}

void compose_extract_result(unsigned result, int32_t found, int32_t extracted, int32_t skipped,
                            text_lookup lookup, final_message *out) {
  if (result == 0) {
    out->title = MSG_DONE_TITLE;
    std::snprintf(out->text, sizeof out->text, lookup(MSG_EXTRACT_RESULT), found, extracted,
                  skipped);
  } else {
    out->title = MSG_ERROR_TITLE;
    std::snprintf(out->text, sizeof out->text, "%s%d", lookup(MSG_EXTRACT_RC), (int)result);
  }
}

void compose_archive_refusal(uint32_t number, const char *archive_name, text_lookup lookup,
                             final_message *out) {
  out->title = MSG_ERROR_TITLE;
  std::snprintf(out->text, sizeof out->text, lookup(number), archive_name);
}

static void show_final(const final_message *message) {
  show_message_box(message->text, display_text(message->title));
}

int run_vorax(int argc, char **argv) {
  language_index = select_language();
  print_newline();
  std::printf("XQ Dezo-Reruzer %s 0.023 02/2011", display_text(MSG_VERSION));
  print_newline();

  command_line cmd;
  if (parse_command_line(argc, argv, &cmd) != 0) {
    show_usage();
    return 1;
  }

  final_message message;
  int exists = file_exists(cmd.archive_name);
  if (!exists && cmd.extract) {
    compose_archive_refusal(MSG_ARCHIVE_NOT_OPENED, cmd.archive_name, display_text, &message);
    show_final(&message);
    return 1;
  }
  if (exists && !cmd.extract && !cmd.overwrite) {
    compose_archive_refusal(MSG_ARCHIVE_EXISTS, cmd.archive_name, display_text, &message);
    show_final(&message);
    return 1;
  }

  reset_packing_state();
  if (cmd.extract) {
    int32_t skipped = 0, extracted = 0, found = 0;
    unsigned result = extract_archive(cmd.archive_name, cmd.directory, cmd.overwrite, &skipped,
                                      &extracted, &found, cmd.simulate);
    compose_extract_result(result, found, extracted, skipped, display_text, &message);
  } else {
    char failed_name[NAME_BUFFER_SIZE] = "";
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
  return 0;
}
