// End-to-end tests: the built program runs on small folders made here, and the tests check its
// exit status, its console output, its notices and the files it writes, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "examples/sample_gfx.h"
#include "tests/e2e_support.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

typedef std::vector<std::string> args;

const uint16_t EXAMPLE_DATE = 0x3E4E;  // 14 February 2011
const uint16_t EXAMPLE_TIME = 0x53C0;  // 10:30:00

std::string make_folder(const scratch_dir &dir, const std::string &name) {
  std::string path = dir.file(name);
  fs::create_directories(path);
  return path;
}

// Writes a file and gives it a last-write time; false when the time cannot be set.
bool put_file(const std::string &path, const bytes &content, uint16_t date = EXAMPLE_DATE,
              uint16_t time = EXAMPLE_TIME) {
  write_file(path, content);
  return set_local_time(path, date, time);
}

std::pair<uint16_t, uint16_t> local_time_of(const std::string &path) {
  uint16_t date = 0, time = 0;
  get_local_time(path, &date, &time);
  return std::make_pair(date, time);
}

bytes vehicle_file(const std::string &label, uint32_t seed, size_t pixels = 120) {
  sample_vehicle_header header = {0x0385, 0x0012, 0x0100, 120, 40, 30, 44};
  return make_vehicle_gfx(label, header, pixels, seed);
}

bytes scenery_file(const std::string &label, uint32_t seed, size_t pixels = 90) {
  return make_scenery_gfx(label, pixels, seed);
}

std::string done(const std::string &text) { return notice("Done/ready", text); }
std::string error(const std::string &text) { return notice("Error", text); }

std::string packed(int count) { return done("Packed: " + std::to_string(count) + " files"); }

std::string extracted(int found, int written, int skipped) {
  return done("Files found: " + std::to_string(found) + "  extracted: " + std::to_string(written) +
              "  skipped: " + std::to_string(skipped));
}

std::string console_lines(const std::vector<std::string> &lines) {
  std::string out;
  for (const std::string &line : lines) out += line + "\n";
  return out;
}

bool starts_with(const std::string &text, const std::string &start) {
  return text.compare(0, start.size(), start) == 0;
}

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The worked vehicle example: two files of 5 "A" and 3 "B", 103 archive bytes.
const char *const VEHICLE_EXAMPLE =
    "58 51 20 4B 41 52 56 20 56 65 68 69 63 6C 65 20 67 66 78 20 5A 6F 6F 6D"
    "32 1A 00 46 5A 58 32 00 00 86 03"
    "39 30 00 00 03 00 00 00 10 00 00 00"
    "39 30 00 00 04 00 00 00 19 00 00 00"
    "FF FF FF FF"
    "39 30 00 00 03 00 00 00 05 00 00 00 C0 53 4E 3E"
    "41 41 41 41 41"
    "39 30 00 00 04 00 00 00 03 00 00 00 C0 53 4E 3E"
    "42 42 42";

// The worked scenery example: S1 with one file s123-45a.gz1 of 2 bytes, 106 archive bytes.
const char *const SCENERY_EXAMPLE =
    "58 51 20 4B 41 52 56 20 53 63 65 6E 65 72 79 20 67 66 78 20 5A 6F 6F 6D"
    "31 0D 0A 63 72 65 61 74 65 64 20 62 79 20 56 4F 52 41 58 1A 47 5A 58 31"
    "7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 04 00 00 00"
    "FF FF FF FF"
    "7B 00 00 00 2D 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 02 00 00 00 C0 53 4E 3E"
    "73 7A";

}  // namespace

