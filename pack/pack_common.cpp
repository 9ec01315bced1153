#include "pack/pack_common.h"

#include <cstdio>

#include "driver/catalogue.h"
#include "driver/output.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "util/names.h"

unsigned collect_files(const char *pattern, const char *directory, int info, char *failed_name,
                       const char *base_name, int select_by_name, add_found_file add) {
  plat_search search = nullptr;
  plat_found_file found;
  if (plat_find_first(pattern, &search, &found) != 0) return 1;
  if (info) {
    print_message(MSG_COLLECTING);
    print_newline();
  }
  int more;
  do {
    int result = add(directory, &found, info, base_name, select_by_name);
    if (result != 0) {
      copy_text(failed_name, NAME_BUFFER_SIZE, found.name);
      plat_find_close(search);
      return 10u + (unsigned)result;
    }
    more = plat_find_next(search, &found);
  } while (more == 0);
  plat_find_close(search);
  // A folder that could not be read to its end is not packed in part: "Error while reading",
  // naming the search that failed.
  if (more == 2) {
    copy_text(failed_name, NAME_BUFFER_SIZE, pattern);
    return 10u + 1u;
  }
  sort_entry_lists();
  return 0;
}

vehicle_entry *new_vehicle_entry(const char *directory, const char *file_name, int32_t first,
                                 int32_t second, uint64_t size, uint16_t dos_time,
                                 uint16_t dos_date) {
  vehicle_entry *entry = (vehicle_entry *)allocate_block((int32_t)sizeof(vehicle_entry));
  if (entry == nullptr) return nullptr;
  entry->next = nullptr;
  entry->first_number = first;
  entry->second_number = second;
  entry->size = (int32_t)size;
  entry->stamp = (uint32_t)dos_date << 16 | dos_time;
  std::snprintf(entry->path, sizeof entry->path, "%s%c%s", directory, path_separator, file_name);
  return entry;
}

scenery_entry *new_scenery_entry(const char *directory, const char *file_name,
                                 const scenery_keys *keys, uint64_t size, uint16_t dos_time,
                                 uint16_t dos_date) {
  scenery_entry *entry = (scenery_entry *)allocate_block((int32_t)sizeof(scenery_entry));
  if (entry == nullptr) return nullptr;
  entry->next = nullptr;
  entry->number = keys->number;
  entry->sub_number = keys->sub_number;
  entry->kind_letter = keys->kind_letter;
  entry->part = keys->part;
  entry->part_letter = keys->part_letter;
  entry->size = (int32_t)size;
  entry->stamp = (uint32_t)dos_date << 16 | dos_time;
  std::snprintf(entry->path, sizeof entry->path, "%s%c%s", directory, path_separator, file_name);
  return entry;
}

int archive_too_long(uint64_t added) { return archive_length + added >= 0x100000000ull; }

unsigned write_archive(const char *archive_name, int zoom_digit, int base_named, int simulate,
                       write_header_step header, write_pass_step directory,
                       write_pass_step data) {
  stream archive = NO_STREAM;
  if (!simulate) {
    archive = create_write_stream(archive_name);
    if (archive == NO_STREAM) return 3;
    if (header(archive, zoom_digit, base_named) != 0) {
      discard_write_stream();
      return 4;
    }
  }
  if (directory(archive, simulate) != 0 || data(archive, simulate) != 0) {
    if (!simulate) discard_write_stream();
    return 4;
  }
  if (simulate) return 0;
  return close_write_stream(archive) != 0 ? 4 : 0;
}
