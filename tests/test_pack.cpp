// Packing in-process: name parsing and its ranges, list order, selection by the archive's base
// name, argument and size limits, and writing that keeps an older archive until it succeeds.
// What the user sees of a failing file is checked on the built program (test_end_to_end.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>

#include "archive/format.h"
#include "examples/sample_gfx.h"
#include "console/catalogue.h"
#include "pack/archive_writer.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "pack/pack_common.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

char failed[NAME_BUFFER_SIZE];

// Runs one pack command ('V', 'W', 'S' or 'U') from a fresh packing state; its console output
// and notices are dropped.
unsigned pack(char command, const std::string &archive, const std::string &dir, int zoom,
              int simulate = 0) {
  reset_packing_state();
  failed[0] = '\0';
  language_index = LANGUAGE_ENGLISH;
  int by_name = command == 'W' || command == 'U';
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  unsigned rc = (command == 'V' || command == 'W')
                    ? pack_vehicles(archive.c_str(), dir.c_str(), zoom, failed, 0, simulate,
                                    by_name)
                    : pack_scenery(archive.c_str(), dir.c_str(), zoom, failed, 0, simulate,
                                   by_name);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  return rc;
}

// The file names of an entry list, in list order.
template <typename entry> names file_names(entry *list) {
  names out;
  for (entry *e : order_of(list)) out.push_back(fs::path(e->path).filename().string());
  return out;
}

void make_files(const scratch_dir &dir, const names &files) {
  for (const std::string &name : files) write_file(dir.file(name), text_bytes(name));
}

}  // namespace

TEST(Pack, VehicleNameRanges) {
  struct { const char *name; int by_name; int32_t first, second; } good[] = {
      {"12345-03.fz2", 0, 12345, 3},   {"54321-16.fz2", 0, 54321, 16},
      {"+0001-02.fz2", 0, 1, 2},       {"my-loco-3-16.fz2", 1, 3, 16},
      {"my-loco-0-00.fz4", 1, 0, 0},   {"my-loco-9-07.fz2", 1, 9, 7},
      {"my-loco-10-01.fz2", 1, 10, 1}, {"loco-10-16.fz4", 1, 10, 16},
  };
  for (const auto &c : good) {
    int32_t first = -7, second = -7;
    ASSERT_EQ(parse_vehicle_name(c.name, c.by_name, &first, &second), 0) << c.name;
    EXPECT_EQ(std::make_pair(first, second), std::make_pair(c.first, c.second)) << c.name;
  }
  int32_t n;
  // Numbers beyond 32 bits never wrap to small ones (-4294967295 would be 1).
  for (const char *name : {"12345-17.fz2", "abcde-01.fz2", "-0001-02.fz2", "12345.fz2",
                           "12345--4294967295.fz2", "-4294967295-01.fz2", "12345-4294967297.fz2"})
    EXPECT_EQ(parse_vehicle_name(name, 0, &n, &n), 3) << name;
  for (const char *name : {"my-loco-11-01.fz2", "my-loco-99-00.fz2", "my-loco-3-17.fz2", "loco-3.fz2", "loco-3-x.fz2",
                           "loco-3-16", "a", "loco-4294967297-01.fz2", "loco-01-4294967297.fz2"})
    EXPECT_EQ(parse_vehicle_name(name, 1, &n, &n), 3) << name;
}

