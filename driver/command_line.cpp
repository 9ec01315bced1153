// Reading the command line by a program's rules, for both programs.
#include <cstdio>
#include <cstring>

#include "console/catalogue.h"
#include "driver/command_line.h"
#include "util/names.h"
#include "util/stream.h"

// The command and options fields are at most this large in either program.
enum { LARGEST_FIELD = 20 };

// Copies an argument into a field, cut to its first rules->field_used characters, and skips
// leading blanks, one "-" or "/", and blanks again. Returns where the letters start.
static char *take_field(char *field, const char *argument, const command_rules *rules) {
  int32_t count = (int32_t)std::strlen(argument) + 1;
  if (count > rules->field_size) count = rules->field_size;
  copy_bytes(field, argument, count);
  field[rules->field_used] = '\0';
  strip_leading_spaces(field);
  char *rest = field;
  if (*rest == '-' || *rest == '/') {
    ++rest;
    strip_leading_spaces(rest);
  }
  return rest;
}

// Options: the letters of the program's rules in any order and case (O, S, I, and for vorax Q);
// every other character is ignored.
static void read_options(const char *argument, const command_rules *rules, command_line *cmd) {
  char options[LARGEST_FIELD];
  for (const char *o = take_field(options, argument, rules); *o != '\0'; ++o) {
    char option = to_upper_ascii(*o);
    if (std::strchr(rules->options, option) == nullptr) continue;
    switch (option) {
      case 'O': cmd->overwrite = 1; break;
      case 'S': cmd->simulate = 1; break;
      case 'I': cmd->info = 1; break;
      case 'Q': cmd->quiet = 1; break;
      default: break;
    }
  }
}

// 1 when the last component of a name (behind the last path stop) holds a ".".
static int has_extension(const char *name) {
  const char *component = name;
  for (const char *p = name; *p != '\0'; ++p) {
    if (is_name_stop(*p)) component = p + 1;
  }
  return std::strchr(component, '.') != nullptr;
}

int parse_arguments(int argc, char **argv, const command_rules *rules, command_line *cmd) {
  std::memset(cmd, 0, sizeof *cmd);
  if (argc < 4) return 1;
  // The options are read first, so that Q holds also for the usage box of a wrong command.
  if (argc > 4) read_options(argv[4], rules, cmd);

  char field[LARGEST_FIELD];
  char *p = take_field(field, argv[1], rules);
  char letter = to_upper_ascii(*p);
  if (letter == '\0' || std::strchr(rules->commands, letter) == nullptr) return 1;
  switch (letter) {
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

  // Directory: one trailing separator is removed. A name that does not fit is refused, and so is
  // an empty one, which would otherwise turn into the root of the file system ("/name").
  if (argv[2][0] == '\0') return 1;
  if (copy_text(cmd->directory, sizeof cmd->directory, argv[2]) != 0) return 1;
  if (plat_name_length(cmd->directory) >= NAME_BUFFER_SIZE) return 1;
  size_t length = std::strlen(cmd->directory);
  if (length >= 1 && cmd->directory[length - 1] == path_separator) {
    cmd->directory[length - 1] = '\0';
  }

  // Archive name: the default extension ".fz", ".uz" or ".gz" plus the zoom digit when its last
  // component has no "." (a "." in a folder, as in ../out/train, does not count). X takes the
  // name as typed.
  if (copy_text(cmd->archive_name, sizeof cmd->archive_name, argv[3]) != 0) return 1;
  if (plat_name_length(cmd->archive_name) >= NAME_BUFFER_SIZE) return 1;
  if (!cmd->extract && !has_extension(cmd->archive_name)) {
    const char *extension = cmd->vehicle ? ".fz" : cmd->select_by_name ? ".uz" : ".gz";
    size_t used = std::strlen(cmd->archive_name);
    if (used + 4 >= sizeof cmd->archive_name) return 1;
    if (plat_name_length(cmd->archive_name) + 4 >= NAME_BUFFER_SIZE) return 1;
    std::memcpy(cmd->archive_name + used, extension, 4);
    append_char(cmd->archive_name, (char)('0' + cmd->zoom_digit));
  }
  return 0;
}
