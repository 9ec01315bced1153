// Pieces that the archive writers of both programs share.
#pragma once

#include <cstdint>

#include "util/stream.h"

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
