// What vehicle and scenery packing share: the collection loop over the directory search, the
// 4 GiB limit of an archive, and the writing of the archive from the collected entries.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "util/stream.h"

// Examines one found file and inserts its entry; a file result (pack.h).
typedef int (*add_found_file)(const char *directory, const plat_found_file *found, int info,
                              const char *base_name, int select_by_name);

// The packers keep the folder they pack (plat_keep_folder) from before collect_files until
// write_archive has ended: the folder is opened once, the search lists it through that handle and
// every graphics file is read through it, so that the listing, option I's reading and the copy
// all see the one folder that the path named when packing began, and the system walks the
// folder's path once rather than for every file.

// Runs the search and hands every match to `add`. 0; 1 when nothing matches; 10 + file result
// for the first file that fails, with its name (without directory) in failed_name. With info,
// "Collecting files" is printed once something was found.
unsigned collect_files(const char *pattern, const char *directory, int info, char *failed_name,
                       const char *base_name, int select_by_name, add_found_file add);

struct vehicle_entry;
struct scenery_entry;
struct scenery_keys;

// A new entry for a collected file, filled with its keys, size, time (DOS date in the high 16
// bits of the stamp) and path, not yet inserted; null when no memory is left. The caller has
// tested that directory, separator and name fit the path.
vehicle_entry *new_vehicle_entry(const char *directory, const char *file_name, int32_t first,
                                 int32_t second, uint64_t size, uint16_t dos_time,
                                 uint16_t dos_date);
scenery_entry *new_scenery_entry(const char *directory, const char *file_name,
                                 const scenery_keys *keys, uint64_t size, uint16_t dos_time,
                                 uint16_t dos_date);

// 1 when adding `added` bytes would carry the archive to 4 GiB, where its 32-bit offsets wrap.
int archive_too_long(uint64_t added);

// The archive's three writing steps, each 0 on success.
typedef int (*write_header_step)(stream archive, int zoom_digit, int base_named);
typedef int (*write_pass_step)(stream archive, int simulate);

// Creates the archive (unless simulating), writes header, directory and data, and moves it onto
// its name. 0; 3 when it cannot be created, also when the file it would replace is one of the
// collected entries (then before anything is written); 4 when writing fails or a graphics file
// cannot be read (the unfinished archive is removed and an older one keeps its place).
unsigned write_archive(const char *archive_name, int zoom_digit, int base_named, int simulate,
                       write_header_step header, write_pass_step directory,
                       write_pass_step data);

