// Writing a vehicle archive in the older layout, the only one the legacy program writes: no
// zero marker, no format stamp, one packed number (first * 16 + second) per entry, 8-byte
// directory entries, 12-byte record headers and the end mark 0.
#include "archive/format.h"
#include "pack/archive_writer.h"
#include "console/habits.h"
#include "pack/entries.h"

int write_vehicle_header(stream archive, int zoom_digit) {
  uint8_t digit = (uint8_t)('0' + zoom_digit);
  if (write_text(archive, VEHICLE_HEADER_TEXT) != 0) return 1;
  if (write_byte(archive, digit) != 0) return 1;
  if (write_byte(archive, EOF_MARKER) != 0) return 1;
  if (write_text(archive, "FZX") != 0) return 1;
  return write_byte(archive, digit);
}

// The packing of the legacy program refuses names whose numbers a packed number cannot hold.
static uint32_t packed_number(const vehicle_entry *e) {
  return (uint32_t)e->first_number * 16u + (uint32_t)e->second_number;
}

int write_vehicle_directory(stream archive, int simulate) {
  uint32_t running = (uint32_t)entry_count * OLDER_VEHICLE_ENTRY_SIZE + 4;
  for (vehicle_entry *e = vehicle_list; e != nullptr; e = e->next) {
    uint32_t offset =
        next_offset(&running, OLDER_VEHICLE_ENTRY_SIZE, OLDER_VEHICLE_RECORD_SIZE, e->size);
    if (simulate) continue;
    if (write_u32(archive, packed_number(e)) != 0) return 1;
    if (write_u32(archive, offset) != 0) return 1;
  }
  if (!simulate && write_u32(archive, OLDER_END_MARK) != 0) return 1;
  return 0;
}

int copy_vehicle_data(stream archive, int simulate) {
  print_copy_heading();
  for (vehicle_entry *e = vehicle_list; e != nullptr; e = e->next) {
    if (!simulate) {
      if (write_u32(archive, packed_number(e)) != 0) return 1;
      if (write_u32(archive, (uint32_t)e->size) != 0) return 1;
      if (write_u32(archive, e->stamp) != 0) return 1;
    }
    int rc = copy_file_bytes(archive, e->path, e->size, simulate);
    if (rc != 0) return rc;
  }
  return 0;
}
