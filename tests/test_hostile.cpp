// Hostile input: archives cut at every byte or with one byte flipped, output folders that are not
// folders, and arguments far beyond their fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive/extract.h"
#include "console/catalogue.h"
#include "vorax/vorax.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

typedef std::map<std::string, bytes> folder;  // file name -> content

// Extracts `image`, stored as `archive_name` in `dir`, into a fresh folder "out" and checks that
// nothing else appeared in `dir` and that no temporary file stayed behind.
unsigned extract_into(const scratch_dir &dir, const std::string &archive_name, const bytes &image,
                      int simulate, folder *written) {
  write_file(dir.file(archive_name), image);
  std::string out = dir.file("out");
  fs::remove_all(out);
  fs::create_directory(out);
  int32_t skipped, extracted, found;
  language_index = LANGUAGE_ENGLISH;
  testing::internal::CaptureStdout();
  unsigned rc = extract_archive(dir.file(archive_name).c_str(), out.c_str(), 0, &skipped,
                                &extracted, &found, simulate);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ((names{archive_name}), list_names(dir.path()));
  written->clear();
  for (const auto &item : fs::directory_iterator(out)) {
    std::string name = item.path().filename().string();
    EXPECT_TRUE(item.is_regular_file()) << name;
    EXPECT_EQ(std::string::npos, name.find(".vx")) << name;
    (*written)[name] = read_file(item.path().string());
  }
  EXPECT_TRUE(!simulate || written->empty());
  return rc;
}

// The number of bytes in which two contents of one length differ; SIZE_MAX for two lengths.
size_t differing(const bytes &a, const bytes &b) {
  if (a.size() != b.size()) return SIZE_MAX;
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

struct hostile_case {
  const char *archive_name;
  bytes image;
  size_t data_start;  // the first record header
};

}  // namespace

TEST(Hostile, CutAndFlippedArchives) {
  record a = {{12345, 3}, bytes(5, 'A')}, b = {{12345, 4}, bytes(3, 'B')};
  std::vector<hostile_case> cases = {
      {"train.fz2", archive_image(vehicle_header('2', true), {a, b}), 35 + 2 * 12 + 4},
      {"land.gz1", archive_image(scenery_header("GZX", '1'),
                                 {{{123, 45, 0x10001, 0, 0}, text_bytes("S1")}}), 48 + 24 + 4},
      {"park.uz2", archive_image(scenery_header("UZX", '2'),
                                 {{{5, 0, 0, 12, 2}, text_bytes("park")},
                                  {{7, 0, 0, 0, 1}, text_bytes("seven")}}), 48 + 2 * 24 + 4},
  };
  for (const hostile_case &c : cases) {
    scratch_dir dir("hostile");
    folder whole, written;
    ASSERT_EQ(0u, extract_into(dir, c.archive_name, c.image, 0, &whole)) << c.archive_name;
    ASSERT_FALSE(whole.empty());

    // Cut anywhere: result 2; what was written before is complete and correct.
    for (size_t length = 0; length < c.image.size(); ++length) {
      bytes cut(c.image.begin(), c.image.begin() + (long)length);
      EXPECT_EQ(2u, extract_into(dir, c.archive_name, cut, 1, &written)) << length;
      EXPECT_EQ(2u, extract_into(dir, c.archive_name, cut, 0, &written)) << length;
      for (const auto &f : written) {
        EXPECT_TRUE(whole.count(f.first) && whole.at(f.first) == f.second) << length << f.first;
      }
    }

    // One byte flipped. The archive has no checksum: a flipped data byte comes out as stored.
    // A flipped key, size or time may end the command with 2, or with 4 where the time cannot
    // be set; every other file written holds exactly one record's bytes.
    for (size_t at = 0; at < c.image.size(); ++at) {
      bytes flipped = c.image;
      flipped[at] ^= 0xFF;
      extract_into(dir, c.archive_name, flipped, 1, &written);
      unsigned rc = extract_into(dir, c.archive_name, flipped, 0, &written);
      EXPECT_TRUE(rc == 0 || rc == 2 || (rc == 4 && at >= c.data_start)) << at << " rc " << rc;
      EXPECT_TRUE(rc != 0 || whole.size() == written.size()) << at;
      for (const auto &f : written) {
        bool known = false;
        for (const auto &w : whole) known = known || w.second == f.second;
        bool one_flipped = rc == 0 && whole.count(f.first) &&
                           differing(whole.at(f.first), f.second) == 1;
        EXPECT_TRUE(known || one_flipped) << at << " " << f.first;
      }
    }
  }
}

