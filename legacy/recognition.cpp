// Recognising an archive in the legacy program: the magic follows the 0x1A directly (there is
// no zero marker, so a current vehicle archive is not an archive here), and every "FZX" archive
// is of the older vehicle layout.
#include "archive/format.h"

int read_archive_header(stream archive, archive_header *header) {
  uint8_t byte;
  do {
    if (read_byte(archive, &byte) != 0) return 2;
  } while (byte != EOF_MARKER);

  uint8_t magic[3];
  for (uint8_t &m : magic) {
    if (read_byte(archive, &m) != 0) return 2;
  }
  header->zero_marker = 0;
  header->base_named = 0;
  header->version = OLDER_FORMAT_STAMP;
  if (magic[0] == 'F' && magic[1] == 'Z' && magic[2] == 'X') {
    header->layout = LAYOUT_VEHICLE_OLDER;
  } else if (magic[0] == 'U' && magic[1] == 'Z' && magic[2] == 'X') {
    header->layout = LAYOUT_SCENERY;
    header->base_named = 1;
  } else if (magic[0] == 'G' && magic[1] == 'Z' && magic[2] == 'X') {
    header->layout = LAYOUT_SCENERY;
  } else {
    return 2;
  }
  uint8_t digit;
  if (read_byte(archive, &digit) != 0) return 2;
  header->zoom = (int)digit - '0';
  return 0;
}
