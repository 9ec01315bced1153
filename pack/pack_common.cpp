#include "pack/pack_common.h"

#include <cstdio>

#include "console/catalogue.h"
#include "console/output.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "util/names.h"

unsigned collect_files(const char *pattern, const char *directory, int info, char *failed_name,
                       const char *base_name, int select_by_name, add_found_file add) {
  plat_search search = nullptr;
  plat_found_file found;
  int first = plat_find_first(pattern, &search, &found);
  if (first == PLAT_SEARCH_NO_MEMORY) {
    // No memory for the folder's list of names: "Out of memory", naming the search.
    copy_text(failed_name, NAME_BUFFER_BYTES, pattern);
    return 10u + 2u;
  }
  // A folder that could not be read to its end is not packed in part: "Error while reading",
  // naming the search that failed (below, when it fails later).
  if (first == PLAT_SEARCH_BROKEN) {
    copy_text(failed_name, NAME_BUFFER_BYTES, pattern);
    return 10u + 1u;
  }
  if (first != PLAT_FOUND) return 1;
  if (info) {
    print_message(MSG_COLLECTING);
    print_newline();
  }
  int more;
  do {
    int result = add(directory, &found, info, base_name, select_by_name);
    if (result != 0) {
      copy_text(failed_name, NAME_BUFFER_BYTES, found.name);
      plat_find_close(search);
      return 10u + (unsigned)result;
    }
    more = plat_find_next(search, &found);
  } while (more == PLAT_FOUND);
  plat_find_close(search);
  if (more == PLAT_SEARCH_BROKEN) {
    copy_text(failed_name, NAME_BUFFER_BYTES, pattern);
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

// Where the archive is written: under its name, or with option O behind a symbolic link at that
// name the link's target, which is replaced so that the link stays; *facts tells what stands
// there. 0; 3 when a folder or a special file stands there or the links cannot be followed; 5 when
// the system cannot hold the name. A name that cannot be looked up otherwise is tried: creating
// it tells.
static unsigned choose_archive_target(const char *archive_name, char *target, size_t size,
                                      plat_name_facts *facts) {
  if (replace_archive) {
    if (plat_follow_links(archive_name, target, size) != 0) return 3;
  } else if (copy_text(target, (int32_t)size, archive_name) != 0) {
    return 5;
  }
  switch (plat_look_up_file(target, facts)) {
    case NAME_INVALID: return 5;
    case NAME_OTHER: return 3;
    default: return 0;
  }
}

// 1 when the collected file at `path`, listed with `size` bytes, is the regular file that the
// lookup of the archive's target found. Only a file of the target's length can be it, so only
// such a file is asked for its identity (links followed, as the folder search follows them).
static int is_archive_target(const char *path, int32_t size, const plat_name_facts *target) {
  if ((uint64_t)size != target->size) return 0;
  plat_file_id id;
  return plat_path_identity(path, &id) == 0 && plat_same_file(&id, &target->id);
}

// 1 when the archive would replace one of the files it is made of, whatever path leads there.
static int target_is_collected(const plat_name_facts *target) {
  if (target->state != NAME_FILE || !target->id.known) return 0;
  for (const vehicle_entry *e = vehicle_list; e != nullptr; e = e->next) {
    if (is_archive_target(e->path, e->size, target)) return 1;
  }
  for (const scenery_entry *e = scenery_list; e != nullptr; e = e->next) {
    if (is_archive_target(e->path, e->size, target)) return 1;
  }
  return 0;
}

unsigned write_archive(const char *archive_name, int zoom_digit, int base_named, int simulate,
                       write_header_step header, write_pass_step directory,
                       write_pass_step data) {
  stream archive = NO_STREAM;
  char target[NAME_BUFFER_BYTES];
  if (!simulate) {
    plat_name_facts facts;
    unsigned refused = choose_archive_target(archive_name, target, sizeof target, &facts);
    if (refused != 0) return refused;
    // An archive never replaces what it is made of: it is not created.
    if (target_is_collected(&facts)) return 3;
    archive = create_write_stream(target);
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
  // The archive is flushed to the disk before it takes its name. Without option O a name taken
  // meanwhile by another process is not replaced: the archive is not created.
  if (finish_write_stream(archive) != 0) return 4;
  int moved = commit_write_stream(replace_archive, 1);
  return moved == 0 ? 0 : moved == 2 ? 3 : 4;
}