TEST(Hostile, OutputFolderMissingOrAFile) {
  scratch_dir dir("hostile-out");
  std::string archive = dir.file("x.fz2");
  write_file(archive, archive_image(vehicle_header('2', true), {{{12345, 3}, text_bytes("x")}}));
  write_file(dir.file("file"), text_bytes("plain"));
  for (const char *target : {"missing", "file"}) {
    int32_t n[3] = {9, 9, 9};
    testing::internal::CaptureStdout();
    EXPECT_EQ(4u, extract_archive(archive.c_str(), dir.file(target).c_str(), 1, &n[0], &n[1],
                                  &n[2], 0)) << target;
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, n[0] + n[1] + n[2]);
    EXPECT_EQ((names{"file", "x.fz2"}), list_names(dir.path())) << target;
    EXPECT_EQ(text_bytes("plain"), read_file(dir.file("file")));
  }
}

TEST(Hostile, ArgumentsBeyondTheirFields) {
  auto parse = [](std::vector<std::string> args, command_line *cmd) {
    args.insert(args.begin(), "vorax");
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(&a[0]);
    return parse_command_line((int)argv.size(), argv.data(), cmd);
  };
  command_line cmd;
  std::string huge(100000, 'o');
  EXPECT_EQ(1, parse({"V2", std::string(261, 'd'), "t"}, &cmd));
  EXPECT_EQ(1, parse({"X", "out", std::string(261, 'a')}, &cmd));
  EXPECT_EQ(1, parse({"X", "out", huge}, &cmd));
  EXPECT_EQ(1, parse({"S2", "gfx", huge}, &cmd));
  EXPECT_EQ(1, parse({"V2", std::string(260, 'd'), std::string(260, 'a'), "O"}, &cmd));
  // Command and options are cut to their fields: what lies beyond is never looked at.
  ASSERT_EQ(0, parse({"V2" + huge, "gfx", "t", "-O" + huge}, &cmd));
  EXPECT_TRUE(cmd.vehicle && cmd.zoom_digit == 2 && cmd.overwrite && !cmd.simulate);
  EXPECT_EQ(1, parse({huge, "gfx", "t"}, &cmd));
  // A 259-character archive name passes the command line but not extraction's own limit.
  ASSERT_EQ(0, parse({"X", "out", std::string(259, 'a')}, &cmd));
  int32_t n = 7;
  EXPECT_EQ(5u, extract_archive(cmd.archive_name, "out", 0, &n, &n, &n, 0));
  EXPECT_EQ(7, n);
}

// The value that ends the directory means nothing special among the records: a record whose
// number has that value is read whole, key by key, and the record after it stays in step.
TEST(Hostile, EndMarkAsARecordNumber) {
  scratch_dir dir("hostile-end-mark");
  bytes image = archive_image(scenery_header("GZX", '1'),
                              {{{123, 45, 0x10001, 0, 0}, text_bytes("S1")},
                               {{124, 46, 0x10001, 0, 0}, text_bytes("S2")}});
  const size_t first_record = 48 + 2 * 24 + 4;
  for (size_t i = 0; i < 4; ++i) image[first_record + i] = 0xFF;
  folder written;
  EXPECT_EQ(0u, extract_into(dir, "land.gz1", image, 0, &written));
  ASSERT_EQ(2u, written.size());
  ASSERT_EQ(1u, written.count("s124-046a.gz1"));
  EXPECT_EQ(text_bytes("S2"), written["s124-046a.gz1"]);
}
