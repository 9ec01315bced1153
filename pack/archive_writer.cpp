// Writing an archive: the scenery header bytes and the two passes over the scenery entry list,
// first the directory, then the data records with each file's bytes; and the pieces that the
// vehicle writers of both programs share.
#include <cstdio>

#include "archive/format.h"
#include "console/catalogue.h"
#include "console/output.h"
#include "console/habits.h"
#include "pack/archive_writer.h"
#include "pack/entries.h"

int write_text(stream archive, const char *text) {
  for (const char *p = text; *p != '\0'; ++p) {
    if (write_byte(archive, (uint8_t)*p) != 0) return 1;
  }
  return 0;
}

int write_scenery_header(stream archive, int zoom_digit, int base_named) {
  uint8_t digit = (uint8_t)('0' + zoom_digit);
  if (write_text(archive, SCENERY_HEADER_TEXT) != 0) return 1;
  if (write_byte(archive, digit) != 0) return 1;
  if (write_text(archive, SCENERY_CREATED_BY) != 0) return 1;
  if (write_byte(archive, EOF_MARKER) != 0) return 1;
  if (write_text(archive, base_named ? "UZX" : "GZX") != 0) return 1;
  return write_byte(archive, digit);
}

// Writes the entry's `offset` and advances the running value. The offset counts from the byte
// after the offset field to the entry's data record; unsigned arithmetic wraps as stored.
uint32_t next_offset(uint32_t *running, uint32_t entry_size, uint32_t record_size,
                     int32_t size) {
  *running -= entry_size;
  uint32_t offset = *running;
  *running += (uint32_t)size + record_size;
  return offset;
}

int write_scenery_directory(stream archive, int simulate) {
  uint32_t running = (uint32_t)entry_count * SCENERY_ENTRY_SIZE + 4;
  for (scenery_entry *e = scenery_list; e != nullptr; e = e->next) {
    uint32_t offset = next_offset(&running, SCENERY_ENTRY_SIZE, SCENERY_RECORD_SIZE, e->size);
    if (simulate) continue;
    if (write_u32(archive, (uint32_t)e->number) != 0) return 1;
    if (write_u32(archive, (uint32_t)e->sub_number) != 0) return 1;
    if (write_u32(archive, e->kind_letter) != 0) return 1;
    if (write_u32(archive, (uint32_t)e->part) != 0) return 1;
    if (write_u32(archive, (uint32_t)e->part_letter) != 0) return 1;
    if (write_u32(archive, offset) != 0) return 1;
  }
  if (!simulate && write_u32(archive, END_MARK) != 0) return 1;
  return 0;
}

// Copies exactly `size` bytes of one graphics file into the archive (or only reads them when
// simulating, so that unreadable files are found in a simulated run too). 0; 1 on a write failure
// to the archive; 2 when the file cannot be opened, ends before `size` bytes or has grown since
// it was listed (it would be stored cut short).
int copy_file_bytes(stream archive, const char *path, int32_t size, int simulate) {
  print_name(path);
  end_console_line();
  int rc = copy_listed_file(path, (uint32_t)size, simulate ? NO_STREAM : archive);
  return rc == 1 ? 2 : rc == 2 ? 1 : 0;
}

int copy_scenery_data(stream archive, int simulate) {
  print_copy_heading();
  for (scenery_entry *e = scenery_list; e != nullptr; e = e->next) {
    if (!simulate) {
      if (write_u32(archive, (uint32_t)e->number) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->sub_number) != 0) return 1;
      if (write_u32(archive, e->kind_letter) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->part) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->part_letter) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->size) != 0) return 1;
      if (write_u32(archive, e->stamp) != 0) return 1;
    }
    int rc = copy_file_bytes(archive, e->path, e->size, simulate);
    if (rc != 0) return rc;
  }
  return 0;
}
