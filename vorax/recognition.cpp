// Recognising an archive: the steps every reader takes before the directory.
#include "archive/format.h"

int read_archive_header(stream archive, archive_header *header) {
  // The text header is not compared with anything and may be of any length.
  if (skip_to_eof_marker(archive) != 0) return 2;

  uint8_t magic[3];
  if (read_byte(archive, &magic[0]) != 0) return 2;
  header->zero_marker = 0;
  if (magic[0] == 0x00) {
    header->zero_marker = 1;
    if (read_byte(archive, &magic[0]) != 0) return 2;
  }
  if (read_byte(archive, &magic[1]) != 0) return 2;
  if (read_byte(archive, &magic[2]) != 0) return 2;

  int vehicle = 0;
  header->base_named = 0;
  if (magic[0] == 'F' && magic[1] == 'Z' && magic[2] == 'X') {
    vehicle = 1;
  } else if (magic[0] == 'U' && magic[1] == 'Z' && magic[2] == 'X') {
    header->base_named = 1;
  } else if (!(magic[0] == 'G' && magic[1] == 'Z' && magic[2] == 'X')) {
    return 2;
  }

  uint8_t digit;
  if (read_byte(archive, &digit) != 0) return 2;
  header->zoom = (int)digit - '0';

  // Only a vehicle archive with a zero marker carries the format stamp, and only one value is
  // known. Without a marker a vehicle archive is of the older layout.
  header->version = OLDER_FORMAT_STAMP;
  if (vehicle && header->zero_marker) {
    uint32_t stamp;
    if (read_u32(archive, &stamp) != 0) return 2;
    if (stamp != FORMAT_STAMP) return 2;
    header->version = stamp;
  }

  if (!vehicle) {
    header->layout = LAYOUT_SCENERY;
  } else if ((int32_t)header->version >= (int32_t)FORMAT_STAMP) {
    header->layout = LAYOUT_VEHICLE_CURRENT;
  } else {
    header->layout = LAYOUT_VEHICLE_OLDER;
  }
  return 0;
}
