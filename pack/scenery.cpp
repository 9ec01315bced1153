// Scenery packing (S1, S2, S4, U1, U2, U4): collects the scenery graphics files of one zoom
// level by their names and writes the scenery archive ("GZX" for S, "UZX" for U).
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

// A suffix letter counts only when it is "a" to "d" (lower case), as 1 to 4.
static int32_t suffix_letter(int32_t c) { return (c >= 'a' && c <= 'd') ? c - 'a' + 1 : 0; }

// Plain names ("049152-07c", "049152a") and base-named ones: a number, optionally "-part", and
// optionally a letter. 0, or FILE_BAD when not even the number reads.
static int read_plain_name(const char *text, int32_t lowest, int32_t highest, scenery_keys *keys) {
  int32_t values[3];
  int count = scan_fields(text, "%d-%d%c", values);
  if (count < 1) return FILE_BAD;
  if (count >= 2) {
    keys->part = values[1];
    if (count == 3) keys->part_letter = suffix_letter(values[2]);
  } else if (scan_fields(text, "%d%c", values) == 2) {
    keys->part_letter = suffix_letter(values[1]);
  }
  keys->number = values[0];
  if (keys->number < lowest || keys->number > highest) return FILE_BAD;
  if (keys->part < 0 || keys->part > 99) return FILE_BAD;
  return FILE_OK;
}

int parse_scenery_name(const char *file_name, int base_name_length, int select_by_name,
                       scenery_keys *keys) {
  std::memset(keys, 0, sizeof *keys);
  size_t length = std::strlen(file_name);
  if (select_by_name) {
    // The base name and the one character behind it are skipped without being compared.
    if (base_name_length < 0 || (size_t)base_name_length + 1 > length) return FILE_BAD;
    return read_plain_name(file_name + base_name_length + 1, 0, 89, keys);
  }
  if (length == 0) return FILE_BAD;

  int32_t values[3];
  char first = file_name[0];
  if (first == 'm') {
    // m kind: "m<i>-<j>-0", number i * 512 + j.
    if (scan_fields(file_name + 1, "%d-%d-%d", values) != 3) return FILE_BAD;
    if (values[2] != 0 || values[1] < 0 || values[1] > 511) return FILE_BAD;
    int64_t number = (int64_t)values[0] * 512 + values[1];
    if (number < 0 || number > 16383) return FILE_BAD;
    keys->number = (int32_t)number;
    return FILE_OK;
  }
  const char *kinds = "sthb";
  const char *kind = std::strchr(kinds, first);
  if (kind != nullptr) {
    // Letter kinds: "s<number>-<sub_number><letter>".
    int count = scan_fields(file_name + 1, "%d-%d%c", values);
    if (count < 1) return FILE_BAD;
    if (values[0] < 0 || values[0] > 16383) return FILE_BAD;
    keys->number = values[0];
    uint32_t letter = 0;
    if (count >= 2) keys->sub_number = values[1];
    if (count == 3) letter = (uint32_t)suffix_letter(values[2]);
    keys->kind_letter = (uint32_t)(kind - kinds + 1) << 16 | letter;
    return FILE_OK;
  }
  // Plain kind: the first character is skipped without being compared.
  return read_plain_name(file_name + 1, 49152, 65535, keys);
}

int add_scenery_file(const char *directory, const char *file_name, uint64_t size, int info,
                     const char *base_name, int select_by_name, uint16_t dos_time,
                     uint16_t dos_date) {
  if (size == 0 || size >= 0x80000000u) return FILE_UNREADABLE;
  if (directory == nullptr || file_name == nullptr) return FILE_BAD;
  scenery_keys keys;
  int base_length = base_name != nullptr ? (int)std::strlen(base_name) : 0;
  if (parse_scenery_name(file_name, base_length, select_by_name, &keys) != FILE_OK) {
    return FILE_BAD;
  }
  if (plat_name_length(directory) + plat_name_length(file_name) >= NAME_BUFFER_SIZE - 1) {
    return FILE_BAD;
  }
  if (archive_too_long(SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE + size)) return FILE_BAD;

  scenery_entry *entry = new_scenery_entry(directory, file_name, &keys, size, dos_time, dos_date);
  if (entry == nullptr) return FILE_NO_MEMORY;
  if (info) {
    print_name(entry->path);
    print_newline();
  }
  insert_scenery_entry(entry);
  archive_length += SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE + size;
  return FILE_OK;
}

static int add_found_scenery(const char *directory, const plat_found_file *found, int info,
                             const char *base_name, int select_by_name) {
  return add_scenery_file(directory, found->name, found->size, info, base_name, select_by_name,
                          found->dos_time, found->dos_date);
}

unsigned pack_scenery(const char *archive_name, const char *directory, int zoom_digit,
                      char *failed_name, int info, int simulate, int select_by_name) {
  if (zoom_digit != 1 && zoom_digit != 2 && zoom_digit != 4) return 5;
  if (archive_name == nullptr || directory == nullptr || failed_name == nullptr) return 5;
  if (plat_name_length(archive_name) + 60 >= NAME_BUFFER_SIZE) return 5;
  // An archive name with nothing in front of its extension ("out/.gz2") makes an archive that
  // extraction refuses: refused here by the same rule.
  char base[NAME_BUFFER_BYTES];
  if (archive_base_name(archive_name, base, sizeof base) != 0) return 5;

  // S searches "*.gz2"; U the names that begin with the archive's base name, "base*.gz2".
  char pattern[NAME_BUFFER_BYTES];
  int length = std::snprintf(pattern, sizeof pattern, "%s%c%s*.gz%d", directory, path_separator,
                             select_by_name ? base : "", zoom_digit);
  if (length < 0 || length >= (int)sizeof pattern) return 5;
  if (plat_name_length(pattern) >= NAME_BUFFER_SIZE) return 5;

  archive_length = SCENERY_HEADER_SIZE + 4;
  plat_keep_folder(directory);
  unsigned rc = collect_files(pattern, directory, info, failed_name, select_by_name ? base : "",
                              select_by_name, add_found_scenery);
  if (rc == 0) {
    rc = write_archive(archive_name, zoom_digit, select_by_name, simulate, write_scenery_header,
                       write_scenery_directory, copy_scenery_data);
  }
  plat_keep_folder(nullptr);
  if (rc == 1) show_error(display_text(MSG_NO_FILE_FOUND));
  return rc;
}