TEST(Pack, SceneryNameRanges) {
  // base: 0 for S names, else the length of the U base name ("city").
  struct { const char *name; int base; int32_t number, sub; uint32_t kind_letter;
           int32_t part, part_letter; } good[] = {
      {"m3-100-0.gz2", 0, 1636, 0, 0, 0, 0},       {"m31-511-0.gz2", 0, 16383, 0, 0, 0, 0},
      {"m5-2-0.gz2", 0, 2562, 0, 0, 0, 0},         {"m0-0-0.gz2", 0, 0, 0, 0, 0, 0},
      {"s12-3", 0, 12, 3, 0x10000, 0, 0},          {"x49152-07", 0, 49152, 0, 0, 7, 0},
      {"s12-3b.gz2", 0, 12, 3, 0x10002, 0, 0},     {"s12.gz2", 0, 12, 0, 0x10000, 0, 0},
      {"s12a.gz2", 0, 12, 0, 0x10000, 0, 0},       {"t5-1.gz2", 0, 5, 1, 0x20000, 0, 0},
      {"h7-2d.gz2", 0, 7, 2, 0x30004, 0, 0},       {"b16383-0e.gz2", 0, 16383, 0, 0x40000, 0, 0},
      {"049152-07c.gz2", 0, 49152, 0, 0, 7, 3},    {"049152a.gz2", 0, 49152, 0, 0, 0, 1},
      {"x65535-99.gz2", 0, 65535, 0, 0, 99, 0},    {"city-12-05b.gz2", 4, 12, 0, 0, 5, 2},
      {"city_7.gz2", 4, 7, 0, 0, 0, 0},            {"city-89-99.gz2", 4, 89, 0, 0, 99, 0},
  };
  for (const auto &c : good) {
    scenery_keys k;
    ASSERT_EQ(parse_scenery_name(c.name, c.base, c.base > 0, &k), 0) << c.name;
    EXPECT_EQ(std::make_tuple(k.number, k.sub_number, k.kind_letter, k.part, k.part_letter),
              std::make_tuple(c.number, c.sub, c.kind_letter, c.part, c.part_letter)) << c.name;
  }
  // A negative second number of the m kind is refused, also where i * 512 + j would be in range;
  // numbers beyond 32 bits never wrap to small ones.
  scenery_keys k;
  for (const char *name : {"m3-100-1.gz2", "m3-512-0.gz2", "m32-0-0.gz2", "m3-100.gz2",
                           "m3--1-0.gz2", "m1--512-0.gz2", "m-1-511-0.gz2", "m0-4294967297-0.gz2",
                           "m1--4294967295-0.gz2", "m3-100--4294967296.gz2",
                           "s16384.gz2", "s-1.gz2", "s-4294967295.gz2", "s4294967297.gz2",
                           "x49151-01.gz2", "x65536.gz2", "49152-01.gz2",
                           "readme.gz2", "S123-045.gz2", "x49152-100.gz2", "x49152--1.gz2",
                           "x49152--4294967295.gz2", "x4295016448.gz2"})
    EXPECT_EQ(parse_scenery_name(name, 0, 0, &k), 3) << name;
  for (const char *name : {"city-90-00.gz2", "city-12-100.gz2", "city.gz2", "cit",
                           "city--4294967295.gz2", "city-4294967297.gz2", "city-1--4294967295.gz2"})
    EXPECT_EQ(parse_scenery_name(name, 4, 1, &k), 3) << name;
}

TEST(Pack, ListOrderFollowsKeysAndKeepsFindOrderForEqualKeys) {
  scratch_dir dir("pack-order");
  make_files(dir, {"00002-01.fz2", "00001-05.fz2", "00001-02.fz2", "+0001-02.fz2"});
  ASSERT_EQ(pack('V', dir.file("v.fz2"), dir.path(), 2, 1), 0u);
  EXPECT_EQ(file_names(vehicle_list),
            (names{"+0001-02.fz2", "00001-02.fz2", "00001-05.fz2", "00002-01.fz2"}));
  EXPECT_EQ(entry_count, 4);

  make_files(dir, {"s100-0.gz2", "s20-0.gz2", "t5-1.gz2", "s5-1.gz2", "s5-0.gz2",
                   "m0-20-0.gz2", "x49152.gz2"});
  ASSERT_EQ(pack('S', dir.file("s.gz2"), dir.path(), 2, 1), 0u);
  EXPECT_EQ(file_names(scenery_list),
            (names{"s5-0.gz2", "s5-1.gz2", "t5-1.gz2", "m0-20-0.gz2", "s20-0.gz2", "s100-0.gz2",
                   "x49152.gz2"}));
  EXPECT_EQ(list_names(dir.path()).size(), 11u);  // simulated: no archive
}

TEST(Pack, SelectionByTheArchiveBaseName) {
  scratch_dir dir("pack-byname");
  make_files(dir, {"city-12-05b.gz2", "park-01-00.gz2", "park-01-01.gz4"});
  // A wildcard or an empty base name is refused before any search; a wildcard in an earlier
  // folder of the archive name does not count, and only the base name is searched.
  EXPECT_EQ(pack('W', dir.file("m*-loco.fz2"), dir.path(), 2), 5u);
  EXPECT_EQ(pack('W', dir.file(".fz2"), dir.path(), 4), 5u);
  EXPECT_EQ(pack('U', dir.file("c?ty.uz2"), dir.path(), 2), 5u);
  EXPECT_EQ(pack('U', dir.file(".uz2"), dir.path(), 2), 5u);
  EXPECT_EQ(pack('U', join(dir.file("o*t"), "park.uz2"), dir.path(), 2, 1), 0u);
  EXPECT_EQ(file_names(scenery_list), (names{"park-01-00.gz2"}));
}

