// Writing an archive: the header bytes and the writer passes of both programs, and the pieces
// that their writers share. The vehicle writers are each program's own (the current layout in
// vorax/vehicle_writer.cpp, the older one in legacy/vehicle_writer.cpp).
#pragma once

#include <cstdint>

#include "util/stream.h"

// The packers create the stream and call these in this order.

// The header bytes: the current vehicle layout, or scenery with magic "UZX" when base_named is
// set and "GZX" otherwise. 0, or 1 on a write failure.
int write_vehicle_header(stream archive, int zoom_digit);
int write_scenery_header(stream archive, int zoom_digit, int base_named);

// The writer passes over the entry lists, using entry_count as the number of entries. With
// simulate the stream is not used. Directory writers: 0, or 1 on a write failure. Data copiers:
// 0, 1 on a write failure to the archive, 2 when a graphics file cannot be opened or read.
int write_vehicle_directory(stream archive, int simulate);
int copy_vehicle_data(stream archive, int simulate);
int write_scenery_directory(stream archive, int simulate);
int copy_scenery_data(stream archive, int simulate);

// Writes the characters of a text, without terminator. 0, or 1 on a write failure.
int write_text(stream archive, const char *text);

// The `offset` of the next directory entry: the distance from the byte after the offset field to
// the entry's data record. Advances the running value by the entry's record; unsigned arithmetic
// wraps as stored.
uint32_t next_offset(uint32_t *running, uint32_t entry_size, uint32_t record_size, int32_t size);

// Prints the path, then copies exactly `size` bytes of the file into the archive (only reads
// them when simulating). 0; 1 on a write failure to the archive; 2 when the file cannot be opened
// or ends early.
int copy_file_bytes(stream archive, const char *path, int32_t size, int simulate);
