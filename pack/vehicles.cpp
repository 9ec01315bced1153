// Vehicle packing (V2, V4, W2, W4): collects the vehicle graphics files of one zoom level, checks
// their names (and with option I their headers), and writes the vehicle archive.
#include <cstdio>
#include <cstring>

#include "archive/format.h"
#include "console/catalogue.h"
#include "console/output.h"
#include "pack/archive_writer.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "pack/pack_common.h"
#include "util/names.h"
#include "util/stream.h"

int parse_vehicle_name(const char *file_name, int select_by_name, int32_t *first_number,
                       int32_t *second_number) {
  int32_t values[2];
  if (select_by_name) {
    // W names end in "-first-second.ext" behind the base name: find the last "." and the two
    // dashes in front of it, and read the numbers from the second dash on. The first number goes
    // up to 10, the highest that extraction writes under the base name, so that every name it
    // gives back packs again.
    int length = (int)std::strlen(file_name);
    if (length < 2) return FILE_BAD;
    int dot = length - 1;
    while (dot >= 0 && file_name[dot] != '.') --dot;
    if (dot < 0) return FILE_BAD;
    int dash = dot - 1;
    while (dash >= 0 && file_name[dash] != '-') --dash;
    if (dash < 0) return FILE_BAD;
    --dash;
    while (dash >= 0 && file_name[dash] != '-') --dash;
    if (dash < 0) return FILE_BAD;
    if (scan_fields(file_name + dash, "-%d-%d", values) != 2) return FILE_BAD;
    if (values[0] > 10) return FILE_BAD;
  } else {
    if (scan_fields(file_name, "%d-%d", values) != 2) return FILE_BAD;
  }
  if (values[0] < 0 || values[1] < 0 || values[1] > 16) return FILE_BAD;
  *first_number = values[0];
  *second_number = values[1];
  return FILE_OK;
}

// Option I: reads the file's header, prints its info line and counts its views.
// FILE_OK, FILE_UNREADABLE when it cannot be opened or is cut short, FILE_BAD for an unknown
// format version.
static int inspect_vehicle_header(const char *path) {
  print_name(path);
  print_newline();
  stream file = open_read_stream(path);
  if (file == NO_STREAM) return FILE_UNREADABLE;
  if (skip_to_eof_marker(file) != 0) return FILE_UNREADABLE;

  uint32_t skipped, flags = 0;
  uint8_t high, low;
  if (read_u32(file, &skipped) != 0) return FILE_UNREADABLE;
  if (read_byte(file, &high) != 0 || read_byte(file, &low) != 0) return FILE_UNREADABLE;
  unsigned version = high * 256u + low;
  unsigned value;
  if (version == 0x0383) {
    uint8_t byte;
    if (read_byte(file, &byte) != 0) return FILE_UNREADABLE;
    value = byte;
  } else if (version == 0x0385) {
    uint8_t first, second;
    if (read_byte(file, &first) != 0 || read_byte(file, &second) != 0) return FILE_UNREADABLE;
    value = first + second * 256u;
    if (read_u32(file, &flags) != 0) return FILE_UNREADABLE;
  } else {
    close_read_stream(file);
    return FILE_BAD;
  }

  char line[200];
  std::snprintf(line, sizeof line, "%04x %04x", version, value);
  print_plain(line);

  uint16_t length, side_height, width, front_height;
  if (read_u16(file, &length) != 0 || read_u16(file, &side_height) != 0 ||
      read_u16(file, &width) != 0 || read_u16(file, &front_height) != 0) {
    return FILE_UNREADABLE;
  }
  if (version == 0x0383) {
    uint16_t flags16;
    if (read_u16(file, &flags16) != 0) return FILE_UNREADABLE;
    flags = flags16;
  }
  close_read_stream(file);

  std::snprintf(line, sizeof line, " %s=%d %s=%d %s=%d %s=%d", display_text(MSG_LABEL_LENGTH),
                length, display_text(MSG_LABEL_SIDE_HEIGHT), side_height,
                display_text(MSG_LABEL_WIDTH), width, display_text(MSG_LABEL_FRONT_HEIGHT),
                front_height);
  print_text(line, MSG_LABEL_LENGTH);

  // Three characters picked by position from message 30: front view, side view, doors.
  const char *picks = message_text(MSG_VIEW_CHARACTERS);
  if (std::strlen(picks) < 8) picks = "1212-RL2";
  char front = picks[0], side = picks[2], door = picks[4];
  if (flags & (1u << 8)) { front = picks[1]; ++front2_count; }
  if (flags & (1u << 10)) { side = picks[3]; ++side2_count; }
  int right = (flags & (1u << 11)) != 0, left = (flags & (1u << 12)) != 0;
  if (right && left) { door = picks[7]; ++door2_count; }
  else if (right) { door = picks[5]; ++door_r_count; }
  else if (left) { door = picks[6]; ++door_l_count; }

  std::snprintf(line, sizeof line, display_text(MSG_VIEW_LINE), front, side, door);
  print_text(line, MSG_VIEW_LINE);
  print_newline();
  return FILE_OK;
}

