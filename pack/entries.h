// The packing state: one entry per collected graphics file in one of two sorted lists, the count
// of entries and the five view counters of option I. Process-wide; the driver resets it before a
// command, the packers fill it, the archive writer walks it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct vehicle_entry {
  vehicle_entry *next;
  int32_t first_number;   // V: the number in front of the dash; W: the first behind the base name
  int32_t second_number;  // the second number of the name, 0 to 16
  int32_t size;           // the file's length, always above 0
  uint32_t stamp;         // last-write time: DOS date in the high 16 bits, DOS time in the low
  char path[NAME_BUFFER_BYTES];  // directory, separator, file name
};

struct scenery_entry {
  scenery_entry *next;
  int32_t number;         // the main number of the name
  int32_t sub_number;     // letter kinds: the number behind the dash; otherwise 0
  uint32_t kind_letter;   // high 16 bits the letter kind 1-4 (s, t, h, b), low 16 bits its
                          // suffix letter a-d as 1-4; 0 for other kinds
  int32_t part;           // plain and base-named names: the number behind the dash, 0 to 99
  int32_t part_letter;    // plain and base-named names: suffix letter a-d as 1-4
  int32_t size;
  uint32_t stamp;
  char path[NAME_BUFFER_BYTES];
};

extern vehicle_entry *vehicle_list;
extern scenery_entry *scenery_list;

extern int32_t entry_count;
extern int32_t front2_count;
extern int32_t side2_count;
extern int32_t door2_count;
extern int32_t door_r_count;
extern int32_t door_l_count;

// The length the archive of the collected entries will have, so that packing can refuse a file
// that would carry it to 4 GiB (its offsets would wrap).
extern uint64_t archive_length;

// Option O: the finished archive may replace what stands under its name. Set by the driver after
// reset_packing_state, which clears it.
extern int replace_archive;

// Memory blocks for the entries: uncleared memory; null for a size below 1 or when the system
// refuses. Each program has its own (vorax/blocks.cpp: the system's fixed memory; the legacy
// program's: the standard heap).
void *allocate_block(int32_t size);
void release_block(void *block);

// Empties both lists (no entry released), zeroes the count, the view counters and the length.
void reset_packing_state(void);

// Releases every entry of both lists and empties them.
void release_entry_lists(void);

// Insert an entry (the entry count grows by 1). The lists are in their order once
// sort_entry_lists has run, which the packers call when collecting is over: vehicles ascend by
// (first_number, second_number), scenery by (number, sub_number, part, part_letter), all
// compared as signed numbers, and entries with equal keys stand in the order inserted.
void insert_vehicle_entry(vehicle_entry *entry);
void insert_scenery_entry(scenery_entry *entry);
void sort_entry_lists(void);
