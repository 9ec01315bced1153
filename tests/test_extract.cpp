#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/extract.h"
#include "driver/catalogue.h"
#include "pack/pack.h"
#include "platform/platform.h"
#include "tests/e2e_support.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

const uint32_t STAMP = 0x3E4E53C0u;  // 2011-02-14 10:30:00 local time

void put32(bytes &b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}

bytes vehicle_header(char zoom, bool current) {
  bytes b = text_bytes(std::string("XQ KARV Vehicle gfx Zoom") + zoom + "\x1A");
  if (current) b.push_back(0x00);
  for (char c : std::string("FZX") + zoom) b.push_back((uint8_t)c);
  if (current) put32(b, 0x03860000u);
  return b;
}

bytes scenery_header(const char *magic, char zoom, bool marker = false) {
  bytes b = text_bytes(std::string("XQ KARV Scenery gfx Zoom") + zoom + "\r\ncreated by VORAX\x1A");
  if (marker) b.push_back(0x00);
  for (char c : std::string(magic) + zoom) b.push_back((uint8_t)c);
  return b;
}

struct record {
  std::vector<uint32_t> keys;
  bytes data;
};

// A whole archive image: the header, the directory with correct offsets and the end mark, and
// one record per entry, each stamped STAMP.
bytes archive_image(bytes b, const std::vector<record> &records, uint32_t end_mark = 0xFFFFFFFFu) {
  uint32_t entry = records.empty() ? 4 : (uint32_t)records[0].keys.size() * 4 + 4;
  uint32_t running = (uint32_t)records.size() * entry + 4;
  for (const record &r : records) {
    for (uint32_t k : r.keys) put32(b, k);
    running -= entry;
    put32(b, running);
    running += (uint32_t)r.data.size() + entry + 4;
  }
  put32(b, end_mark);
  for (const record &r : records) {
    for (uint32_t k : r.keys) put32(b, k);
    put32(b, (uint32_t)r.data.size());
    put32(b, STAMP);
    b.insert(b.end(), r.data.begin(), r.data.end());
  }
  return b;
}

enum { OVERWRITE = 1, SIMULATE = 2 };

struct counts {
  int32_t found = 99, extracted = 99, skipped = 99;
};
counts got;
std::string printed;

// The three counters as "found/extracted/skipped".
std::string tally() {
  return std::to_string(got.found) + "/" + std::to_string(got.extracted) + "/" +
         std::to_string(got.skipped);
}

// A file's last-write time as a stamp (DOS date high, DOS time low); 0 when it cannot be read.
uint32_t stamp_of(const std::string &path) {
  uint16_t date = 0, time = 0;
  return get_local_time(path, &date, &time) ? (uint32_t)date << 16 | time : 0;
}

unsigned extract(const std::string &archive, const std::string &dir, int flags = 0) {
  got = counts();
  language_index = LANGUAGE_ENGLISH;  // the texts compared below are English
  testing::internal::CaptureStdout();
  unsigned rc = extract_archive(archive.c_str(), dir.c_str(), flags & OVERWRITE, &got.skipped,
                                &got.extracted, &got.found, flags & SIMULATE);
  printed = testing::internal::GetCapturedStdout();
  return rc;
}

// Names in a folder, with no temporary file left behind.
std::vector<std::string> names_in(const std::string &folder) {
  std::vector<std::string> names = list_names(folder);
  for (const std::string &name : names) EXPECT_NE(name.rfind(".vx", 0), 0u) << name;
  return names;
}

std::string fresh_folder(const scratch_dir &dir, const std::string &name) {
  fs::remove_all(dir.file(name));
  fs::create_directory(dir.file(name));
  return dir.file(name);
}

typedef std::vector<std::string> names;

// Writes an archive image under `archive` and extracts it into a fresh folder "o" of `dir`,
// expecting result `rc`; the names that stand in the folder afterwards.
names extract_image(const scratch_dir &dir, const std::string &archive, const bytes &image,
                    unsigned rc = 0) {
  write_file(dir.file(archive), image);
  std::string out = fresh_folder(dir, "o");
  EXPECT_EQ(extract(dir.file(archive), out), rc) << archive;
  return names_in(out);
}

}  // namespace