TEST(Pack, ArgumentRefusals) {
  scratch_dir dir("pack-args");
  std::string d = dir.path();
  EXPECT_EQ(pack('W', dir.file("a.fz1"), d, 1), 5u);  // zoom 1 for V: on the built program
  EXPECT_EQ(pack('U', dir.file("a.gz3"), d, 3), 5u);
  EXPECT_EQ(pack_vehicles("a.fz2", d.c_str(), 2, nullptr, 0, 0, 0), 5u);
  EXPECT_EQ(pack_scenery("a.gz2", nullptr, 2, failed, 0, 0, 0), 5u);

  // The archive name: 199 characters pass (nothing is found), 200 do not.
  EXPECT_EQ(pack('V', std::string(199, 'a'), d, 2), 1u);
  EXPECT_EQ(pack('V', std::string(200, 'a'), d, 2), 5u);
  EXPECT_EQ(pack('S', std::string(199, 'a'), d, 2), 1u);
  EXPECT_EQ(pack('S', std::string(200, 'a'), d, 2), 5u);

  // A directory that leaves no room for the pattern in 260 characters: 5, not a cut pattern.
  EXPECT_EQ(pack('V', "a.fz2", std::string(246, 'd'), 2), 1u);  // "/?????-??.fz2" fits
  EXPECT_EQ(pack('V', "a.fz2", std::string(247, 'd'), 2), 5u);
  EXPECT_EQ(pack('W', "abc.fz2", std::string(246, 'd'), 2), 5u);
  EXPECT_EQ(pack('S', "a.gz2", std::string(253, 'd'), 2), 1u);  // "/*.gz2" fits
  EXPECT_EQ(pack('S', "a.gz2", std::string(254, 'd'), 2), 5u);
  EXPECT_EQ(list_names(d), names());
}

TEST(Pack, SizeAndLengthLimits) {
  // 2 GiB or more is refused whatever the low 32 bits say; the file is not opened for this.
  const char *d = "/nonexistent";
  reset_packing_state();
  for (uint64_t size : {0ull, 0x80000000ull, 0x100000005ull}) {
    EXPECT_EQ(add_vehicle_file(d, "12345-01.fz2", size, 0, 0, 0, 0), 1) << size;
    EXPECT_EQ(add_scenery_file(d, "s1.gz2", size, 0, "", 0, 0, 0), 1) << size;
  }
  EXPECT_EQ(add_vehicle_file(nullptr, "12345-01.fz2", 1, 0, 0, 0, 0), 3);
  EXPECT_EQ(add_vehicle_file(d, nullptr, 1, 0, 0, 0, 0), 3);
  EXPECT_EQ(add_scenery_file(nullptr, "s1.gz2", 1, 0, "", 0, 0, 0), 3);
  EXPECT_EQ(add_scenery_file(d, nullptr, 1, 0, "", 0, 0, 0), 3);
  // The archive may reach 4 GiB - 1 bytes but not 4 GiB, where its offsets would wrap. Each file
  // adds its directory entry, its record's keys and its bytes.
  archive_length = 0xFFFFFFFEull;
  EXPECT_EQ(archive_too_long(1), 0);
  EXPECT_EQ(archive_too_long(2), 1);
  archive_length = 0;
  EXPECT_EQ(archive_too_long(0xFFFFFFFFull), 0);
  EXPECT_EQ(archive_too_long(0x100000000ull), 1);
  struct { const char *kind; uint64_t start, per_file; int (*add)(uint64_t size); } kinds[] = {
      {"vehicle", VEHICLE_HEADER_SIZE + 4, VEHICLE_ENTRY_SIZE + VEHICLE_RECORD_SIZE,
       [](uint64_t size) { return add_vehicle_file("/none", "12345-01.fz2", size, 0, 0, 0, 0); }},
      {"scenery", SCENERY_HEADER_SIZE + 4, SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE,
       [](uint64_t size) { return add_scenery_file("/none", "s1.gz2", size, 0, "", 0, 0, 0); }},
  };
  for (const auto &k : kinds) {
    reset_packing_state();
    archive_length = k.start;
    EXPECT_EQ(k.add(0x7FFFFFFF), 0) << k.kind;
    EXPECT_EQ(archive_length, k.start + k.per_file + 0x7FFFFFFF) << k.kind;
    uint64_t rest = 0xFFFFFFFFull - archive_length - k.per_file;  // what still fits
    EXPECT_EQ(k.add(rest + 1), 3) << k.kind;
    EXPECT_EQ(k.add(rest), 0) << k.kind;
    EXPECT_EQ(archive_length, 0xFFFFFFFFull) << k.kind;
    EXPECT_EQ(k.add(1), 3) << k.kind;
    EXPECT_EQ(entry_count, 2) << k.kind;
    release_entry_lists();
  }

  // The path must fit 260 characters with its separator and terminator.
  reset_packing_state();
  EXPECT_EQ(add_vehicle_file(std::string(246, 'd').c_str(), "12345-01.fz2", 1, 0, 0, 0, 0), 0);
  EXPECT_EQ(add_vehicle_file(std::string(247, 'd').c_str(), "12345-01.fz2", 1, 0, 0, 0, 0), 3);
  EXPECT_EQ(add_scenery_file(std::string(250, 'd').c_str(), "s1-1.gz2", 1, 0, "", 0, 0, 0), 0);
  EXPECT_EQ(add_scenery_file(std::string(251, 'd').c_str(), "s1-1.gz2", 1, 0, "", 0, 0, 0), 3);
  EXPECT_EQ(entry_count, 2);
  release_entry_lists();
  EXPECT_TRUE(vehicle_list == nullptr && scenery_list == nullptr);
}

