// Vehicle packing of the legacy program (V2, V4): every file with the zoom level's extension is
// collected, its name read as "%u-%u", and the archive written in the older vehicle layout. A
// file that cannot be collected ends the command with result 2, whatever the reason.
#include <cstdio>
#include <cstring>

#include "archive/format.h"
#include "legacy/legacy.h"
#include "pack/archive_writer.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "pack/pack_common.h"
#include "util/names.h"
#include "util/stream.h"

// The first number must leave room for the second in a packed number (first * 16 + second, a
// signed 32-bit value); both numbers 0 would make the packed number 0, the end mark of the
// directory, and hide every entry of the archive.
static const int32_t FIRST_NUMBER_LIMIT = 134217728;

int parse_legacy_vehicle_name(const char *file_name, int32_t *first_number,
                              int32_t *second_number) {
  int32_t values[2];
  if (scan_fields(file_name, "%u-%u", values) != 2) return FILE_BAD;
  if (values[0] < 0 || values[0] >= FIRST_NUMBER_LIMIT) return FILE_BAD;
  if (values[1] < 0 || values[1] > 15) return FILE_BAD;
  if (values[0] == 0 && values[1] == 0) return FILE_BAD;
  *first_number = values[0];
  *second_number = values[1];
  return FILE_OK;
}

int add_vehicle_file(const char *directory, const char *file_name, uint64_t size,
                     uint16_t dos_time, uint16_t dos_date) {
  if (size == 0 || size >= 0x80000000u) return FILE_UNREADABLE;
  if (directory == nullptr || file_name == nullptr) return FILE_BAD;
  int32_t first, second;
  if (parse_legacy_vehicle_name(file_name, &first, &second) != FILE_OK) return FILE_BAD;
  if (plat_name_length(directory) + plat_name_length(file_name) >= NAME_BUFFER_SIZE - 1) {
    return FILE_BAD;
  }
  if (archive_too_long(OLDER_VEHICLE_ENTRY_SIZE + OLDER_VEHICLE_RECORD_SIZE + size)) {
    return FILE_BAD;
  }

  vehicle_entry *entry =
      new_vehicle_entry(directory, file_name, first, second, size, dos_time, dos_date);
  if (entry == nullptr) return FILE_NO_MEMORY;
  // Sorted by first and second number, equal ones in the order found: the order of the packed
  // numbers, since the second number is below 16.
  insert_vehicle_entry(entry);
  archive_length += OLDER_VEHICLE_ENTRY_SIZE + OLDER_VEHICLE_RECORD_SIZE + size;
  return FILE_OK;
}

static int add_found_vehicle(const char *directory, const plat_found_file *found, int,
                             const char *, int) {
  return add_vehicle_file(directory, found->name, found->size, found->dos_time, found->dos_date);
}

static int write_header(stream archive, int zoom_digit, int) {
  return write_vehicle_header(archive, zoom_digit);
}

unsigned pack_vehicles(const char *archive_name, const char *directory, int zoom_digit,
                       int simulate) {
  if (zoom_digit != 2 && zoom_digit != 4) return 5;
  if (archive_name == nullptr || directory == nullptr) return 5;
  if (plat_name_length(archive_name) + 60 >= NAME_BUFFER_SIZE) return 5;
  // An archive name with nothing in front of its extension ("out/.fz2") makes an archive that
  // extraction refuses: refused here by the same rule.
  char base[NAME_BUFFER_BYTES];
  if (archive_base_name(archive_name, base, sizeof base) != 0) return 5;

  char pattern[NAME_BUFFER_BYTES];
  int length = std::snprintf(pattern, sizeof pattern, "%s%c*.fz%d", directory, path_separator,
                             zoom_digit);
  if (length < 0 || length >= (int)sizeof pattern) return 5;
  if (plat_name_length(pattern) >= NAME_BUFFER_SIZE) return 5;

  archive_length = OLDER_VEHICLE_HEADER_SIZE + 4;
  char failed_name[NAME_BUFFER_BYTES];  // the legacy program does not report it
  plat_keep_folder(directory);
  unsigned rc = collect_files(pattern, directory, 0, failed_name, nullptr, 0, add_found_vehicle);
  if (rc == 0) {
    rc = write_archive(archive_name, zoom_digit, 0, simulate, write_header,
                       write_vehicle_directory, copy_vehicle_data);
  } else if (rc != 1) {
    rc = 2;
  }
  plat_keep_folder(nullptr);
  return rc;
}