TEST(Extract, VehicleNamesCarryTheBaseNameOnlyForSmallNumbers) {
  scratch_dir dir("extract-vehicle");
  std::vector<record> records = {{{1, 3}, text_bytes("one")}, {{10, 16}, text_bytes("ten")}};
  EXPECT_EQ(extract_image(dir, "loco.fz4", archive_image(vehicle_header('4', true), records)),
            (names{"loco-01-03.fz4", "loco-10-16.fz4"}));
  EXPECT_EQ(read_file(join(dir.file("o"), "loco-10-16.fz4")), text_bytes("ten"));
  EXPECT_EQ(stamp_of(join(dir.file("o"), "loco-01-03.fz4")), STAMP);
  EXPECT_EQ(tally(), "2/2/0");

  // One first number above 10 switches every name of the archive to the numbered form.
  records.push_back({{11, 0}, text_bytes("eleven")});
  EXPECT_EQ(extract_image(dir, "loco.fz4", archive_image(vehicle_header('4', true), records)),
            (names{"00001-03.fz4", "00010-16.fz4", "00011-00.fz4"}));
  // The older layout never carries the base name; its packed number keeps its sign.
  bytes older = archive_image(vehicle_header('2', false),
                              {{{3 * 16 + 5}, text_bytes("a")}, {{0xFFFFFFF5u}, text_bytes("b")}},
                              0);
  EXPECT_EQ(extract_image(dir, "loco.fz2", older), (names{"-0001-05.fz2", "00003-05.fz2"}));
  // A zoom digit other than 2 gives "fz4".
  bytes zoom7 = archive_image(vehicle_header('7', true), {{{12345, 1}, text_bytes("z")}});
  EXPECT_EQ(extract_image(dir, "loco.fz2", zoom7), (names{"12345-01.fz4"}));
}

TEST(Extract, SceneryNameForms) {
  struct { int32_t number, sub; uint32_t kind_letter; const char *base; int zoom;
           int32_t part, part_letter; int rc; const char *name; } cases[] = {
      {5, 0, 0, "park", 2, 12, 2, 1, "park-05-12b.gz2"},
      {5, 0, 0, "park", 2, -1, 0, 1, "park-05a.gz2"},
      {123, 45, 0x10001, "", 1, 0, 0, 0, "s123-045a.gz1"},
      {16383, 0, 0x10000, "", 2, 7, 3, 0, "s16383-000a.gz2"},
      {16384, 9, 0x10002, "", 2, 0, 0, 0, "016384-00a.gz2"},
      {42, 7, 0x20003, "", 2, 0, 0, 0, "t042-007c.gz2"},
      {7, 1, 0x40004, "", 4, 0, 0, 0, "b007-001d.gz4"},
      {7, 1, 0x1001A, "", 4, 0, 0, 0, "s007-001z.gz4"},
      {49152, 0, 0, "", 4, 1, 5, 0, "049152-01a.gz4"},
      {49152, 0, 0, "", 2, -1, 4, 0, "049152d.gz2"},
      {1636, 0, 0, "", 2, 0, 0, 0, "m3-100-0.gz2"},
      {7, 1, 0x5001A, "", 2, 0, 0, 2, nullptr},   // no kind letter beyond "b"
      {7, 1, 0x1001B, "", 2, 0, 0, 2, nullptr},   // a suffix beyond "z"
      {7, 0, 0, "park", 3, 0, 0, 2, nullptr},
  };
  for (const auto &c : cases) {
    char out[NAME_BUFFER_SIZE];
    int rc = build_scenery_name(c.number, c.sub, c.kind_letter, c.base, c.zoom, out, c.part,
                                c.part_letter);
    EXPECT_EQ(rc, c.rc) << c.number;
    if (c.name != nullptr) {
      EXPECT_STREQ(out, c.name);
    }
  }
  EXPECT_EQ(build_scenery_name(1, 0, 0, "", 2, nullptr, 0, 0), 2);
  char out[NAME_BUFFER_SIZE];
  EXPECT_EQ(build_scenery_name(1, 0, 0, std::string(250, 'p').c_str(), 2, out, 0, 0), 2);

  // The m-kind name packs back to the entry it came from.
  scenery_keys keys;
  ASSERT_EQ(parse_scenery_name("m3-100-0.gz2", 0, 0, &keys), 0);
  EXPECT_EQ(keys.number, 1636);
  EXPECT_EQ(keys.kind_letter, 0u);

  // Through whole archives: "UZX" keeps the archive's base name, "GZX" with a marker reads.
  scratch_dir dir("extract-scenery");
  bytes uzx = archive_image(scenery_header("UZX", '2'), {{{5, 0, 0, 12, 2}, text_bytes("p")}});
  EXPECT_EQ(extract_image(dir, "park.uz2", uzx), (names{"park-05-12b.gz2"}));
  bytes gzx = archive_image(scenery_header("GZX", '2', true), {{{42, 7, 0x20003, 0, 0}, {1}}});
  EXPECT_EQ(extract_image(dir, "park.gz2", gzx), (names{"t042-007c.gz2"}));
}

