// Extraction of archive images made by hand: rebuilt names, refused arguments and archives, and
// output failures. Options O and S, a cut archive, zoom digit 3 and a too-long output path are
// checked on the built program (test_end_to_end.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/extract.h"
#include "console/catalogue.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

enum { OVERWRITE = 1, SIMULATE = 2 };

int32_t found, extracted, skipped;

unsigned extract(const std::string &archive, const std::string &dir, int flags = 0) {
  found = extracted = skipped = 99;
  language_index = LANGUAGE_ENGLISH;
  testing::internal::CaptureStdout();
  unsigned rc = extract_archive(archive.c_str(), dir.c_str(), flags & OVERWRITE, &skipped,
                                &extracted, &found, flags & SIMULATE);
  testing::internal::GetCapturedStdout();
  return rc;
}

// Writes an archive image under `archive` in `dir` and extracts it into a fresh folder "o",
// expecting result `rc`; the names that stand in the folder afterwards.
names extract_image(const scratch_dir &dir, const std::string &archive, const bytes &image,
                    unsigned rc = 0) {
  write_file(dir.file(archive), image);
  fs::remove_all(dir.file("o"));
  std::string out = make_folder(dir, "o");
  EXPECT_EQ(extract(dir.file(archive), out), rc) << archive;
  return list_names(out);
}

}  // namespace

TEST(Extract, VehicleNamesCarryTheBaseNameOnlyForSmallNumbers) {
  scratch_dir dir("extract-vehicle");
  std::vector<record> records = {{{1, 3}, text_bytes("one")}, {{10, 16}, text_bytes("ten")}};
  EXPECT_EQ(extract_image(dir, "loco.fz4", archive_image(vehicle_header('4', true), records)),
            (names{"loco-01-03.fz4", "loco-10-16.fz4"}));
  EXPECT_EQ(read_file(join(dir.file("o"), "loco-10-16.fz4")), text_bytes("ten"));
  EXPECT_EQ(stamp_of(join(dir.file("o"), "loco-01-03.fz4")), IMAGE_STAMP);
  EXPECT_TRUE(found == 2 && extracted == 2 && skipped == 0);

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
      {7, 1, 0x30004, "", 4, 0, 0, 0, "h007-001d.gz4"},
      {7, 1, 0x4001A, "", 4, 0, 0, 0, "b007-001z.gz4"},
      {49152, 0, 0, "", 4, 1, 5, 0, "049152-01a.gz4"},
      {49152, 0, 0, "", 2, -1, 4, 0, "049152d.gz2"},
      {1636, 0, 0, "", 2, 0, 0, 0, "m3-100-0.gz2"},  // the m kind packs back to its entry
      {7, 1, 0x5001A, "", 2, 0, 0, 2, nullptr},      // no kind letter beyond "b"
      {7, 1, 0x1001B, "", 2, 0, 0, 2, nullptr},      // a suffix beyond "z"
      {7, 0, 0, "park", 3, 0, 0, 2, nullptr},
  };
  char out[NAME_BUFFER_SIZE];
  for (const auto &c : cases) {
    int rc = build_scenery_name(c.number, c.sub, c.kind_letter, c.base, c.zoom, out, c.part,
                                c.part_letter);
    EXPECT_EQ(rc, c.rc) << c.number;
    if (c.name != nullptr) {
      EXPECT_STREQ(out, c.name);
    }
  }
  EXPECT_EQ(build_scenery_name(1, 0, 0, "", 2, nullptr, 0, 0), 2);
  EXPECT_EQ(build_scenery_name(1, 0, 0, std::string(250, 'p').c_str(), 2, out, 0, 0), 2);
}

TEST(Extract, RefusedArgumentsAndArchives) {
  scratch_dir dir("extract-refused");
  std::string out = make_folder(dir, "o");
  // 5 leaves the counters as they were; 1 and 2 set them to 0.
  for (const std::string &name : {std::string(200, 'a'), dir.file("*.fz2"), dir.file(".fz2"),
                                   dir.file("a?.gz2")}) {
    EXPECT_EQ(extract(name, out), 5u) << name;
    EXPECT_EQ(found, 99);
  }
  int32_t n = 0;
  EXPECT_EQ(extract_archive(nullptr, out.c_str(), 0, &n, &n, &n, 0), 5u);
  EXPECT_EQ(extract_archive("a.fz2", nullptr, 0, &n, &n, &n, 0), 5u);
  EXPECT_EQ(extract(std::string(199, 'a'), out), 1u);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(extract(join(dir.file("d*r"), "a.fz2"), out), 1u);  // only the last component counts

  // Headers that are not recognised give 2 as well (test_archive.cpp).
  record s1 = {{1, 0, 0x10000, 0, 0}, text_bytes("1")};
  bytes cut_directory = archive_image(vehicle_header('2', true),
                                      {{{1, 2}, text_bytes("x")}, {{1, 3}, text_bytes("y")}});
  cut_directory.resize(vehicle_header('2', true).size() + 12);  // behind the first entry
  const bytes refused[] = {
      cut_directory,
      archive_image(scenery_header("UZX", '0'), {}),  // no names for zoom 0, even when empty
      archive_image(scenery_header("GZX", '2'), {s1, {{2, 0, 0x50000, 0, 0}, text_bytes("2")}}),
      archive_image(scenery_header("GZX", '2'), {s1, {{2, 0, 0x1001B, 0, 0}, text_bytes("2")}}),
  };
  for (size_t i = 0; i < sizeof refused / sizeof refused[0]; ++i) {
    // Only the two with a bad second entry have written their good first one.
    names written = i < 2 ? names() : names{"s001-000a.gz2"};
    EXPECT_EQ(extract_image(dir, "a.gz2", refused[i], 2), written) << i;
    EXPECT_EQ(found + extracted + skipped, 0) << i;
  }
}

TEST(Extract, OutputFailuresGive4) {
  scratch_dir dir("extract-output");
  std::string archive = dir.file("x.fz2");
  write_file(archive, archive_image(vehicle_header('2', true), {{{12345, 3}, text_bytes("new")}}));
  // The output folder is not created; a simulated run does not notice that it is missing.
  EXPECT_EQ(extract(archive, dir.file("missing")), 4u);
  EXPECT_EQ(found + extracted + skipped, 0);
  EXPECT_EQ(extract(archive, dir.file("missing"), SIMULATE), 0u);
  EXPECT_FALSE(fs::exists(dir.file("missing")));
}
