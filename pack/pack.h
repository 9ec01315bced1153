// Packing: collects the graphics files of one kind and zoom level from a folder into the sorted
// entry lists, then writes the archive.
//
// Result codes: 0 success; 1 no file found; 3 archive not created; 4 error while writing;
// 5 bad arguments; 10 + file result for the first file that fails (its name, without directory,
// in failed_name): 11 unreadable or empty, 12 out of memory, 13 bad name or data.
#pragma once

#include <cstdint>

// File results of examining one graphics file.
enum { FILE_OK = 0, FILE_UNREADABLE = 1, FILE_NO_MEMORY = 2, FILE_BAD = 3 };

// Vehicle graphics (V2, V4, W2, W4).
unsigned pack_vehicles(const char *archive_name, const char *directory, int zoom_digit,
                       char *failed_name, int info, int simulate, int select_by_name);
int add_vehicle_file(const char *directory, const char *file_name, uint64_t size, int info,
                     int select_by_name, uint16_t dos_time, uint16_t dos_date);

// Reads the two numbers of a vehicle file name: V "12345-03.fz2", W "base-3-16.fz2". 0, or
// FILE_BAD when the name does not read or a number is out of range.
int parse_vehicle_name(const char *file_name, int select_by_name, int32_t *first_number,
                       int32_t *second_number);

// Scenery graphics (S1, S2, S4, U1, U2, U4).
unsigned pack_scenery(const char *archive_name, const char *directory, int zoom_digit,
                      char *failed_name, int info, int simulate, int select_by_name);
int add_scenery_file(const char *directory, const char *file_name, uint64_t size, int info,
                     const char *base_name, int select_by_name, uint16_t dos_time,
                     uint16_t dos_date);

// The keys read from a scenery file name.
struct scenery_keys {
  int32_t number;
  int32_t sub_number;
  uint32_t kind_letter;
  int32_t part;
  int32_t part_letter;
};

// Reads the keys of a scenery file name: S by its first character (m kind, letter kinds s t h b,
// plain kind), U from behind the base name and one separating character. 0, or FILE_BAD.
int parse_scenery_name(const char *file_name, int base_name_length, int select_by_name,
                       scenery_keys *keys);