TEST(Extract, OptionsOverwriteAndSimulate) {
  scratch_dir dir("extract-options");
  std::string archive = dir.file("x.fz2");
  write_file(archive, archive_image(vehicle_header('2', true),
                                    {{{12345, 3}, text_bytes("AAAAA")},
                                     {{12345, 4}, text_bytes("BBB")},
                                     {{12345, 5}, text_bytes("CCCCCCC")}}));
  std::string out = fresh_folder(dir, "o");
  write_file(join(out, "12345-04.fz2"), text_bytes("OLD"));
  std::string listing = join(out, "12345-03.fz2 Length=5\n") +
                        join(out, "12345-04.fz2 Length=3\nFile already exists\n") +
                        join(out, "12345-05.fz2 Length=7\n");

  ASSERT_EQ(extract(archive, out, SIMULATE), 0u);
  EXPECT_EQ(printed, listing);
  EXPECT_EQ(names_in(out), (names{"12345-04.fz2"}));
  EXPECT_EQ(tally(), "3/0/3");

  ASSERT_EQ(extract(archive, out, SIMULATE | OVERWRITE), 0u);
  EXPECT_EQ(printed.find("File already exists"), std::string::npos);
  EXPECT_EQ(names_in(out), (names{"12345-04.fz2"}));
  EXPECT_EQ(tally(), "3/0/3");

  ASSERT_EQ(extract(archive, out), 0u);
  EXPECT_EQ(printed, listing);
  EXPECT_EQ(read_file(join(out, "12345-04.fz2")), text_bytes("OLD"));
  EXPECT_EQ(read_file(join(out, "12345-05.fz2")), text_bytes("CCCCCCC"));
  EXPECT_EQ(tally(), "3/2/1");

  ASSERT_EQ(extract(archive, out, OVERWRITE), 0u);
  EXPECT_EQ(read_file(join(out, "12345-04.fz2")), text_bytes("BBB"));
  EXPECT_EQ(stamp_of(join(out, "12345-04.fz2")), STAMP);
  EXPECT_EQ(tally(), "3/3/0");
}

