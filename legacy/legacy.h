// The legacy program's workers, with their own arguments: no failed_name, no option I, and the
// vehicle archives in the older layout. Extraction (archive/extract.h) takes the same arguments
// in both programs.
#pragma once

#include <cstdint>

// Vehicle packing (V2, V4): every "*.fz2" or "*.fz4" file of the directory. 0, 1 no file found,
// 2 a file cannot be collected (any file result), 3, 4, 5 as in the current program.
unsigned pack_vehicles(const char *archive_name, const char *directory, int zoom_digit,
                       int simulate);
int add_vehicle_file(const char *directory, const char *file_name, uint64_t size,
                     uint16_t dos_time, uint16_t dos_date);

// Reads "%u-%u" from the start of a vehicle file name. 0, or 3 when it does not read or a number
// is out of range (second above 15, both 0, first beyond what a packed number holds).
int parse_legacy_vehicle_name(const char *file_name, int32_t *first_number,
                              int32_t *second_number);

// Scenery packing (S1, S2, S4, U1, U2, U4). Result codes as in the current program.
unsigned pack_scenery(const char *archive_name, const char *directory, int zoom_digit,
                      int simulate, int select_by_name);
int add_scenery_file(const char *directory, const char *file_name, uint64_t size,
                     const char *base_name, int select_by_name, uint16_t dos_time,
                     uint16_t dos_date);

struct scenery_keys;

// 1 when a U file name belongs to the archive: its base name, without regard to case, ends the
// file name (extension removed) and does not start it.
int legacy_base_name_matches(const char *file_name, const char *base_name);

// Reads the keys of a scenery file name by the legacy rules. 0, or 3.
int parse_legacy_scenery_name(const char *file_name, int select_by_name, scenery_keys *keys);

// The whole legacy program: returns the process exit status.
int run_vorax_legacy(int argc, char **argv);

struct final_message;
typedef const char *(*text_lookup)(uint32_t number);

// Composes the final message of a packing result by the legacy program's table: results 2 and
// 12 "Out of memory", 11 "Error while reading", 13 "Data error", all without a file name.
void compose_legacy_pack_result(unsigned result, text_lookup lookup, final_message *out);