// A whole pack command counts from the archive's header on: files whose listed sizes carry the
// archive exactly to 4 GiB - 1 bytes are collected, one byte more is refused with the name of
// the file that passes the limit. The files are sparse and refused before any is read.
// A vehicle file refused for its header with option I gives its entry back: the heap in use does
// not grow with every refusal. (The leak check cannot tell, as the lost entry's address may still
// lie in memory it reads; the count of the bytes in use can. Skipped where there is none.)
TEST(Pack, RefusedHeaderGivesItsEntryBack) {
  if (heap_in_use() < 0) GTEST_SKIP() << "the heap in use can be counted only with glibc";
  scratch_dir dir("pack-refused");
  const sample_vehicle_header wrong_version = {0x0384, 0x0012, 0, 1, 2, 3, 4};
  const bytes file = make_vehicle_gfx("v", wrong_version, 10, 1);
  write_file(dir.file("12345-02.fz2"), file);
  reset_packing_state();
  const int refusals = 200;
  testing::internal::CaptureStdout();  // the header lines of option I
  const long before = heap_in_use();
  for (int i = 0; i < refusals; ++i) {
    ASSERT_EQ(add_vehicle_file(dir.path().c_str(), "12345-02.fz2", file.size(), 1, 0, 0, 0),
              FILE_BAD);
  }
  const long after = heap_in_use();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(vehicle_list, nullptr);
  EXPECT_LT(after - before, (long)(refusals * sizeof(vehicle_entry) / 2));
}

TEST(Pack, ArchiveLengthCountsFromTheHeader) {
  if (on_windows()) GTEST_SKIP() << "the search hands files out in the file system's order there";
  struct { char command; uint64_t header, per_file; names files; } kinds[] = {
      {'V', VEHICLE_HEADER_SIZE, VEHICLE_ENTRY_SIZE + VEHICLE_RECORD_SIZE,
       {"10000-01.fz2", "10000-02.fz2", "10000-03.fz2"}},
      {'S', SCENERY_HEADER_SIZE, SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE,
       {"s1.gz2", "s2.gz2", "s3.gz2"}},
  };
  for (const auto &k : kinds) {
    for (uint64_t over : {0, 1}) {
      SCOPED_TRACE(std::string(1, k.command) + (over ? " one byte over" : " exactly"));
      scratch_dir dir("pack-limit");
      // The second file fills the archive to its limit (or passes it by one byte); the third
      // one, of one byte, passes it in any case.
      uint64_t first = 0x7FFFFFFF;
      uint64_t second = 0xFFFFFFFFull - (k.header + 4) - 2 * k.per_file - first + over;
      uint64_t sizes[] = {first, second, 1};
      for (int i = 0; i < 3; ++i) {
        write_file(dir.file(k.files[i]), bytes());
        std::error_code ec;
        fs::resize_file(dir.file(k.files[i]), sizes[i], ec);
        ASSERT_FALSE(ec) << ec.message();
      }
      EXPECT_EQ(pack(k.command, dir.file("arc"), dir.path(), 2, 1), 13u);
      EXPECT_STREQ(failed, k.files[over ? 1 : 2].c_str());
      release_entry_lists();
    }
  }
}