TEST(Extract, RefusedArgumentsAndArchives) {
  scratch_dir dir("extract-refused");
  std::string out = fresh_folder(dir, "o");
  // 5 leaves the counters as they were; 1 and 2 set them to 0.
  for (const std::string &name : {std::string(200, 'a'), dir.file("*.fz2"), dir.file(".fz2"),
                                   dir.file("a?.gz2")}) {
    EXPECT_EQ(extract(name, out), 5u) << name;
    EXPECT_EQ(got.found, 99);
  }
  int32_t n = 0;
  EXPECT_EQ(extract_archive(nullptr, out.c_str(), 0, &n, &n, &n, 0), 5u);
  EXPECT_EQ(extract_archive("a.fz2", nullptr, 0, &n, &n, &n, 0), 5u);
  EXPECT_EQ(extract(std::string(199, 'a'), out), 1u);
  EXPECT_EQ(got.found, 0);
  EXPECT_EQ(extract(join(dir.file("d*r"), "a.fz2"), out), 1u);  // only the last component counts

  record s1 = {{1, 0, 0x10000, 0, 0}, text_bytes("1")};
  bytes wrong_stamp = vehicle_header('2', true);
  wrong_stamp.back() ^= 0x80;
  bytes cut_directory = archive_image(vehicle_header('2', true), {{{1, 2}, text_bytes("x")}});
  cut_directory.resize(vehicle_header('2', true).size() + 10);
  const bytes refused[] = {
      text_bytes("XQ KARV Scenery gfx Zoom2 GZX2"),
      archive_image(scenery_header("GZY", '2'), {s1}),
      archive_image(wrong_stamp, {}),
      cut_directory,
      archive_image(scenery_header("GZX", '3'), {s1}),  // no names for zoom 3: nothing written
      archive_image(scenery_header("UZX", '0'), {}),    // refused even when empty
      archive_image(scenery_header("GZX", '2'), {s1, {{2, 0, 0x50000, 0, 0}, text_bytes("2")}}),
      archive_image(scenery_header("GZX", '2'), {s1, {{2, 0, 0x1001B, 0, 0}, text_bytes("2")}}),
  };
  for (size_t i = 0; i < sizeof refused / sizeof refused[0]; ++i) {
    // Only the two with a bad second entry have written their good first one.
    names written = i < 6 ? names() : names{"s001-000a.gz2"};
    EXPECT_EQ(extract_image(dir, "a.gz2", refused[i], 2), written) << i;
    EXPECT_EQ(got.found, 0) << i;
  }
}

TEST(Extract, OutputFailuresGive4) {
  scratch_dir dir("extract-output");
  std::string archive = dir.file("x.fz2");
  write_file(archive, archive_image(vehicle_header('2', true), {{{12345, 3}, text_bytes("new")}}));
  std::string out = fresh_folder(dir, "o");
  std::string existing = join(out, "12345-03.fz2");
  write_file(existing, text_bytes("OLD"));
  fs::permissions(existing, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(extract(archive, out, OVERWRITE), 4u);
  EXPECT_EQ(tally(), "0/0/0");
  EXPECT_EQ(read_file(existing), text_bytes("OLD"));
  EXPECT_EQ(names_in(out).size(), 1u);

  // The output folder is not created; a simulated run does not notice that it is missing.
  EXPECT_EQ(extract(archive, dir.file("missing")), 4u);
  EXPECT_EQ(extract(archive, dir.file("missing"), SIMULATE), 0u);

  // An output path that would not fit 260 characters is refused at its entry, never cut:
  // "s001-000a.gz2" fits exactly, the longer "049152-00a.gz2" behind it does not.
  archive = dir.file("x.gz2");
  write_file(archive, archive_image(scenery_header("GZX", '2'),
                                    {{{1, 0, 0x10000, 0, 0}, text_bytes("1")},
                                     {{49152, 0, 0, 0, 0}, text_bytes("2")}}));
  out = dir.file(std::string(245 - dir.path().size() - 1, 'o'));
  ASSERT_EQ(out.size(), 245u);
  fs::create_directory(out);
  EXPECT_EQ(extract(archive, out), 4u);
  EXPECT_EQ(names_in(out), (names{"s001-000a.gz2"}));
}

TEST(Extract, ArchiveCutInItsLastRecordKeepsTheEarlierFilesOnly) {
  scratch_dir dir("extract-cut");
  std::string archive = dir.file("x.fz2");
  bytes image = archive_image(vehicle_header('2', true),
                              {{{12345, 3}, text_bytes("AAAAA")}, {{12345, 4}, text_bytes("BBB")}});
  image.pop_back();
  write_file(archive, image);
  std::string out = fresh_folder(dir, "o");
  EXPECT_EQ(extract(archive, out), 2u);
  EXPECT_EQ(names_in(out), (names{"12345-03.fz2"}));
  EXPECT_EQ(stamp_of(join(out, "12345-03.fz2")), STAMP);

  // With O, a file that stood under the last name keeps its content.
  write_file(join(out, "12345-04.fz2"), text_bytes("OLD"));
  EXPECT_EQ(extract(archive, out, OVERWRITE), 2u);
  EXPECT_EQ(read_file(join(out, "12345-04.fz2")), text_bytes("OLD"));
  EXPECT_EQ(names_in(out).size(), 2u);
}
