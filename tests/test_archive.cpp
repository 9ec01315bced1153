#include <gtest/gtest.h>

#include <string>

#include "archive/format.h"
#include "driver/catalogue.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "tests/test_support.h"
#include "util/stream.h"

namespace {

uint32_t u32_at(const bytes &b, size_t pos) {
  return (uint32_t)b[pos] | (uint32_t)b[pos + 1] << 8 | (uint32_t)b[pos + 2] << 16 |
         (uint32_t)b[pos + 3] << 24;
}

// Walks the directory of an archive image: every offset, counted from the byte behind it, must
// land on a record that repeats the entry's keys, and the records must follow one another
// without a gap up to the end of the file. Returns the number of entries.
int check_offsets(const bytes &b, size_t header_size, size_t keys) {
  size_t entry_size = keys * 4 + 4;
  size_t count = 0;
  while (u32_at(b, header_size + count * entry_size) != END_MARK) ++count;
  size_t record = header_size + count * entry_size + 4;
  for (size_t i = 0; i < count; ++i) {
    size_t entry = header_size + i * entry_size;
    size_t behind = entry + keys * 4 + 4;
    EXPECT_EQ(behind + u32_at(b, entry + keys * 4), record) << "entry " << i;
    for (size_t k = 0; k < keys; ++k) {
      EXPECT_EQ(u32_at(b, entry + 4 * k), u32_at(b, record + 4 * k));
    }
    record += keys * 4 + 8 + u32_at(b, record + keys * 4);
  }
  EXPECT_EQ(record, b.size());
  return (int)count;
}

// Runs read_archive_header over an archive image. On success also reads the first directory
// value, to show where the stream was left.
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

const char *const STAMP_TIME = "C0 53 4E 3E";  // DOS date 0x3E4E, time 0x53C0: 2011-02-14 10:30

}  // namespace

TEST(Archive, VehicleWorkedExampleByteForByte) {
  language_index = LANGUAGE_ENGLISH;
  scratch_dir dir("archive-vehicle");
  write_file(dir.file("12345-04.fz2"), text_bytes("BBB"));
  write_file(dir.file("12345-03.fz2"), text_bytes("AAAAA"));
  ASSERT_TRUE(set_local_time(dir.file("12345-03.fz2"), 0x3E4E, 0x53C0));
  ASSERT_TRUE(set_local_time(dir.file("12345-04.fz2"), 0x3E4E, 0x53C0));
  reset_packing_state();
  char failed[NAME_BUFFER_SIZE] = "";
  std::string archive = dir.file("train.fz2");
  testing::internal::CaptureStdout();
  ASSERT_EQ(pack_vehicles(archive.c_str(), dir.path().c_str(), 2, failed, 0, 0, 0), 0u);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Copying files\n" + dir.file("12345-03.fz2") + "\n" + dir.file("12345-04.fz2") +
                     "\n");

  bytes expected = text_bytes("XQ KARV Vehicle gfx Zoom2\x1A");
  for (const std::string &hex :
       {std::string("00 46 5A 58 32 00 00 86 03"),
        std::string("39 30 00 00 03 00 00 00 10 00 00 00 39 30 00 00 04 00 00 00 19 00 00 00"),
        std::string("FF FF FF FF 39 30 00 00 03 00 00 00 05 00 00 00 ") + STAMP_TIME,
        std::string("41 41 41 41 41 39 30 00 00 04 00 00 00 03 00 00 00 ") + STAMP_TIME,
        std::string("42 42 42")}) {
    bytes piece = hex_bytes(hex);
    expected.insert(expected.end(), piece.begin(), piece.end());
  }
  bytes written = read_file(archive);
  ASSERT_EQ(written.size(), 103u);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(check_offsets(written, VEHICLE_HEADER_SIZE, 2), 2);
}

TEST(Archive, SceneryWorkedExampleByteForByte) {
  scratch_dir dir("archive-scenery");
  std::string source = dir.file("s123-45a.gz1");
  write_file(source, text_bytes("xy"));
  ASSERT_TRUE(set_local_time(source, 0x3E4E, 0x53C0));
  reset_packing_state();
  char failed[NAME_BUFFER_SIZE] = "";
  std::string archive = dir.file("one.gz1");
  testing::internal::CaptureStdout();
  ASSERT_EQ(pack_scenery(archive.c_str(), dir.path().c_str(), 1, failed, 0, 0, 0), 0u);
  testing::internal::GetCapturedStdout();

  bytes expected = text_bytes("XQ KARV Scenery gfx Zoom1\r\ncreated by VORAX\x1A" "GZX1");
  bytes tail = hex_bytes(
      "7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 04 00 00 00 FF FF FF FF"
      "7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 02 00 00 00" +
      std::string(STAMP_TIME) + "78 79");
  expected.insert(expected.end(), tail.begin(), tail.end());
  bytes written = read_file(archive);
  ASSERT_EQ(written.size(), 106u);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(check_offsets(written, SCENERY_HEADER_SIZE, 5), 1);
}

