// The archive file: a text header ended by 0x1A, a binary header (magic, zoom digit and, in
// current vehicle archives, a zero marker in front of the magic and a format stamp behind the
// digit), the directory (one entry per stored file, then an end mark) and the data records.
// Every number is 32-bit little-endian.
#pragma once

#include <cstdint>

#include "util/stream.h"

#define VEHICLE_HEADER_TEXT "XQ KARV Vehicle gfx Zoom"
#define SCENERY_HEADER_TEXT "XQ KARV Scenery gfx Zoom"
#define SCENERY_CREATED_BY "\r\ncreated by VORAX"

const uint8_t EOF_MARKER = 0x1A;
const uint32_t FORMAT_STAMP = 0x03860000u;         // marks the current vehicle layout
const uint32_t OLDER_FORMAT_STAMP = 0x0385FFFFu;   // what an archive without a stamp counts as
const uint32_t END_MARK = 0xFFFFFFFFu;             // current vehicle and scenery directories
const uint32_t OLDER_END_MARK = 0;                 // older vehicle directories

// Sizes of a directory entry (E) and a record header (R) in each layout.
enum {
  VEHICLE_ENTRY_SIZE = 12, VEHICLE_RECORD_SIZE = 16,
  OLDER_VEHICLE_ENTRY_SIZE = 8, OLDER_VEHICLE_RECORD_SIZE = 12,
  SCENERY_ENTRY_SIZE = 24, SCENERY_RECORD_SIZE = 28
};

// Header lengths, up to the directory.
enum {
  VEHICLE_HEADER_SIZE = 35,
  OLDER_VEHICLE_HEADER_SIZE = 30,
  SCENERY_HEADER_SIZE = 48
};

// ---- reading

enum archive_layout {
  LAYOUT_VEHICLE_CURRENT,
  LAYOUT_VEHICLE_OLDER,
  LAYOUT_SCENERY          // "GZX" and "UZX" alike
};

struct archive_header {
  int layout;           // archive_layout
  int base_named;       // magic "UZX"
  int zero_marker;      // a 0x00 stood in front of the magic
  uint32_t version;     // the format stamp, or OLDER_FORMAT_STAMP when there is none
  int zoom;             // the zoom digit's code minus that of "0", not tested
};

// Recognises an archive on a freshly opened read stream and leaves the stream at the first byte
// of the directory: skips to the first 0x1A, reads an optional zero marker, the magic ("FZX",
// "GZX" or "UZX", exactly), the zoom digit and, for "FZX" with a zero marker, the format stamp
// (which must be FORMAT_STAMP). 0, or 2 when it is not an archive or ends early (a failed read
// has closed the stream; otherwise the stream is still open).
int read_archive_header(stream archive, archive_header *header);
