// Extraction: reads an archive strictly from front to back (header, a count pass over the
// directory, then one data record after the other) and writes each stored file under a name
// rebuilt from its keys, with its stored last-write time.
#include "archive/extract.h"

#include <cstdio>
#include <cstring>

#include "archive/format.h"
#include "archive/name_pieces.h"
#include "console/catalogue.h"
#include "console/output.h"
#include "console/habits.h"
#include "platform/platform.h"
#include "util/names.h"
#include "util/stream.h"

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
  int rc = copy_stream_bytes(archive, output, size);
  return rc == 1 ? 2 : rc == 2 ? 4 : 0;
}

// write_record_file's answers when, without option O, the name is taken: before anything was
// read (the record's bytes are still to be read), or taken by another process while the file
// was written.
enum { RECORD_NAME_TAKEN = 6, RECORD_NAME_TAKEN_MEANWHILE = 7 };

// Writes one record's file: created beside its final name after one lookup of that name, given
// its time while it is still open, moved into place. 0, 2 when the archive ends early, 4 when the
// file cannot be written or given its time, or one of the answers above (the file is not
// written).
static int write_record_file(stream archive, const char *path, uint32_t size, uint32_t stamp,
                             int overwrite) {
  stream output = NO_STREAM;
  int opened = open_write_stream(path, overwrite, &output);
  if (opened == 2) return RECORD_NAME_TAKEN;
  if (opened != 0) return 4;
  int rc = copy_record(archive, output, size);
  if (rc != 0) {
    discard_write_stream();
    return rc;
  }
  if (set_write_stream_time(output, stamp) != 0) return 4;
  if (finish_write_stream(output) != 0) return 4;
  // Without option O a file that appeared meanwhile is not replaced either. A file that is
  // replaced is flushed first; new files are not, one by one.
  int moved = commit_write_stream(overwrite, 0);
  return moved == 2 ? RECORD_NAME_TAKEN_MEANWHILE : moved != 0 ? 4 : 0;
}

// The counters of one extraction.
struct extract_counts {
  int32_t found, extracted, skipped;
};

// Reads the archive and writes its files into `directory`: everything of extract_archive after
// the argument tests. Its result code; the counters are complete on 0.
static unsigned extract_records(const char *archive_name, const char *directory,
                                char *base_name, int overwrite, int simulate,
                                extract_counts *counts) {
  int32_t found = 0, extracted = 0, skipped = 0;
  stream archive = open_read_stream(archive_name);
  if (archive == NO_STREAM) return 1;
  // Option O never replaces the archive itself, whatever output name stands for it: that name is
  // an existing file, kept as it is.
  if (overwrite) protect_read_file(archive);

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

    char name[NAME_BUFFER_BYTES];
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
    char path[NAME_BUFFER_BYTES];
    int length = std::snprintf(path, sizeof path, "%s%c%s", directory, path_separator, name);
    if (length < 0 || length >= (int)sizeof path || plat_name_length(path) >= NAME_BUFFER_SIZE) {
      close_read_stream(archive);
      return 4;
    }

    char length_text[80];
    std::snprintf(length_text, sizeof length_text, " %s%d", display_text(MSG_LENGTH),
                  (int32_t)size);
    print_name(path);
    print_text(length_text, MSG_LENGTH);
    end_console_line();

    // Writing looks the name up itself, once: a name that is taken without option O, or that is
    // the archive, is an existing file, kept as it is, also when another process took it while
    // the file was written. A simulated run only looks.
    int rc;
    int written = 0;
    if (simulate) {
      if (overwrite ? name_is_read_file(path) : name_taken(path)) print_file_exists_line();
      rc = copy_record(archive, NO_STREAM, size);
    } else {
      rc = write_record_file(archive, path, size, stamp, overwrite);
      if (rc == RECORD_NAME_TAKEN) {
        print_file_exists_line();
        rc = copy_record(archive, NO_STREAM, size);
      } else if (rc == RECORD_NAME_TAKEN_MEANWHILE) {
        print_file_exists_line();
        rc = 0;
      } else {
        written = rc == 0;
      }
    }
    if (rc != 0) {
      close_read_stream(archive);  // harmless when a failed read has closed it already
      return (unsigned)rc;
    }
    if (written) {
      ++extracted;
    } else {
      ++skipped;
    }
  }

  close_read_stream(archive);
  counts->found = found;
  counts->extracted = extracted;
  counts->skipped = skipped;
  return 0;
}

unsigned extract_archive(const char *archive_name, const char *directory, int overwrite,
                         int32_t *skipped_count, int32_t *extracted_count, int32_t *found_count,
                         int simulate) {
  if (archive_name == nullptr || directory == nullptr) return 5;
  if (plat_name_length(archive_name) + 60 >= NAME_BUFFER_SIZE) return 5;
  char base_name[NAME_BUFFER_BYTES];
  if (archive_base_name(archive_name, base_name, sizeof base_name) != 0) return 5;

  if (skipped_count != nullptr) *skipped_count = 0;
  if (extracted_count != nullptr) *extracted_count = 0;
  if (found_count != nullptr) *found_count = 0;

  // Every output file lies in the one folder: the system walks its path once.
  extract_counts counts = {0, 0, 0};
  plat_keep_folder(directory);
  unsigned rc = extract_records(archive_name, directory, base_name, overwrite, simulate, &counts);
  plat_keep_folder(nullptr);
  if (rc != 0) return rc;
  if (skipped_count != nullptr) *skipped_count = counts.skipped;
  if (extracted_count != nullptr) *extracted_count = counts.extracted;
  if (found_count != nullptr) *found_count = counts.found;
  return 0;
}
