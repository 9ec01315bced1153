// Recognising archive headers. What the writer produces is checked byte for byte on archives of
// the built program (test_end_to_end.cpp).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "archive/format.h"
#include "tests/test_support.h"
#include "util/stream.h"

namespace {

bytes with(bytes front, const std::string &hex) {
  bytes tail = hex_bytes(hex);
  front.insert(front.end(), tail.begin(), tail.end());
  return front;
}

// Runs read_archive_header over an archive image. On success also reads the next value, to show
// where the stream was left.
int recognise(const std::string &path, const bytes &image, archive_header *header,
              uint32_t *next = nullptr) {
  write_file(path, image);
  stream s = open_read_stream(path.c_str());
  if (s == NO_STREAM) return -1;
  int rc = read_archive_header(s, header);
  if (rc == 0 && next != nullptr && read_u32(s, next) != 0) rc = -2;
  close_read_stream(s);
  return rc;
}

}  // namespace

TEST(Archive, Recognition) {
  scratch_dir dir("archive-recognise");
  bytes vehicle = text_bytes("XQ KARV Vehicle gfx Zoom4\x1A");
  bytes long_text(5000, 'x');  // the text in front of the 0x1A may be of any length
  long_text.push_back(0x1A);
  // What follows the text header, then the header read from it and the first directory value.
  struct { const bytes *front; const char *hex; int layout, marker, base_named, zoom;
           uint32_t version, next; } good[] = {
      {&vehicle, "00 46 5A 58 34 00 00 86 03 FF FF FF FF", LAYOUT_VEHICLE_CURRENT, 1, 0, 4,
       FORMAT_STAMP, END_MARK},
      // Without a marker "FZX" is the older layout; its directory follows the digit at once.
      {&vehicle, "46 5A 58 32 35 00 00 00", LAYOUT_VEHICLE_OLDER, 0, 0, 2, OLDER_FORMAT_STAMP,
       0x35},
      // Scenery: a zero marker is allowed and no stamp follows; the digit is not judged.
      {&long_text, "00 47 5A 58 31 FF FF FF FF", LAYOUT_SCENERY, 1, 0, 1, OLDER_FORMAT_STAMP,
       END_MARK},
      {&long_text, "55 5A 58 39 01 00 00 00", LAYOUT_SCENERY, 0, 1, 9, OLDER_FORMAT_STAMP, 1},
  };
  for (const auto &c : good) {
    archive_header h;
    uint32_t next = 0;
    ASSERT_EQ(recognise(dir.file("a"), with(*c.front, c.hex), &h, &next), 0) << c.hex;
    EXPECT_EQ(std::make_tuple(h.layout, h.zero_marker, h.base_named, h.zoom, h.version, next),
              std::make_tuple(c.layout, c.marker, c.base_named, c.zoom, c.version, c.next));
  }
  // A zero marker with any other stamp (even one bit away at either end) or a cut stamp, no
  // 0x1A, a magic not exactly one of the three ("fzx", two markers, "GZY"), or no digit.
  archive_header h;
  for (const char *bad : {"00 46 5A 58 34 01 00 86 03", "00 46 5A 58 34 00 00 86 83",
                          "00 46 5A 58 34 00 00 87 03", "00 46 5A 58 34 00 00 00 00",
                          "00 46 5A 58 34 00 00", "66 7A 78 32", "00 00 47 5A 58", "47 5A 59 32",
                          "47 5A 58"}) {
    EXPECT_EQ(recognise(dir.file("a"), with(vehicle, bad), &h), 2) << bad;
  }
  EXPECT_EQ(recognise(dir.file("a"), text_bytes("XQ KARV Vehicle gfx Zoom2 FZX2"), &h), 2);
}