TEST(EndToEndWorkedExample, VehicleArchiveBytesAndConsole) {
  scratch_dir dir("e2e-vex");
  std::string gfx = make_folder(dir, "gfx");
  ASSERT_TRUE(put_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA")));
  ASSERT_TRUE(put_file(join(gfx, "12345-04.fz2"), text_bytes("BBB")));

  program_run pack = run_vorax_program({"V2", gfx, dir.file("train")});
  EXPECT_EQ(0, pack.status);
  EXPECT_EQ(banner() + console_lines({"Copying files", join(gfx, "12345-03.fz2"),
                                      join(gfx, "12345-04.fz2")}),
            pack.out);
  EXPECT_EQ(packed(2), pack.err);
  EXPECT_EQ(hex_bytes(VEHICLE_EXAMPLE), read_file(dir.file("train.fz2")));

  // Extraction into a folder where the second file exists already: it is reported and kept.
  std::string out = make_folder(dir, "out");
  write_file(join(out, "12345-04.fz2"), text_bytes("old"));
  program_run extract = run_vorax_program({"X", out, dir.file("train.fz2")});
  EXPECT_EQ(0, extract.status);
  EXPECT_EQ(banner() + console_lines({join(out, "12345-03.fz2") + " Length=5",
                                      join(out, "12345-04.fz2") + " Length=3",
                                      "File already exists"}),
            extract.out);
  EXPECT_EQ(extracted(2, 1, 1), extract.err);
  EXPECT_EQ(text_bytes("AAAAA"), read_file(join(out, "12345-03.fz2")));
  EXPECT_EQ(std::make_pair(EXAMPLE_DATE, EXAMPLE_TIME), local_time_of(join(out, "12345-03.fz2")));
  EXPECT_EQ(text_bytes("old"), read_file(join(out, "12345-04.fz2")));
  EXPECT_EQ((std::vector<std::string>{"12345-03.fz2", "12345-04.fz2"}), list_names(out));
}

TEST(EndToEndWorkedExample, SceneryArchiveBytes) {
  scratch_dir dir("e2e-sex");
  std::string gfx = make_folder(dir, "gfx");
  ASSERT_TRUE(put_file(join(gfx, "s123-45a.gz1"), text_bytes("sz")));

  program_run pack = run_vorax_program({"S1", gfx, dir.file("land")});
  EXPECT_EQ(0, pack.status);
  EXPECT_EQ(packed(1), pack.err);
  EXPECT_EQ(hex_bytes(SCENERY_EXAMPLE), read_file(dir.file("land.gz1")));

  // The name comes back in its fixed form, with three-digit numbers.
  std::string out = make_folder(dir, "out");
  program_run extract = run_vorax_program({"X", out, dir.file("land.gz1")});
  EXPECT_EQ(0, extract.status);
  EXPECT_EQ(extracted(1, 1, 0), extract.err);
  EXPECT_EQ(text_bytes("sz"), read_file(join(out, "s123-045a.gz1")));
  EXPECT_EQ(std::make_pair(EXAMPLE_DATE, EXAMPLE_TIME), local_time_of(join(out, "s123-045a.gz1")));
}

// Pack, extract, compare names, bytes and last-write times, for every command and zoom level.
// The names are chosen in the form extraction rebuilds, so that every file comes back as it was.
TEST(EndToEndRoundTrip, EveryCommandAndZoom) {
  struct round_trip {
    const char *command;
    const char *archive;    // base name; the program adds the default extension
    const char *extension;  // of the archive
    std::vector<std::string> names;
    bool vehicle;
  };
  const round_trip cases[] = {
      {"V2", "train", ".fz2", {"10412-00.fz2", "10412-01.fz2", "31570-16.fz2"}, true},
      {"V4", "train", ".fz4", {"10412-00.fz4", "20001-03.fz4"}, true},
      {"W2", "loco", ".fz2", {"loco-01-00.fz2", "loco-01-01.fz2", "loco-09-16.fz2"}, true},
      {"W4", "loco", ".fz4", {"loco-00-00.fz4", "loco-03-12.fz4"}, true},
      {"S1", "land", ".gz1", {"s123-045a.gz1", "t042-007c.gz1", "049152-01a.gz1"}, false},
      {"S2",
       "land",
       ".gz2",
       {"h005-002b.gz2", "b16383-000a.gz2", "m3-100-0.gz2", "065535-99d.gz2"},
       false},
      {"S4", "land", ".gz4", {"s123-045b.gz4", "050000-12a.gz4"}, false},
      {"U1", "park", ".uz1", {"park-05-12b.gz1", "park-89-99d.gz1"}, false},
      {"U2", "park", ".uz2", {"park-00-00a.gz2", "park-05-12b.gz2", "park-07-00c.gz2"}, false},
      {"U4", "park", ".uz4", {"park-05-12b.gz4"}, false},
  };
  // Winter, summer (daylight saving time where there is one) and a recent date; even seconds.
  const uint16_t dates[] = {0x3E4E, 0x3EEF, 0x5A9C, 0x1021};
  const uint16_t times[] = {0x53C0, 0x0000, 0xBF7D, 0x6012};

  scratch_dir dir("e2e-trip");
  uint32_t seed = 100;
  for (const round_trip &c : cases) {
    SCOPED_TRACE(c.command);
    std::string gfx = make_folder(dir, std::string(c.command) + "-gfx");
    std::string out = make_folder(dir, std::string(c.command) + "-out");
    std::map<std::string, bytes> contents;
    size_t i = 0;
    for (const std::string &name : c.names) {
      bytes content = c.vehicle ? vehicle_file(name, seed++) : scenery_file(name, seed++);
      contents[name] = content;
      ASSERT_TRUE(put_file(join(gfx, name), content, dates[i % 4], times[i % 4]));
      ++i;
    }
    // W and U choose their files by the archive's base name, so each case has a folder of its own.
    std::string archive = join(make_folder(dir, std::string(c.command) + "-arch"), c.archive);

    program_run pack = run_vorax_program({c.command, gfx, archive});
    EXPECT_EQ(0, pack.status);
    EXPECT_EQ(packed((int)c.names.size()), pack.err);
    program_run extract = run_vorax_program({"X", out, archive + c.extension});
    EXPECT_EQ(0, extract.status);
    EXPECT_EQ(extracted((int)c.names.size(), (int)c.names.size(), 0), extract.err);

    std::vector<std::string> sorted = c.names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, list_names(out));
    i = 0;
    for (const std::string &name : c.names) {
      EXPECT_EQ(contents[name], read_file(join(out, name))) << name;
      EXPECT_EQ(std::make_pair(dates[i % 4], times[i % 4]), local_time_of(join(out, name))) << name;
      ++i;
    }
  }
}

