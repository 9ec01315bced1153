// Extraction: reads an archive strictly from front to back (header, a count pass over the
// directory, then one data record after the other) and writes each stored file under a name
// rebuilt from its keys, with its stored last-write time.
#include "archive/extract.h"

#include <cstdio>
#include <cstring>

#include "archive/format.h"
#include "driver/catalogue.h"
#include "driver/output.h"
#include "platform/platform.h"
#include "util/names.h"
#include "util/stream.h"

// Appends a formatted piece to a name buffer of NAME_BUFFER_SIZE; 0, or 1 when it does not fit.
static int append_piece(char *out, const char *piece) {
  size_t used = std::strlen(out);
  size_t length = std::strlen(piece);
  if (used + length >= NAME_BUFFER_SIZE) return 1;
  std::memcpy(out + used, piece, length + 1);
  return 0;
}

static const char *scenery_extension(int zoom) {
  switch (zoom) {
    case 1: return "gz1";
    case 2: return "gz2";
    case 4: return "gz4";
    default: return nullptr;
  }
}

// Scenery names come in three forms: base-named "park-05-12b.gz2" ("UZX" archives), lettered
// "s123-045a.gz1" (numbers up to 16383) and plain "049152-01a.gz2" (higher numbers). Every name
// ends in a letter; "a" stands in where none was stored.
int build_scenery_name(int32_t number, int32_t sub_number, uint32_t kind_letter,
                       const char *base_name, int zoom, char *out, int32_t part,
                       int32_t part_letter) {
  if (out == nullptr) return 2;
  int base = 0;
  out[0] = '\0';
  if (base_name != nullptr && base_name[0] != '\0') {
    if (append_piece(out, base_name) != 0 || append_piece(out, "-") != 0) return 2;
    base = 1;
  }

  int lettered = number <= 16383 && base == 0;
  if (lettered) {
    part_letter = 0;
  }
  const char *extension = scenery_extension(zoom);
  if (extension == nullptr) return 2;

  char letter = 0;
  if (part_letter >= 1 && part_letter <= 4) letter = (char)(96 + part_letter);

  char piece1[40] = "";
  char piece2[40] = "";
  char piece3[40] = "";
  if (!lettered && part >= 0) std::snprintf(piece2, sizeof piece2, "-%02d", part);

  if (lettered) {
    unsigned kind = kind_letter >> 16;
    unsigned suffix = kind_letter & 0xFFFFu;
    if (kind == 0) {
      // The m kind has no kind letter: its name carries the number as two parts again,
      // m<number / 512>-<number % 512>-0, which packs back to the same entry.
      char name[80];
      std::snprintf(name, sizeof name, "m%d-%d-0.%s", number / 512, number % 512, extension);
      return append_piece(out, name) != 0 ? 2 : 0;
    }
    if (kind > 4) return 2;
    // A suffix is a letter: 1 to 26 give "a" to "z". Any other value would put a character such
    // as "/", ":" or a terminator into the name, so such an archive is refused.
    if (suffix > 26) return 2;
    if (suffix != 0) letter = (char)(96 + suffix);
    std::snprintf(piece3, sizeof piece3, "-%03d", sub_number);
    std::snprintf(piece1, sizeof piece1, "%c%03d", "sthb"[kind - 1], number);
  } else if (base) {
    std::snprintf(piece1, sizeof piece1, "%02d", number);
  } else {
    std::snprintf(piece1, sizeof piece1, "%06d", number);
  }

  char tail[8];
  std::snprintf(tail, sizeof tail, "%c.%s", letter != 0 ? letter : 'a', extension);
  if (append_piece(out, piece1) != 0 || append_piece(out, piece2) != 0 ||
      append_piece(out, piece3) != 0 || append_piece(out, tail) != 0) {
    return 2;
  }
  return base;
}

