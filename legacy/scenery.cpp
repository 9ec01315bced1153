// Scenery packing of the legacy program (S1, S2, S4, U1, U2, U4). S takes every file with the
// zoom level's extension; U the files whose names begin with "u" and end with the archive's base
// name. There is no m kind, and only "a" and "b" count behind a letter-kind name.
#include <cstdio>
#include <cstring>

#include "archive/format.h"
#include "console/catalogue.h"
#include "console/output.h"
#include "legacy/legacy.h"
#include "pack/archive_writer.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "pack/pack_common.h"
#include "util/names.h"
#include "util/stream.h"

static void lower_ascii(char *text) {
  for (char *p = text; *p != '\0'; ++p) {
    if (*p >= 'A' && *p <= 'Z') *p = (char)(*p + 0x20);
  }
}

int legacy_base_name_matches(const char *file_name, const char *base_name) {
  char name[NAME_BUFFER_BYTES];
  char base[NAME_BUFFER_BYTES];
  if (copy_text(name, sizeof name, file_name) != 0) return 0;
  if (copy_text(base, sizeof base, base_name) != 0 || base[0] == '\0') return 0;
  lower_ascii(name);
  lower_ascii(base);
  strip_extension(name);
  if (name[0] == '\0') return 0;
  // The first occurrence behind the name's first character must end the name.
  const char *found = std::strstr(name + 1, base);
  return found != nullptr && std::strlen(found) == std::strlen(base);
}

// A suffix letter "a" to "d" as 1 to 4, with `highest` the last letter that counts.
static int32_t suffix_letter(int32_t c, char highest) {
  return (c >= 'a' && c <= highest) ? c - 'a' + 1 : 0;
}

int parse_legacy_scenery_name(const char *file_name, int select_by_name, scenery_keys *keys) {
  std::memset(keys, 0, sizeof *keys);
  if (file_name[0] == '\0') return FILE_BAD;
  int32_t values[3];
  const char *kinds = "sthb";
  const char *kind = select_by_name ? nullptr : std::strchr(kinds, file_name[0]);
  if (kind != nullptr) {
    // Letter kinds: "s<number>-<sub_number><letter>", letters "a" and "b" only.
    int count = scan_fields(file_name + 1, "%u-%u%c", values);
    if (count < 1) return FILE_BAD;
    if (values[0] < 0 || values[0] > 16383) return FILE_BAD;
    keys->number = values[0];
    uint32_t letter = 0;
    if (count >= 2) keys->sub_number = values[1];
    if (count == 3) letter = (uint32_t)suffix_letter(values[2], 'b');
    keys->kind_letter = (uint32_t)(kind - kinds + 1) << 16 | letter;
    return FILE_OK;
  }
  // Plain names are read from their first character; U names from behind the "u".
  const char *text = select_by_name ? file_name + 1 : file_name;
  int count = scan_fields(text, "%u-%u%c", values);
  if (count < 1) return FILE_BAD;
  if (count >= 2) {
    keys->part = values[1];
    if (count == 3) keys->part_letter = suffix_letter(values[2], 'd');
  } else if (scan_fields(text, select_by_name ? "%u%c-" : "%u%c", values) >= 2) {
    keys->part_letter = suffix_letter(values[1], 'd');
  }
  keys->number = values[0];
  int32_t lowest = select_by_name ? 0 : 49152, highest = select_by_name ? 89 : 65535;
  if (keys->number < lowest || keys->number > highest) return FILE_BAD;
  if (keys->part < 0 || keys->part > 99) return FILE_BAD;
  return FILE_OK;
}

int add_scenery_file(const char *directory, const char *file_name, uint64_t size,
                     const char *base_name, int select_by_name, uint16_t dos_time,
                     uint16_t dos_date) {
  if (size == 0 || size >= 0x80000000u) return FILE_UNREADABLE;
  if (directory == nullptr || file_name == nullptr) return FILE_BAD;
  // A U file of another archive is passed over without a word.
  if (select_by_name && !legacy_base_name_matches(file_name, base_name)) return FILE_OK;
  scenery_keys keys;
  if (parse_legacy_scenery_name(file_name, select_by_name, &keys) != FILE_OK) return FILE_BAD;
  if (plat_name_length(directory) + plat_name_length(file_name) >= NAME_BUFFER_SIZE - 1) {
    return FILE_BAD;
  }
  if (archive_too_long(SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE + size)) return FILE_BAD;

  scenery_entry *entry = new_scenery_entry(directory, file_name, &keys, size, dos_time, dos_date);
  if (entry == nullptr) return FILE_NO_MEMORY;
  insert_scenery_entry(entry);
  archive_length += SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE + size;
  return FILE_OK;
}

static int add_found_scenery(const char *directory, const plat_found_file *found, int,
                             const char *base_name, int select_by_name) {
  return add_scenery_file(directory, found->name, found->size, base_name, select_by_name,
                          found->dos_time, found->dos_date);
}

unsigned pack_scenery(const char *archive_name, const char *directory, int zoom_digit,
                      int simulate, int select_by_name) {
  if (zoom_digit != 1 && zoom_digit != 2 && zoom_digit != 4) return 5;
  if (archive_name == nullptr || directory == nullptr) return 5;
  if (plat_name_length(archive_name) + 60 >= NAME_BUFFER_SIZE) return 5;

  // S searches "*.gz2", U "u*.gz2" whatever the archive's name.
  char pattern[NAME_BUFFER_BYTES];
  int length = std::snprintf(pattern, sizeof pattern, "%s%c%s*.gz%d", directory, path_separator,
                             select_by_name ? "u" : "", zoom_digit);
  if (length < 0 || length >= (int)sizeof pattern) return 5;
  if (plat_name_length(pattern) >= NAME_BUFFER_SIZE) return 5;
  // An archive name with nothing in front of its extension ("out/.gz2") makes an archive that
  // extraction refuses: refused by the same rule, for S as for U, whose files it selects.
  char base[NAME_BUFFER_BYTES];
  if (archive_base_name(archive_name, base, sizeof base) != 0) return 5;

  archive_length = SCENERY_HEADER_SIZE + 4;
  char failed_name[NAME_BUFFER_BYTES];  // the legacy program does not report it
  plat_keep_folder(directory);
  unsigned rc = collect_files(pattern, directory, 0, failed_name, select_by_name ? base : "",
                              select_by_name, add_found_scenery);
  if (rc == 0) {
    rc = write_archive(archive_name, zoom_digit, select_by_name, simulate, write_scenery_header,
                       write_scenery_directory, copy_scenery_data);
  }
  plat_keep_folder(nullptr);
  if (rc == 1) show_error(display_text(MSG_NO_FILE_FOUND));
  return rc;
}