TEST(Pack, AnOlderArchiveIsReplacedOnlyOnSuccess) {
  scratch_dir dir("pack-keep");
  std::string archive = dir.file("train.fz2");
  make_files(dir, {"12345-01.fz2", "12345-02.fz2"});  // 12 bytes each
  bool replace_on_write = false;
  auto collect_and_write = [&](uint64_t second_size) {
    reset_packing_state();
    replace_archive = replace_on_write;
    archive_length = VEHICLE_HEADER_SIZE + 4;
    testing::internal::CaptureStdout();
    add_vehicle_file(dir.path().c_str(), "12345-01.fz2", 12, 0, 0, 0, 0);
    add_vehicle_file(dir.path().c_str(), "12345-02.fz2", second_size, 0, 0, 0, 0);
    auto header = [](stream s, int zoom, int) { return write_vehicle_header(s, zoom); };
    unsigned rc = write_archive(archive.c_str(), 2, 0, 0, header, write_vehicle_directory,
                                copy_vehicle_data);
    testing::internal::GetCapturedStdout();
    return rc;
  };
  // A file that shrank after collection, or vanished: 4, no archive and no temporary file, and
  // an archive that stood there before keeps its content.
  EXPECT_EQ(collect_and_write(13), 4u);
  EXPECT_EQ(list_names(dir.path()), (names{"12345-01.fz2", "12345-02.fz2"}));
  write_file(archive, text_bytes("OLD"));
  fs::remove(dir.file("12345-02.fz2"));
  EXPECT_EQ(collect_and_write(12), 4u);
  EXPECT_EQ(read_file(archive), text_bytes("OLD"));
  EXPECT_EQ(list_names(dir.path()), (names{"12345-01.fz2", "train.fz2"}));

  // A file that grew would be stored cut short: 4 as well.
  write_file(dir.file("12345-02.fz2"), text_bytes("12345-02.fz2 and more"));
  EXPECT_EQ(collect_and_write(12), 4u);
  EXPECT_EQ(read_file(archive), text_bytes("OLD"));

  // Without option O the old archive is not replaced at the last step either: 3. With O it is.
  write_file(dir.file("12345-02.fz2"), text_bytes("12345-02.fz2"));
  EXPECT_EQ(collect_and_write(12), 3u);
  EXPECT_EQ(read_file(archive), text_bytes("OLD"));
  EXPECT_EQ(list_names(dir.path()), (names{"12345-01.fz2", "12345-02.fz2", "train.fz2"}));
  replace_on_write = true;
  EXPECT_EQ(collect_and_write(12), 0u);
  bytes written = read_file(archive);
  ASSERT_EQ(written.size(), 35 + 2 * 12 + 4 + 2 * (16 + 12u));
  EXPECT_EQ(bytes(written.end() - 12, written.end()), text_bytes("12345-02.fz2"));
}

// Packed in Berlin, files dated in summer and in winter keep the hour of their own date's offset
// whatever the season of the packing: the archive is the same, byte for byte, from either build.
TEST(Pack, StampsByTheRulesOfTheirDateInBerlin) {
  berlin_zone zone;
  if (!zone.in_zone()) GTEST_SKIP() << "the zone Europe/Berlin cannot be had";
  scratch_dir dir("pack-berlin");
  std::string gfx = make_folder(dir, "gfx");
  write_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA"));
  write_file(join(gfx, "12345-04.fz2"), text_bytes("BBB"));
  ASSERT_TRUE(set_utc_time(join(gfx, "12345-03.fz2"), 1782907200));  // 2026-07-01 12:00 UTC
  ASSERT_TRUE(set_utc_time(join(gfx, "12345-04.fz2"), 1768478400));  // 2026-01-15 12:00 UTC
  const std::string archive = dir.file("loco.fz2");
  ASSERT_EQ(pack('V', archive, gfx, 2), 0u);
  bytes expected = archive_image(vehicle_header('2', true), {{{12345, 3}, text_bytes("AAAAA")},
                                                             {{12345, 4}, text_bytes("BBB")}});
  // The records' stamps, in order: 14:00 summer time, 13:00 winter time.
  const uint32_t stamps[] = {0x5CE17000u, 0x5C2F6800u};
  bytes image_stamp;
  put32(image_stamp, IMAGE_STAMP);
  auto at = expected.begin();
  for (uint32_t stamp : stamps) {
    at = std::search(at, expected.end(), image_stamp.begin(), image_stamp.end());
    ASSERT_NE(at, expected.end());
    bytes b;
    put32(b, stamp);
    std::copy(b.begin(), b.end(), at);
  }
  EXPECT_EQ(read_file(archive), expected);
}