int set_file_stamp(const char *path, uint32_t stamp) {
  plat_file file = plat_open_existing_for_write(path);
  if (file == PLAT_NO_FILE) return 1;
  int failed = plat_set_file_time(file, (uint16_t)(stamp >> 16), (uint16_t)(stamp & 0xFFFFu));
  if (plat_close(file) != 0) failed = 1;
  return failed ? 2 : 0;
}

// Vehicle names: "loco-03-12.fz2" with the base name, "12345-03.fz2" without.
static int build_vehicle_name(int32_t first_number, int32_t second_number,
                              const char *base_name, int zoom, char *out) {
  const char *extension = zoom == 2 ? "fz2" : "fz4";
  int length;
  if (base_name[0] != '\0') {
    length = std::snprintf(out, NAME_BUFFER_SIZE, "%s-%02d-%02d.%s", base_name, first_number,
                           second_number, extension);
  } else {
    length = std::snprintf(out, NAME_BUFFER_SIZE, "%05d-%02d.%s", first_number, second_number,
                           extension);
  }
  return (length < 0 || length >= NAME_BUFFER_SIZE) ? 1 : 0;
}

// The keys of one directory entry or record, in every layout.
struct record_keys {
  int32_t first_number;
  int32_t second_number;
  int32_t number;
  int32_t sub_number;
  uint32_t kind_letter;
  int32_t part;
  int32_t part_letter;
};

static int read_i32(stream archive, int32_t *value) {
  uint32_t raw;
  if (read_u32(archive, &raw) != 0) return 1;
  *value = (int32_t)raw;
  return 0;
}

// Reads the keys that begin a directory entry or a record. In the directory, sets *end when the
// first key is the end mark (then nothing more is read). 0, or 1 when the archive ends.
static int read_keys(stream archive, int layout, int in_directory, record_keys *keys, int *end) {
  *end = 0;
  uint32_t first;
  if (read_u32(archive, &first) != 0) return 1;
  if (layout == LAYOUT_SCENERY) {
    if (in_directory && first == END_MARK) { *end = 1; return 0; }
    keys->number = (int32_t)first;
    if (read_i32(archive, &keys->sub_number) != 0) return 1;
    if (read_u32(archive, &keys->kind_letter) != 0) return 1;
    if (read_i32(archive, &keys->part) != 0) return 1;
    return read_i32(archive, &keys->part_letter);
  }
  if (layout == LAYOUT_VEHICLE_CURRENT) {
    if (in_directory && first == END_MARK) { *end = 1; return 0; }
    keys->first_number = (int32_t)first;
    return read_i32(archive, &keys->second_number);
  }
  // Older vehicle layout: one packed number, first * 16 + second.
  if (in_directory && first == OLDER_END_MARK) { *end = 1; return 0; }
  keys->first_number = (int32_t)first >> 4;
  keys->second_number = (int32_t)(first & 0xFu);
  return 0;
}

// Copies `size` bytes of the current record to the open output (or drops them). 0, 2 when the
// archive ends early, 4 when the output cannot be written.
static int copy_record(stream archive, stream output, uint32_t size) {
  for (uint32_t i = 0; i < size; ++i) {
    uint8_t byte;
    if (read_byte(archive, &byte) != 0) return 2;
    if (output != NO_STREAM && write_byte(output, byte) != 0) return 4;
  }
  return 0;
}

// Writes one record's file: created beside its final name, given its time, moved into place.
// 0, 2 when the archive ends early, 4 when the file cannot be written.
static int write_record_file(stream archive, const char *path, uint32_t size, uint32_t stamp) {
  stream output = create_write_stream(path);
  if (output == NO_STREAM) return 4;
  int rc = copy_record(archive, output, size);
  if (rc != 0) {
    discard_write_stream();
    return rc;
  }
  if (finish_write_stream(output) != 0) return 4;
  if (set_file_stamp(finished_write_name(), stamp) != 0) {
    discard_write_stream();
    return 4;
  }
  return commit_write_stream() != 0 ? 4 : 0;
}