TEST(Archive, AnEmptyListIsTheEndMarkAlone) {
  language_index = LANGUAGE_ENGLISH;
  scratch_dir dir("archive-passes");
  std::string archive = dir.file("a.fz4");

  // The directory is the end mark alone and only "Copying files" is printed.
  reset_packing_state();
  stream s = create_write_stream(archive.c_str());
  ASSERT_NE(s, NO_STREAM);
  testing::internal::CaptureStdout();
  EXPECT_EQ(write_vehicle_header(s, 4), 0);
  EXPECT_EQ(write_vehicle_directory(s, 0), 0);
  EXPECT_EQ(copy_vehicle_data(s, 0), 0);
  EXPECT_EQ(close_write_stream(s), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Copying files\n");
  bytes written = read_file(archive);
  ASSERT_EQ(written.size(), (size_t)VEHICLE_HEADER_SIZE + 4);
  EXPECT_EQ(u32_at(written, VEHICLE_HEADER_SIZE), END_MARK);
}

TEST(Archive, Recognition) {
  scratch_dir dir("archive-recognise");
  std::string path = dir.file("a");
  archive_header h;
  uint32_t next = 0;
  bytes vehicle = text_bytes("XQ KARV Vehicle gfx Zoom4\x1A");
  auto with = [](bytes front, const std::string &hex) {
    bytes tail = hex_bytes(hex);
    front.insert(front.end(), tail.begin(), tail.end());
    return front;
  };

  ASSERT_EQ(recognise(path, with(vehicle, "00 46 5A 58 34 00 00 86 03 FF FF FF FF"), &h, &next),
            0);
  EXPECT_EQ(h.layout, LAYOUT_VEHICLE_CURRENT);
  EXPECT_EQ(h.zero_marker, 1);
  EXPECT_EQ(h.version, FORMAT_STAMP);
  EXPECT_EQ(h.zoom, 4);
  EXPECT_EQ(next, END_MARK);

  // A zero marker with any other stamp is refused, even one bit away at either end.
  for (const char *stamp : {"01 00 86 03", "00 00 86 83", "00 00 87 03", "00 00 00 00"}) {
    EXPECT_EQ(recognise(path, with(vehicle, std::string("00 46 5A 58 34 ") + stamp), &h), 2)
        << stamp;
  }
  EXPECT_EQ(recognise(path, with(vehicle, "00 46 5A 58 34 00 00"), &h), 2);  // ends in the stamp

  // Without a marker "FZX" is the older layout; its directory follows the digit at once.
  ASSERT_EQ(recognise(path, with(vehicle, "46 5A 58 32 35 00 00 00"), &h, &next), 0);
  EXPECT_EQ(h.layout, LAYOUT_VEHICLE_OLDER);
  EXPECT_EQ(h.version, OLDER_FORMAT_STAMP);
  EXPECT_EQ(h.zoom, 2);
  EXPECT_EQ(next, 0x35u);

  // Scenery: a zero marker is allowed and no stamp follows; the text in front is any length.
  bytes long_text(5000, 'x');
  long_text.push_back(0x1A);
  ASSERT_EQ(recognise(path, with(long_text, "00 47 5A 58 31 FF FF FF FF"), &h, &next), 0);
  EXPECT_EQ(h.layout, LAYOUT_SCENERY);
  EXPECT_EQ(h.base_named, 0);
  EXPECT_EQ(next, END_MARK);
  ASSERT_EQ(recognise(path, with(long_text, "55 5A 58 39 01 00 00 00"), &h, &next), 0);
  EXPECT_EQ(h.base_named, 1);
  EXPECT_EQ(h.zoom, 9);  // the reader does not judge the digit
  EXPECT_EQ(next, 1u);

  // No 0x1A, a magic not exactly one of the three, or an early end.
  EXPECT_EQ(recognise(path, text_bytes("XQ KARV Vehicle gfx Zoom2 FZX2"), &h), 2);
  EXPECT_EQ(recognise(path, with(vehicle, "66 7A 78 32"), &h), 2);     // "fzx"
  EXPECT_EQ(recognise(path, with(vehicle, "00 00 47 5A 58"), &h), 2);  // two markers
  EXPECT_EQ(recognise(path, with(vehicle, "47 5A 59 32"), &h), 2);     // "GZY"
  EXPECT_EQ(recognise(path, with(vehicle, "47 5A 58"), &h), 2);        // no digit
}