// Names that extraction rebuilds in another form than the one they were packed under.
TEST(EndToEndRoundTrip, NamesComeBackInTheirFixedForm) {
  scratch_dir dir("e2e-names");
  std::string gfx = make_folder(dir, "gfx");
  const std::pair<const char *, const char *> scenery[] = {
      {"s123-45a.gz2", "s123-045a.gz2"},     // numbers widened
      {"t42-7.gz2", "t042-007a.gz2"},        // "a" stands in for a missing letter
      {"049152-1.gz2", "049152-01a.gz2"},    // plain kind: part with two digits
      {"065535c.gz2", "065535-00c.gz2"},     // letter right behind the number
  };
  uint32_t seed = 200;
  for (const auto &name : scenery) {
    ASSERT_TRUE(put_file(join(gfx, name.first), scenery_file(name.first, seed++)));
  }
  // A vehicle archive whose first numbers are all 10 or less counts as base-named.
  ASSERT_TRUE(put_file(join(gfx, "00005-01.fz2"), vehicle_file("5-1", seed++)));
  ASSERT_TRUE(put_file(join(gfx, "00010-02.fz2"), vehicle_file("10-2", seed++)));

  EXPECT_EQ(packed(4), run_vorax_program({"S2", gfx, dir.file("land")}).err);
  EXPECT_EQ(packed(2), run_vorax_program({"V2", gfx, dir.file("train")}).err);
  std::string out = make_folder(dir, "out");
  EXPECT_EQ(extracted(4, 4, 0), run_vorax_program({"X", out, dir.file("land.gz2")}).err);
  EXPECT_EQ(extracted(2, 2, 0), run_vorax_program({"X", out, dir.file("train.fz2")}).err);

  for (const auto &name : scenery) {
    EXPECT_EQ(read_file(join(gfx, name.first)), read_file(join(out, name.second))) << name.second;
  }
  EXPECT_EQ(read_file(join(gfx, "00005-01.fz2")), read_file(join(out, "train-05-01.fz2")));
  EXPECT_EQ(read_file(join(gfx, "00010-02.fz2")), read_file(join(out, "train-10-02.fz2")));
  EXPECT_EQ(6u, list_names(out).size());
}