unsigned extract_archive(const char *archive_name, const char *directory, int overwrite,
                         int32_t *skipped_count, int32_t *extracted_count, int32_t *found_count,
                         int simulate) {
  if (archive_name == nullptr || directory == nullptr) return 5;
  if (std::strlen(archive_name) + 60 >= NAME_BUFFER_SIZE) return 5;
  char base_name[NAME_BUFFER_SIZE];
  if (archive_base_name(archive_name, base_name, sizeof base_name) != 0) return 5;

  int32_t found = 0, extracted = 0, skipped = 0;
  if (skipped_count != nullptr) *skipped_count = 0;
  if (extracted_count != nullptr) *extracted_count = 0;
  if (found_count != nullptr) *found_count = 0;

  stream archive = open_read_stream(archive_name);
  if (archive == NO_STREAM) return 1;

  archive_header header;
  if (read_archive_header(archive, &header) != 0) {
    close_read_stream(archive);
    return 2;
  }
  // A scenery archive with a zoom digit other than 1, 2 or 4 has no names to rebuild; it is
  // refused before any file is written.
  if (header.layout == LAYOUT_SCENERY && scenery_extension(header.zoom) == nullptr) {
    close_read_stream(archive);
    return 2;
  }
  int use_base_name = header.base_named || header.layout == LAYOUT_VEHICLE_CURRENT;

  // Count pass over the directory. Vehicle names keep the base name only when every first
  // number fits the W naming (0 to 10).
  record_keys keys;
  for (;;) {
    int end;
    if (read_keys(archive, header.layout, 1, &keys, &end) != 0) return 2;
    if (end) break;
    uint32_t offset;  // not used: the archive is read front to back
    if (read_u32(archive, &offset) != 0) return 2;
    if (header.layout == LAYOUT_VEHICLE_CURRENT && keys.first_number > 10) use_base_name = 0;
    ++found;
  }
  if (!use_base_name) base_name[0] = '\0';

  for (int32_t i = 0; i < found; ++i) {
    int end;
    uint32_t size, stamp;
    if (read_keys(archive, header.layout, 0, &keys, &end) != 0) return 2;
    if (read_u32(archive, &size) != 0 || read_u32(archive, &stamp) != 0) return 2;

    char name[NAME_BUFFER_SIZE];
    if (header.layout == LAYOUT_SCENERY) {
      if (build_scenery_name(keys.number, keys.sub_number, keys.kind_letter, base_name,
                             header.zoom, name, keys.part, keys.part_letter) == 2) {
        close_read_stream(archive);
        return 2;
      }
    } else if (build_vehicle_name(keys.first_number, keys.second_number, base_name, header.zoom,
                                  name) != 0) {
      close_read_stream(archive);
      return 4;
    }

    // An output path that does not fit is refused, never cut.
    char path[NAME_BUFFER_SIZE];
    int length = std::snprintf(path, sizeof path, "%s%c%s", directory, path_separator, name);
    if (length < 0 || length >= (int)sizeof path) {
      close_read_stream(archive);
      return 4;
    }

    char length_text[80];
    std::snprintf(length_text, sizeof length_text, " %s%d", display_text(MSG_LENGTH),
                  (int32_t)size);
    print_plain(path);
    print_plain(length_text);
    print_newline();

    int write = 1;
    if (!overwrite && file_exists(path)) {
      print_message(MSG_FILE_EXISTS);
      print_newline();
      write = 0;
    }

    int rc;
    if (write && !simulate) {
      rc = write_record_file(archive, path, size, stamp);
    } else {
      rc = copy_record(archive, NO_STREAM, size);
    }
    if (rc != 0) {
      close_read_stream(archive);  // harmless when a failed read has closed it already
      return (unsigned)rc;
    }
    if (write && !simulate) {
      ++extracted;
    } else {
      ++skipped;
    }
  }

  close_read_stream(archive);
  if (skipped_count != nullptr) *skipped_count = skipped;
  if (extracted_count != nullptr) *extracted_count = extracted;
  if (found_count != nullptr) *found_count = found;
  return 0;
}