int add_vehicle_file(const char *directory, const char *file_name, uint64_t size, int info,
                     int select_by_name, uint16_t dos_time, uint16_t dos_date) {
  // Empty files are refused, and so are files of 2 GiB or more whatever their low 32 bits say.
  if (size == 0 || size >= 0x80000000u) return FILE_UNREADABLE;
  if (directory == nullptr || file_name == nullptr) return FILE_BAD;
  int32_t first, second;
  if (parse_vehicle_name(file_name, select_by_name, &first, &second) != FILE_OK) return FILE_BAD;
  if (plat_name_length(directory) + plat_name_length(file_name) >= NAME_BUFFER_SIZE - 1) {
    return FILE_BAD;
  }
  if (archive_too_long(VEHICLE_ENTRY_SIZE + VEHICLE_RECORD_SIZE + size)) return FILE_BAD;

  vehicle_entry *entry =
      new_vehicle_entry(directory, file_name, first, second, size, dos_time, dos_date);
  if (entry == nullptr) return FILE_NO_MEMORY;

  if (info) {
    int rc = inspect_vehicle_header(entry->path);
    if (rc != FILE_OK) {
      release_block(entry);
      return rc;
    }
  }
  insert_vehicle_entry(entry);
  archive_length += VEHICLE_ENTRY_SIZE + VEHICLE_RECORD_SIZE + size;
  return FILE_OK;
}

static int add_found_vehicle(const char *directory, const plat_found_file *found, int info,
                             const char *, int select_by_name) {
  return add_vehicle_file(directory, found->name, found->size, info, select_by_name,
                          found->dos_time, found->dos_date);
}

static int write_header(stream archive, int zoom_digit, int) {
  return write_vehicle_header(archive, zoom_digit);
}

unsigned pack_vehicles(const char *archive_name, const char *directory, int zoom_digit,
                       char *failed_name, int info, int simulate, int select_by_name) {
  if (zoom_digit != 2 && zoom_digit != 4) return 5;
  if (archive_name == nullptr || directory == nullptr || failed_name == nullptr) return 5;
  if (plat_name_length(archive_name) + 60 >= NAME_BUFFER_SIZE) return 5;
  // An archive name with nothing in front of its extension ("out/.fz2") makes an archive that
  // extraction refuses: refused here by the same rule.
  char base[NAME_BUFFER_BYTES];
  if (archive_base_name(archive_name, base, sizeof base) != 0) return 5;

  // V searches "?????-??.fz2"; W the archive's base name followed by "-??-??.fz2".
  char pattern[NAME_BUFFER_BYTES];
  int length;
  if (select_by_name) {
    length = std::snprintf(pattern, sizeof pattern, "%s%c%s-\?\?-\?\?.fz%d", directory,
                           path_separator, base, zoom_digit);
  } else {
    length = std::snprintf(pattern, sizeof pattern, "%s%c\?\?\?\?\?-\?\?.fz%d", directory,
                           path_separator, zoom_digit);
  }
  if (length < 0 || length >= (int)sizeof pattern) return 5;
  if (plat_name_length(pattern) >= NAME_BUFFER_SIZE) return 5;

  archive_length = VEHICLE_HEADER_SIZE + 4;
  plat_keep_folder(directory);
  unsigned rc = collect_files(pattern, directory, info, failed_name, nullptr, select_by_name,
                              add_found_vehicle);
  if (rc == 0) {
    rc = write_archive(archive_name, zoom_digit, 0, simulate, write_header,
                       write_vehicle_directory, copy_vehicle_data);
  }
  plat_keep_folder(nullptr);
  return rc;
}