TEST(EndToEndOptions, OverwriteReplacesArchiveAndFiles) {
  scratch_dir dir("e2e-opto");
  std::string gfx = make_folder(dir, "gfx");
  ASSERT_TRUE(put_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA")));
  ASSERT_TRUE(put_file(join(gfx, "12345-04.fz2"), text_bytes("BBB")));
  std::string archive = dir.file("train.fz2");
  write_file(archive, text_bytes("an older archive"));

  // Without O an existing archive is refused, also when only simulating.
  for (const char *options : {"", "S"}) {
    args command = {"V2", gfx, dir.file("train")};
    if (options[0] != '\0') command.push_back(options);
    program_run refused = run_vorax_program(command);
    EXPECT_EQ(1, refused.status);
    EXPECT_EQ(banner(), refused.out);
    EXPECT_EQ(error("Archive file \"" + archive + "\" already exists"), refused.err);
    EXPECT_EQ(text_bytes("an older archive"), read_file(archive));
  }

  program_run replaced = run_vorax_program({"V2", gfx, dir.file("train"), "-o"});
  EXPECT_EQ(0, replaced.status);
  EXPECT_EQ(packed(2), replaced.err);
  EXPECT_EQ(hex_bytes(VEHICLE_EXAMPLE), read_file(archive));

  // With O extraction writes over an existing file and says nothing about it.
  std::string out = make_folder(dir, "out");
  write_file(join(out, "12345-04.fz2"), text_bytes("old"));
  program_run extract = run_vorax_program({"X", out, archive, "/O"});
  EXPECT_EQ(0, extract.status);
  EXPECT_EQ(banner() + console_lines({join(out, "12345-03.fz2") + " Length=5",
                                      join(out, "12345-04.fz2") + " Length=3"}),
            extract.out);
  EXPECT_EQ(extracted(2, 2, 0), extract.err);
  EXPECT_EQ(text_bytes("BBB"), read_file(join(out, "12345-04.fz2")));
  EXPECT_EQ(std::make_pair(EXAMPLE_DATE, EXAMPLE_TIME), local_time_of(join(out, "12345-04.fz2")));
  EXPECT_EQ((std::vector<std::string>{"12345-03.fz2", "12345-04.fz2"}), list_names(out));
}

TEST(EndToEndOptions, SimulateWritesNothing) {
  scratch_dir dir("e2e-opts");
  std::string gfx = make_folder(dir, "gfx");
  ASSERT_TRUE(put_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA")));
  ASSERT_TRUE(put_file(join(gfx, "12345-04.fz2"), text_bytes("BBB")));
  ASSERT_TRUE(put_file(join(gfx, "t42-7.gz2"), text_bytes("T")));

  // Packing prints the same lines as a real run and reports the count, but creates nothing.
  program_run pack = run_vorax_program({"V2", gfx, dir.file("train"), "s"});
  EXPECT_EQ(0, pack.status);
  EXPECT_EQ(banner() + console_lines({"Copying files", join(gfx, "12345-03.fz2"),
                                      join(gfx, "12345-04.fz2")}),
            pack.out);
  EXPECT_EQ(packed(2), pack.err);
  program_run scenery = run_vorax_program({"S2", gfx, dir.file("land"), "S"});
  EXPECT_EQ(packed(1), scenery.err);
  EXPECT_EQ(std::vector<std::string>{}, list_names(dir.path()));

  // Extraction reads everything, still reports files that exist, and writes nothing.
  ASSERT_EQ(packed(2), run_vorax_program({"V2", gfx, dir.file("train")}).err);
  std::string out = make_folder(dir, "out");
  write_file(join(out, "12345-04.fz2"), text_bytes("old"));
  program_run extract = run_vorax_program({"X", out, dir.file("train.fz2"), "S"});
  EXPECT_EQ(0, extract.status);
  EXPECT_EQ(banner() + console_lines({join(out, "12345-03.fz2") + " Length=5",
                                      join(out, "12345-04.fz2") + " Length=3",
                                      "File already exists"}),
            extract.out);
  EXPECT_EQ(extracted(2, 0, 2), extract.err);
  EXPECT_EQ(std::vector<std::string>{"12345-04.fz2"}, list_names(out));
  EXPECT_EQ(text_bytes("old"), read_file(join(out, "12345-04.fz2")));

  // With O as well there is nothing to refuse, so no "File already exists" line.
  program_run both = run_vorax_program({"X", out, dir.file("train.fz2"), "OS"});
  EXPECT_EQ(banner() + console_lines({join(out, "12345-03.fz2") + " Length=5",
                                      join(out, "12345-04.fz2") + " Length=3"}),
            both.out);
  EXPECT_EQ(extracted(2, 0, 2), both.err);
  EXPECT_EQ(text_bytes("old"), read_file(join(out, "12345-04.fz2")));
}

TEST(EndToEndOptions, InfoPrintsHeadersAndStatistics) {
  scratch_dir dir("e2e-opti");
  std::string gfx = make_folder(dir, "gfx");
  // Views: bits 8 front 2, 10 side 2, 11 right doors, 12 left doors.
  const sample_vehicle_header all_views = {0x0385, 0x0012, 0x1D00, 120, 40, 30, 44};
  const sample_vehicle_header right_doors = {0x0383, 0x07, 0x0800, 64, 36, 28, 36};
  const sample_vehicle_header front_left = {0x0385, 0x0a21, 0x1100, 300, 52, 31, 1000};
  ASSERT_TRUE(put_file(join(gfx, "10412-00.fz2"), make_vehicle_gfx("a", all_views, 50, 1)));
  ASSERT_TRUE(put_file(join(gfx, "10412-01.fz2"), make_vehicle_gfx("b", right_doors, 50, 2)));
  ASSERT_TRUE(put_file(join(gfx, "10413-00.fz2"), make_vehicle_gfx("c", front_left, 50, 3)));

  program_run pack = run_vorax_program({"V2", gfx, dir.file("train"), "-I"});
  EXPECT_EQ(0, pack.status);
  EXPECT_EQ(banner() + console_lines({"Collecting files",
                                      join(gfx, "10412-00.fz2"),
                                      "0385 0012 l=120 hs=40 w=30 hf=44 f=2 s=2 d=2",
                                      join(gfx, "10412-01.fz2"),
                                      "0383 0007 l=64 hs=36 w=28 hf=36 f=1 s=1 d=R",
                                      join(gfx, "10413-00.fz2"),
                                      "0385 0a21 l=300 hs=52 w=31 hf=1000 f=2 s=1 d=L",
                                      "Copying files",
                                      join(gfx, "10412-00.fz2"),
                                      join(gfx, "10412-01.fz2"),
                                      join(gfx, "10413-00.fz2")}),
            pack.out);
  EXPECT_EQ(done("Packed: 3 files\n\n front2=2 side2=1 door2,r,l=1,1,1"), pack.err);
  EXPECT_TRUE(exists(dir.file("train.fz2")));

  // For scenery, I lists the collected files; the final message stays the plain count.
  ASSERT_TRUE(put_file(join(gfx, "t42-7.gz2"), text_bytes("T")));
  program_run scenery = run_vorax_program({"S2", gfx, dir.file("land"), "i"});
  EXPECT_EQ(banner() + console_lines({"Collecting files", join(gfx, "t42-7.gz2"), "Copying files",
                                      join(gfx, "t42-7.gz2")}),
            scenery.out);
  EXPECT_EQ(packed(1), scenery.err);
}

TEST(EndToEndFailures, UsageAndRefusedArchives) {
  scratch_dir dir("e2e-usage");
  const std::string usage_start = "Correct call:\nVORAX command directory filename [options]\n";
  const std::string usage_end = "Commands/Options case insensitive\n";

  const args usage_cases[] = {
      {},
      {"V2", dir.path()},
      {"Q2", dir.path(), dir.file("train")},
      {"V3", dir.path(), dir.file("train")},
      {"", dir.path(), dir.file("train")},
      // A directory or archive name that does not fit 260 characters is refused, never cut.
      {"V2", std::string(260, 'd'), dir.file("train")},
      {"X", dir.path(), std::string(260, 'a')},
  };
  for (const args &a : usage_cases) {
    SCOPED_TRACE(a.empty() ? std::string("no arguments") : a[0] + " " + std::to_string(a.size()));
    program_run run = run_vorax_program(a);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(banner(), run.out);
    EXPECT_TRUE(starts_with(run.err, usage_start)) << run.err;
    EXPECT_TRUE(ends_with(run.err, usage_end)) << run.err;
  }
  EXPECT_EQ(std::vector<std::string>{}, list_names(dir.path()));

  // 259 characters fit the field, but leave no room for the search pattern: result 5.
  program_run long_dir = run_vorax_program({"V2", std::string(259, 'd'), dir.file("train")});
  EXPECT_EQ(0, long_dir.status);
  EXPECT_EQ(error("Packing: rc=5"), long_dir.err);

  program_run missing = run_vorax_program({"X", dir.path(), dir.file("none.fz2")});
  EXPECT_EQ(1, missing.status);
  EXPECT_EQ(banner(), missing.out);
  EXPECT_EQ(error("Archive file \"" + dir.file("none.fz2") + "\" not opened"), missing.err);

  // V1 passes the command line but not the packer.
  program_run zoom1 = run_vorax_program({"V1", dir.path(), dir.file("train")});
  EXPECT_EQ(0, zoom1.status);
  EXPECT_EQ(error("Packing: rc=5"), zoom1.err);
  EXPECT_EQ(std::vector<std::string>{}, list_names(dir.path()));
}

TEST(EndToEndFailures, PackingAndExtractionResults) {
  scratch_dir dir("e2e-fail");
  std::string empty = make_folder(dir, "empty");
  std::string archives = make_folder(dir, "archives");

  program_run none = run_vorax_program({"V2", empty, join(archives, "train")});
  EXPECT_EQ(0, none.status);
  EXPECT_EQ(error("No file found"), none.err);
  // Scenery packing shows the notice itself, then the result shows it once more.
  EXPECT_EQ(error("No file found") + error("No file found"),
            run_vorax_program({"S2", empty, join(archives, "land")}).err);

  struct bad_file {
    const char *name;
    bytes content;
    const char *options;
    std::string message;
  };
  sample_vehicle_header wrong_version = {0x0384, 0x0012, 0, 1, 2, 3, 4};
  const bad_file cases[] = {
      {"12345-01.fz2", bytes(), "", "Error while reading: \"12345-01.fz2\""},
      {"12345-17.fz2", text_bytes("x"), "", "Data error: \"12345-17.fz2\""},
      {"abcde-01.fz2", text_bytes("x"), "", "Data error: \"abcde-01.fz2\""},
      {"12345-02.fz2", make_vehicle_gfx("v", wrong_version, 10, 1), "I",
       "Data error: \"12345-02.fz2\""},
      {"12345-03.fz2", text_bytes("no end of the text header"), "I",
       "Error while reading: \"12345-03.fz2\""},
  };
  for (const bad_file &c : cases) {
    SCOPED_TRACE(c.name);
    std::string gfx = make_folder(dir, std::string("gfx-") + c.name);
    ASSERT_TRUE(put_file(join(gfx, "10000-00.fz2"), vehicle_file("good", 1)));
    write_file(join(gfx, c.name), c.content);
    program_run run = run_vorax_program({"V2", gfx, join(archives, "train"), c.options});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(error(c.message), run.err);
    EXPECT_EQ(std::vector<std::string>{}, list_names(archives));
  }
  // Without option I the header is not read, so the wrong version packs.
  std::string gfx = make_folder(dir, "gfx-12345-02.fz2");
  EXPECT_EQ(packed(2), run_vorax_program({"V2", gfx, join(archives, "train")}).err);
  // An empty scenery file.
  write_file(join(gfx, "s1-1.gz2"), bytes());
  EXPECT_EQ(error("Error while reading: \"s1-1.gz2\""),
            run_vorax_program({"S2", gfx, join(archives, "land")}).err);

  program_run no_folder = run_vorax_program({"V2", gfx, join(join(dir.path(), "nowhere"), "t")});
  EXPECT_EQ(0, no_folder.status);
  EXPECT_EQ(error("No archive file created"), no_folder.err);

  write_file(join(archives, "text.fz2"), text_bytes("not an archive\x1A at all"));
  program_run not_archive = run_vorax_program({"X", empty, join(archives, "text.fz2")});
  EXPECT_EQ(0, not_archive.status);
  EXPECT_EQ(error("Extracting: rc=2"), not_archive.err);
  EXPECT_EQ(std::vector<std::string>{}, list_names(empty));
}

// A failed command never leaves an unfinished file and never harms a file that stood there.
TEST(EndToEndNothingLost, FailuresLeaveGoodFilesAlone) {
  scratch_dir dir("e2e-lost");
  std::string gfx = make_folder(dir, "gfx");
  const char *names[] = {"10412-00.fz2", "10412-01.fz2", "10413-00.fz2"};
  uint32_t seed = 300;
  for (const char *name : names) ASSERT_TRUE(put_file(join(gfx, name), vehicle_file(name, seed++)));
  std::string archive = dir.file("train.fz2");
  ASSERT_EQ(packed(3), run_vorax_program({"V2", gfx, dir.file("train")}).err);

  // An archive cut inside its last record: the files before it are extracted, the last one is
  // not, and the file of that name that was there before keeps its bytes.
  bytes whole = read_file(archive);
  std::string cut = dir.file("cut.fz2");
  write_file(cut, bytes(whole.begin(), whole.end() - 10));
  std::string out = make_folder(dir, "out");
  write_file(join(out, "10413-00.fz2"), text_bytes("keep me"));
  program_run cut_run = run_vorax_program({"X", out, cut, "O"});
  EXPECT_EQ(0, cut_run.status);
  EXPECT_EQ(error("Extracting: rc=2"), cut_run.err);
  EXPECT_EQ((std::vector<std::string>{"10412-00.fz2", "10412-01.fz2", "10413-00.fz2"}),
            list_names(out));
  EXPECT_EQ(read_file(join(gfx, "10412-00.fz2")), read_file(join(out, "10412-00.fz2")));
  EXPECT_EQ(read_file(join(gfx, "10412-01.fz2")), read_file(join(out, "10412-01.fz2")));
  EXPECT_EQ(text_bytes("keep me"), read_file(join(out, "10413-00.fz2")));

  // A packing run with O that fails on a bad file keeps the old archive as it was.
  write_file(join(gfx, "10414-99.fz2"), text_bytes("bad"));
  program_run bad = run_vorax_program({"V2", gfx, dir.file("train"), "O"});
  EXPECT_EQ(error("Data error: \"10414-99.fz2\""), bad.err);
  EXPECT_EQ(whole, read_file(archive));

  // A scenery archive with zoom digit 3 has no names to rebuild: refused before any file.
  std::string land_gfx = make_folder(dir, "land");
  ASSERT_TRUE(put_file(join(land_gfx, "s1-1a.gz2"), text_bytes("S")));
  ASSERT_EQ(packed(1), run_vorax_program({"S2", land_gfx, dir.file("land")}).err);
  bytes land = read_file(dir.file("land.gz2"));
  ASSERT_EQ(48u + 24 + 4 + 28 + 1, land.size());
  land[24] = '3';
  land[47] = '3';
  write_file(dir.file("land.gz3"), land);
  std::string zoom_out = make_folder(dir, "zoom3");
  program_run zoom3 = run_vorax_program({"X", zoom_out, dir.file("land.gz3")});
  EXPECT_EQ(error("Extracting: rc=2"), zoom3.err);
  EXPECT_EQ(std::vector<std::string>{}, list_names(zoom_out));

  // An output path that would not fit 260 characters is refused, not cut.
  if (dir.path().size() < 200) {
    std::string deep = make_folder(dir, std::string(250 - dir.path().size(), 'o'));
    program_run too_long = run_vorax_program({"X", deep, archive});
    EXPECT_TRUE(too_long.err == error("Extracting: rc=4") ||
                too_long.err == error("Extracting: rc=5"))
        << too_long.err;
    EXPECT_EQ(std::vector<std::string>{}, list_names(deep));
  }

  EXPECT_EQ((std::vector<std::string>{"cut.fz2", "land.gz2", "land.gz3", "train.fz2"}),
            list_names(dir.path()));
}

TEST(EndToEndLanguage, GermanReachesTheNotices) {
  if (!language_can_be_set()) GTEST_SKIP() << "the language comes from the user's settings here";
  scratch_dir dir("e2e-lang");
  std::string gfx = make_folder(dir, "gfx");
  ASSERT_TRUE(put_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA")));
  ASSERT_TRUE(put_file(join(gfx, "12345-04.fz2"), text_bytes("BBB")));

  program_run pack = run_vorax_program({"V2", gfx, dir.file("train")}, "de_DE.UTF-8");
  EXPECT_EQ(banner() + console_lines({"Dateien kopieren:", join(gfx, "12345-03.fz2"),
                                      join(gfx, "12345-04.fz2")}),
            pack.out);
  EXPECT_EQ(notice("Ende/fertig", "Eingepackt: 2 Dateien"), pack.err);

  std::string out = make_folder(dir, "out");
  program_run extract = run_vorax_program({"X", out, dir.file("train.fz2")}, "de_DE.UTF-8");
  EXPECT_EQ(banner() + console_lines({join(out, "12345-03.fz2") + " Laenge=5",
                                      join(out, "12345-04.fz2") + " Laenge=3"}),
            extract.out);
  // "uebersprungen" with u-umlaut, in UTF-8 (C3 BC).
  EXPECT_EQ(notice("Ende/fertig",
                   "Dateien gefunden: 2  ausgepackt: 2  \xC3\xBC" "bersprungen: 0"),
            extract.err);

  program_run refused = run_vorax_program({"V2", gfx, dir.file("train")}, "de_DE.UTF-8");
  EXPECT_EQ(notice("Fehler", "Archivdatei \"" + dir.file("train.fz2") + "\" existiert schon"),
            refused.err);
}

// The sample folder that the repository carries packs and extracts to the same bytes and times.
TEST(EndToEndSamples, SampleFolderComesBackUnchanged) {
  const std::string samples = VORAX_SAMPLES;
  const std::string park = join(samples, "park");
  struct kind {
    const char *command;
    std::string folder;
    const char *archive;
    const char *extension;
    bool (*selects)(const std::string &name);
  };
  const kind kinds[] = {
      {"V2", samples, "train", ".fz2",
       [](const std::string &n) { return n.size() == 12 && ends_with(n, ".fz2") && n[5] == '-'; }},
      {"W2", samples, "loco", ".fz2",
       [](const std::string &n) { return starts_with(n, "loco-") && ends_with(n, ".fz2"); }},
      {"S2", samples, "land", ".gz2", [](const std::string &n) { return ends_with(n, ".gz2"); }},
      {"U2", park, "park", ".uz2", [](const std::string &n) { return ends_with(n, ".gz2"); }},
  };
  scratch_dir dir("e2e-samples");
  for (const kind &k : kinds) {
    SCOPED_TRACE(k.command);
    // Every sample file of the kind, by its bytes and its last-write time.
    std::multiset<std::pair<bytes, std::pair<uint16_t, uint16_t>>> expected, got;
    for (const std::string &name : list_names(k.folder)) {
      if (!k.selects(name)) continue;
      expected.insert(std::make_pair(read_file(join(k.folder, name)),
                                     local_time_of(join(k.folder, name))));
    }
    ASSERT_GE(expected.size(), 3u);
    std::string archive = join(dir.path(), k.archive);
    std::string out = make_folder(dir, std::string(k.command) + "-out");
    EXPECT_EQ(packed((int)expected.size()), run_vorax_program({k.command, k.folder, archive}).err);
    EXPECT_EQ(extracted((int)expected.size(), (int)expected.size(), 0),
              run_vorax_program({"X", out, archive + k.extension}).err);
    for (const std::string &name : list_names(out)) {
      got.insert(std::make_pair(read_file(join(out, name)), local_time_of(join(out, name))));
    }
    EXPECT_EQ(expected.size(), got.size());
    EXPECT_TRUE(expected == got) << "the extracted files differ from the samples";
  }
}
