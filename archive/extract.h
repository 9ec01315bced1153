// Extraction: reads an archive from front to back and writes every stored graphics file into a
// folder under a name rebuilt from its keys, with its stored last-write time.
#pragma once

#include <cstdint>

// Result codes: 0 success; 1 the archive cannot be opened; 2 not an archive, or it ends early or
// cannot be read; 4 an output file cannot be created, written, closed or given its time; 5 bad
// arguments. The counters reach the caller only on result 0 (0 after results 1, 2 and 4; untouched
// after 5). Absent out references are not written.
unsigned extract_archive(const char *archive_name, const char *directory, int overwrite,
                         int32_t *skipped_count, int32_t *extracted_count, int32_t *found_count,
                         int simulate);

// Builds a scenery file name from the stored keys into `out` (260 characters).
// 0 name built without base name, 1 with base name, 2 out absent or a zoom other than 1, 2, 4
// (or a kind index above 4).
int build_scenery_name(int32_t number, int32_t sub_number, uint32_t kind_letter,
                       const char *base_name, int zoom, char *out, int32_t part,
                       int32_t part_letter);

// Builds a vehicle file name into `out` (260 characters): with a base name "loco-03-12.fz2",
// without "12345-03.fz2" ("fz2" for zoom 2, "fz4" for any other). 0, or 1 when it does not fit.
int build_vehicle_name(int32_t first_number, int32_t second_number, const char *base_name,
                       int zoom, char *out);

