// Writing a vehicle archive in the current layout: the header with the zero marker and the
// format stamp, 12-byte directory entries and 16-byte record headers.
#include "archive/format.h"
#include "pack/archive_writer.h"
#include "console/habits.h"
#include "pack/entries.h"

int write_vehicle_header(stream archive, int zoom_digit) {
  uint8_t digit = (uint8_t)('0' + zoom_digit);
  if (write_text(archive, VEHICLE_HEADER_TEXT) != 0) return 1;
  if (write_byte(archive, digit) != 0) return 1;
  if (write_byte(archive, EOF_MARKER) != 0) return 1;
  if (write_byte(archive, 0x00) != 0) return 1;  // zero marker: current layout follows
  if (write_text(archive, "FZX") != 0) return 1;
  if (write_byte(archive, digit) != 0) return 1;
  return write_u32(archive, FORMAT_STAMP);
}

int write_vehicle_directory(stream archive, int simulate) {
  uint32_t running = (uint32_t)entry_count * VEHICLE_ENTRY_SIZE + 4;
  for (vehicle_entry *e = vehicle_list; e != nullptr; e = e->next) {
    uint32_t offset = next_offset(&running, VEHICLE_ENTRY_SIZE, VEHICLE_RECORD_SIZE, e->size);
    if (simulate) continue;
    if (write_u32(archive, (uint32_t)e->first_number) != 0) return 1;
    if (write_u32(archive, (uint32_t)e->second_number) != 0) return 1;
    if (write_u32(archive, offset) != 0) return 1;
  }
  if (!simulate && write_u32(archive, END_MARK) != 0) return 1;
  return 0;
}

int copy_vehicle_data(stream archive, int simulate) {
  print_copy_heading();
  for (vehicle_entry *e = vehicle_list; e != nullptr; e = e->next) {
    if (!simulate) {
      if (write_u32(archive, (uint32_t)e->first_number) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->second_number) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->size) != 0) return 1;
      if (write_u32(archive, e->stamp) != 0) return 1;
    }
    int rc = copy_file_bytes(archive, e->path, e->size, simulate);
    if (rc != 0) return rc;
  }
  return 0;
}
