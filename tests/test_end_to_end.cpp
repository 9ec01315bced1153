// End-to-end tests: the built program runs on small folders made here, and the tests check its
// exit status, its console output, its notices and the files it writes, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "examples/sample_gfx.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

typedef std::vector<std::string> args;

bytes vehicle_file(const std::string &label, uint32_t seed) {
  return make_vehicle_gfx(label, {0x0385, 0x0012, 0x0100, 120, 40, 30, 44}, 120, seed);
}

std::string done(const std::string &text) { return notice("Done/ready", text); }
std::string error(const std::string &text) { return notice("Error", text); }
std::string packed(int count) { return done("Packed: " + std::to_string(count) + " files"); }
std::string extracted(int found, int written, int skipped) {
  return done("Files found: " + std::to_string(found) + "  extracted: " + std::to_string(written) +
              "  skipped: " + std::to_string(skipped));
}

// What the console shows: the banner, then these lines.
std::string console(const names &lines) {
  std::string out;
  for (const std::string &line : lines) out += line + "\n";
  return banner() + console_bytes(out);
}

// Runs the program, expects its exit status and its notices, and hands the run on.
program_run run(const args &arguments, int status, const std::string &notices) {
  program_run done = run_vorax_program(arguments);
  EXPECT_EQ(status, done.status) << notices;
  EXPECT_EQ(notices, done.err);
  return done;
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

TEST(EndToEndWorkedExample, ArchivesByteForByte) {
  scratch_dir dir("e2e-example");
  std::string gfx = example_folder(dir);
  EXPECT_EQ(console({"Copying files", join(gfx, "12345-03.fz2"), join(gfx, "12345-04.fz2")}),
            run({"V2", gfx, dir.file("train")}, 0, packed(2)).out);
  EXPECT_EQ(hex_bytes(VEHICLE_EXAMPLE), read_file(dir.file("train.fz2")));

  ASSERT_TRUE(put_file(join(gfx, "s123-45a.gz1"), text_bytes("sz")));
  run({"S1", gfx, dir.file("land")}, 0, packed(1));
  EXPECT_EQ(hex_bytes(SCENERY_EXAMPLE), read_file(dir.file("land.gz1")));
  // The name comes back in its fixed form, with three-digit numbers.
  std::string out = make_folder(dir, "out");
  run({"X", out, dir.file("land.gz1")}, 0, extracted(1, 1, 0));
  EXPECT_EQ(names{"s123-045a.gz1"}, list_names(out));
  EXPECT_EQ(text_bytes("sz"), read_file(join(out, "s123-045a.gz1")));
  EXPECT_EQ(EXAMPLE_STAMP, stamp_of(join(out, "s123-045a.gz1")));
}

// Pack, extract, compare names, bytes and last-write times, for every command and zoom level.
// The names are chosen in the form extraction rebuilds, so that every file comes back as it was.
TEST(EndToEndRoundTrip, EveryCommandAndZoom) {
  struct { const char *command, *archive, *extension; names files; } cases[] = {
      {"V2", "train", ".fz2", {"10412-00.fz2", "10412-01.fz2", "31570-16.fz2"}},
      {"V4", "train", ".fz4", {"10412-00.fz4", "20001-03.fz4"}},
      {"W2", "loco", ".fz2", {"loco-01-00.fz2", "loco-01-01.fz2", "loco-09-16.fz2"}},
      {"W4", "loco", ".fz4", {"loco-00-00.fz4", "loco-03-12.fz4"}},
      {"S1", "land", ".gz1", {"s123-045a.gz1", "t042-007c.gz1", "049152-01a.gz1"}},
      {"S2", "land", ".gz2", {"h005-002b.gz2", "b16383-000a.gz2", "m3-100-0.gz2", "m5-2-0.gz2",
                              "065535-99d.gz2", "050000-07c.gz2"}},
      {"S4", "land", ".gz4", {"s123-045b.gz4", "050000-12a.gz4"}},
      {"U1", "park", ".uz1", {"park-05-12b.gz1", "park-89-99d.gz1"}},
      {"U2", "park", ".uz2", {"park-00-00a.gz2", "park-05-12b.gz2", "park-07-00c.gz2"}},
      {"U4", "park", ".uz4", {"park-05-12b.gz4"}},
  };
  // Winter, summer (daylight saving time where there is one), a late and an early date.
  const uint32_t stamps[] = {0x3E4E53C0u, 0x3EEF0000u, 0x5A9CBF7Du, 0x10216012u};
  scratch_dir dir("e2e-trip");
  uint32_t seed = 100;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command);
    std::string gfx = make_folder(dir, std::string(c.command) + "-gfx");
    std::string out = make_folder(dir, std::string(c.command) + "-out");
    bool vehicle = c.command[0] == 'V' || c.command[0] == 'W';
    std::map<std::string, bytes> contents;
    for (size_t i = 0; i < c.files.size(); ++i) {
      const std::string &name = c.files[i];
      contents[name] = vehicle ? vehicle_file(name, seed++) : make_scenery_gfx(name, 90, seed++);
      ASSERT_TRUE(put_file(join(gfx, name), contents[name], stamps[i % 4]));
    }
    // W and U choose their files by the archive's base name, so each case has a folder of its own.
    std::string archive = join(make_folder(dir, std::string(c.command) + "-arch"), c.archive);
    int count = (int)c.files.size();
    run({c.command, gfx, archive}, 0, packed(count));
    // Every offset lands on its record, whose keys repeat the entry's.
    bytes written = read_file(archive + c.extension);
    EXPECT_EQ(count, vehicle ? check_offsets(written, 35, 2) : check_offsets(written, 48, 5));

    run({"X", out, archive + c.extension}, 0, extracted(count, count, 0));
    names sorted = c.files;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, list_names(out));
    for (size_t i = 0; i < c.files.size(); ++i) {
      EXPECT_EQ(contents[c.files[i]], read_file(join(out, c.files[i]))) << c.files[i];
      EXPECT_EQ(stamps[i % 4], stamp_of(join(out, c.files[i]))) << c.files[i];
    }
  }
}

// Everything extraction writes packs again: a vehicle archive whose first numbers are at most 10
// comes back under W names (the archive's name in front), and W packs those names, 0, 9 and 10
// among them, into the archive that V made of the same files, byte for byte. A first number of
// 11 is still no W name.
TEST(EndToEndRoundTrip, ExtractedWNamesPackAgain) {
  const uint32_t stamps[] = {0x3E4E53C0u, 0x3EEF0000u, 0x5A9CBF7Du, 0x10216012u};
  const struct { const char *v_name, *w_name; } files[] = {
      {"00010-02", "train-10-02"}, {"00005-01", "train-05-01"},
      {"00000-00", "train-00-00"}, {"00009-16", "train-09-16"}};
  scratch_dir dir("e2e-w-again");
  for (const std::string zoom : {"2", "4"}) {
    SCOPED_TRACE("zoom " + zoom);
    const std::string ext = ".fz" + zoom;
    std::string gfx = make_folder(dir, "gfx" + zoom), out = make_folder(dir, "out" + zoom);
    std::string by_v = join(make_folder(dir, "v" + zoom), "train");
    std::string by_w = join(make_folder(dir, "w" + zoom), "train");
    names w_names;
    for (size_t i = 0; i < 4; ++i) {
      ASSERT_TRUE(put_file(join(gfx, files[i].v_name + ext),
                           vehicle_file(files[i].v_name, 300 + (uint32_t)i), stamps[i]));
      w_names.push_back(files[i].w_name + ext);
    }
    std::sort(w_names.begin(), w_names.end());
    run({"V" + zoom, gfx, by_v}, 0, packed(4));
    run({"X", out, by_v + ext}, 0, extracted(4, 4, 0));
    EXPECT_EQ(w_names, list_names(out));
    run({"W" + zoom, out, by_w}, 0, packed(4));
    EXPECT_EQ(read_file(by_v + ext), read_file(by_w + ext));

    ASSERT_TRUE(put_file(join(out, "train-11-01" + ext), vehicle_file("eleven", 400)));
    run({"W" + zoom, out, by_w, "O"}, 2, error("Data error: \"train-11-01" + ext + "\""));
    EXPECT_EQ(read_file(by_v + ext), read_file(by_w + ext));
  }
}

TEST(EndToEndOptions, PackingRefusesReplacesOrSimulates) {
  scratch_dir dir("e2e-pack-options");
  std::string gfx = example_folder(dir);
  ASSERT_TRUE(put_file(join(gfx, "t42-7.gz2"), text_bytes("T")));
  std::string archive = dir.file("train.fz2");

  // S prints what a real run prints and reports the count, but creates nothing.
  EXPECT_EQ(console({"Copying files", join(gfx, "12345-03.fz2"), join(gfx, "12345-04.fz2")}),
            run({"V2", gfx, dir.file("train"), "s"}, 0, packed(2)).out);
  run({"S2", gfx, dir.file("land"), "S"}, 0, packed(1));
  EXPECT_EQ(names{}, list_names(dir.path()));

  // Without O an existing archive is refused, also when only simulating.
  write_file(archive, text_bytes("an older archive"));
  for (const char *options : {"", "S"}) {
    std::string refusal = error("Archive file \"" + archive + "\" already exists");
    EXPECT_EQ(banner(), run({"V2", gfx, dir.file("train"), options}, 1, refusal).out);
    EXPECT_EQ(text_bytes("an older archive"), read_file(archive));
  }
  run({"V2", gfx, dir.file("train"), "-o"}, 0, packed(2));
  EXPECT_EQ(hex_bytes(VEHICLE_EXAMPLE), read_file(archive));

  // A run with O that fails on a bad file keeps the archive as it was.
  write_file(join(gfx, "10414-99.fz2"), text_bytes("bad"));
  run({"V2", gfx, dir.file("train"), "O"}, 2, error("Data error: \"10414-99.fz2\""));
  EXPECT_EQ(hex_bytes(VEHICLE_EXAMPLE), read_file(archive));
  EXPECT_EQ(names{"train.fz2"}, list_names(dir.path()));

  // O replaces a scenery archive as well.
  write_file(dir.file("land.gz2"), text_bytes("an older archive"));
  run({"S2", gfx, dir.file("land"), "O"}, 0, packed(1));
  EXPECT_NE(text_bytes("an older archive"), read_file(dir.file("land.gz2")));
}

// Extraction into a folder where the second file exists already, with every option set.
TEST(EndToEndOptions, ExtractionOverwritesOrSimulates) {
  scratch_dir dir("e2e-extract-options");
  std::string archive = dir.file("train.fz2");
  write_file(archive, hex_bytes(VEHICLE_EXAMPLE));
  struct { const char *options; bool exists_line, writes, overwrites; int written, skipped; }
      cases[] = {{"", true, true, false, 1, 1}, {"/O", false, true, true, 2, 0},
                 {"S", true, false, false, 0, 2}, {"OS", false, false, false, 0, 2}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.options);
    fs::remove_all(dir.file("out"));
    std::string out = make_folder(dir, "out");
    write_file(join(out, "12345-04.fz2"), text_bytes("old"));
    names lines = {join(out, "12345-03.fz2") + " Length=5",
                   join(out, "12345-04.fz2") + " Length=3"};
    if (c.exists_line) lines.push_back("File already exists");
    EXPECT_EQ(console(lines),
              run({"X", out, archive, c.options}, 0, extracted(2, c.written, c.skipped)).out);
    EXPECT_EQ(c.writes ? (names{"12345-03.fz2", "12345-04.fz2"}) : (names{"12345-04.fz2"}),
              list_names(out));
    EXPECT_EQ(text_bytes(c.overwrites ? "BBB" : "old"), read_file(join(out, "12345-04.fz2")));
    if (c.writes) {
      EXPECT_EQ(text_bytes("AAAAA"), read_file(join(out, "12345-03.fz2")));
      EXPECT_EQ(EXAMPLE_STAMP, stamp_of(join(out, "12345-03.fz2")));
    }
  }
}

// Windows file systems match names regardless of case: the archive is found under another case,
// and a file whose name differs only in case is the file that already exists.
TEST(EndToEndOptions, NamesRegardlessOfCaseWindows) {
  if (!on_windows()) GTEST_SKIP() << "POSIX names differ by case";
  scratch_dir dir("e2e-case");
  write_file(dir.file("TRAIN.FZ2"), hex_bytes(VEHICLE_EXAMPLE));
  std::string out = make_folder(dir, "out");
  write_file(join(out, "12345-04.FZ2"), text_bytes("old"));
  EXPECT_EQ(console({join(out, "12345-03.fz2") + " Length=5",
                     join(out, "12345-04.fz2") + " Length=3", "File already exists"}),
            run({"X", out, dir.file("train.fz2")}, 0, extracted(2, 1, 1)).out);
  EXPECT_EQ((names{"12345-03.fz2", "12345-04.FZ2"}), list_names(out));
  EXPECT_EQ(text_bytes("old"), read_file(join(out, "12345-04.FZ2")));
  run({"V2", out, dir.file("train")}, 1,
      error("Archive file \"" + dir.file("train.fz2") + "\" already exists"));
}

TEST(EndToEndOptions, InfoPrintsHeadersAndStatistics) {
  scratch_dir dir("e2e-info");
  std::string gfx = make_folder(dir, "gfx");
  // Views: bits 8 front 2, 10 side 2, 11 right doors, 12 left doors.
  const sample_vehicle_header all_views = {0x0385, 0x0012, 0x1D00, 120, 40, 30, 44};
  const sample_vehicle_header right_doors = {0x0383, 0x07, 0x0800, 64, 36, 28, 36};
  const sample_vehicle_header front_left = {0x0385, 0x0a21, 0x1100, 300, 52, 31, 1000};
  ASSERT_TRUE(put_file(join(gfx, "10412-00.fz2"), make_vehicle_gfx("a", all_views, 50, 1)));
  ASSERT_TRUE(put_file(join(gfx, "10412-01.fz2"), make_vehicle_gfx("b", right_doors, 50, 2)));
  ASSERT_TRUE(put_file(join(gfx, "10413-00.fz2"), make_vehicle_gfx("c", front_left, 50, 3)));
  program_run pack = run({"V2", gfx, dir.file("train"), "-I"}, 0,
                         done("Packed: 3 files\n\n front2=2 side2=1 door2,r,l=1,1,1"));
  EXPECT_EQ(console({"Collecting files",
                     join(gfx, "10412-00.fz2"), "0385 0012 l=120 hs=40 w=30 hf=44 f=2 s=2 d=2",
                     join(gfx, "10412-01.fz2"), "0383 0007 l=64 hs=36 w=28 hf=36 f=1 s=1 d=R",
                     join(gfx, "10413-00.fz2"), "0385 0a21 l=300 hs=52 w=31 hf=1000 f=2 s=1 d=L",
                     "Copying files", join(gfx, "10412-00.fz2"), join(gfx, "10412-01.fz2"),
                     join(gfx, "10413-00.fz2")}),
            pack.out);

  // For scenery, I lists the collected files; the final message stays the plain count.
  ASSERT_TRUE(put_file(join(gfx, "t42-7.gz2"), text_bytes("T")));
  EXPECT_EQ(console({"Collecting files", join(gfx, "t42-7.gz2"), "Copying files",
                     join(gfx, "t42-7.gz2")}),
            run({"S2", gfx, dir.file("land"), "i"}, 0, packed(1)).out);
}

TEST(EndToEndFailures, UsageAndRefusedArchives) {
  scratch_dir dir("e2e-usage");
  const args usage_cases[] = {{}, {"V2", dir.path()}, {"Q2", dir.path(), dir.file("train")},
                              {"V3", dir.path(), dir.file("train")}};
  for (const args &a : usage_cases) {
    SCOPED_TRACE(a.size());
    program_run usage = run_vorax_program(a);
    EXPECT_EQ(1, usage.status);
    EXPECT_EQ(banner(), usage.out);
    if (on_windows()) continue;  // the usage text is in a message box there
    EXPECT_EQ(0u, usage.err.find("Correct call:\nVORAX command directory filename [options]\n"));
    EXPECT_TRUE(ends_with(usage.err, "Commands/Options case insensitive\n")) << usage.err;
  }
  std::string missing = dir.file("none.fz2");
  EXPECT_EQ(banner(), run({"X", dir.path(), missing}, 1,
                          error("Archive file \"" + missing + "\" not opened")).out);
  // V1 passes the command line but not the packer; 259 characters fit the directory field but
  // leave no room for the search pattern.
  run({"V1", dir.path(), dir.file("train")}, 2, error("Packing: rc=5"));
  run({"V2", std::string(259, 'd'), dir.file("train")}, 2, error("Packing: rc=5"));
  EXPECT_EQ(names{}, list_names(dir.path()));
}

TEST(EndToEndFailures, PackingAndExtractionResults) {
  scratch_dir dir("e2e-fail");
  std::string empty = make_folder(dir, "empty");
  std::string archives = make_folder(dir, "archives");
  EXPECT_EQ(banner(),  // not even "Collecting files"
            run({"V2", empty, join(archives, "train"), "I"}, 2, error("No file found")).out);
  // Scenery packing shows the notice itself, then the result shows it once more.
  run({"S2", empty, join(archives, "land")}, 2, error("No file found") + error("No file found"));

  // The first bad file ends the command, named in the notice; no archive is written.
  sample_vehicle_header wrong_version = {0x0384, 0x0012, 0, 1, 2, 3, 4};
  struct { const char *name; bytes content; const char *options, *message; } cases[] = {
      {"12345-01.fz2", bytes(), "", "Error while reading"},
      {"12345-17.fz2", text_bytes("x"), "", "Data error"},
      {"abcde-01.fz2", text_bytes("x"), "", "Data error"},
      {"12345-02.fz2", make_vehicle_gfx("v", wrong_version, 10, 1), "I", "Data error"},
      {"12345-03.fz2", text_bytes("no end of the text header"), "I", "Error while reading"},
  };
  for (const auto &c : cases) {
    std::string gfx = make_folder(dir, std::string("gfx-") + c.name);
    ASSERT_TRUE(put_file(join(gfx, "10000-00.fz2"), vehicle_file("good", 1)));
    write_file(join(gfx, c.name), c.content);
    run({"V2", gfx, join(archives, "train"), c.options}, 2,
        error(std::string(c.message) + ": \"" + c.name + "\""));
    EXPECT_EQ(names{}, list_names(archives));
  }
  // Without option I the header is not read, so the wrong version packs.
  std::string gfx = dir.file("gfx-12345-02.fz2");
  run({"V2", gfx, join(archives, "train")}, 0, packed(2));
  run({"V2", gfx, join(dir.file("nowhere"), "t")}, 2, error("No archive file created"));
  write_file(join(archives, "text.fz2"), text_bytes("not an archive\x1A at all"));
  run({"X", empty, join(archives, "text.fz2")}, 2, error("Extracting: rc=2"));
  EXPECT_EQ(names{}, list_names(empty));
}

// A failed extraction never leaves an unfinished file and never harms a file that stood there.
TEST(EndToEndNothingLost, FailedExtractionsLeaveGoodFilesAlone) {
  scratch_dir dir("e2e-lost");
  std::string gfx = make_folder(dir, "gfx");
  uint32_t seed = 300;
  for (const char *name : {"10412-00.fz2", "10412-01.fz2", "10413-00.fz2"})
    ASSERT_TRUE(put_file(join(gfx, name), vehicle_file(name, seed++)));
  ASSERT_TRUE(put_file(join(gfx, "s1.gz2"), text_bytes("S")));
  ASSERT_TRUE(put_file(join(gfx, "049152.gz2"), text_bytes("P")));
  run({"V2", gfx, dir.file("train")}, 0, packed(3));
  run({"S2", gfx, dir.file("land")}, 0, packed(2));

  // An archive cut inside its last record: the files before it are extracted, the last one is
  // not, and the file of that name that was there before keeps its bytes.
  bytes whole = read_file(dir.file("train.fz2"));
  write_file(dir.file("cut.fz2"), bytes(whole.begin(), whole.end() - 10));
  std::string out = make_folder(dir, "out");
  write_file(join(out, "10413-00.fz2"), text_bytes("keep me"));
  run({"X", out, dir.file("cut.fz2"), "O"}, 2, error("Extracting: rc=2"));
  EXPECT_EQ((names{"10412-00.fz2", "10412-01.fz2", "10413-00.fz2"}), list_names(out));
  EXPECT_EQ(read_file(join(gfx, "10412-01.fz2")), read_file(join(out, "10412-01.fz2")));
  EXPECT_EQ(text_bytes("keep me"), read_file(join(out, "10413-00.fz2")));

  // A scenery archive with zoom digit 3 has no names to rebuild: refused before any file.
  bytes land = read_file(dir.file("land.gz2"));
  ASSERT_EQ(48u + 2 * 24 + 4 + 2 * 28 + 2, land.size());
  land[24] = land[47] = '3';
  write_file(dir.file("land.gz3"), land);
  std::string zoom_out = make_folder(dir, "zoom3");
  run({"X", zoom_out, dir.file("land.gz3")}, 2, error("Extracting: rc=2"));
  EXPECT_EQ(names{}, list_names(zoom_out));

  // An output path that would not fit 260 characters is refused, not cut: in a folder of 245
  // characters "s001-000a.gz2" fits exactly, the longer "049152-00a.gz2" behind it does not.
  ASSERT_LT(dir.path().size(), 200u);
  std::string deep = make_folder(dir, std::string(245 - dir.path().size() - 1, 'o'));
  ASSERT_EQ(245u, deep.size());
  run({"X", deep, dir.file("land.gz2")}, 2, error("Extracting: rc=4"));
  EXPECT_EQ(names{"s001-000a.gz2"}, list_names(deep));
  EXPECT_EQ((names{"cut.fz2", "land.gz2", "land.gz3", "train.fz2"}), list_names(dir.path()));
}

// Option Q puts the final message on standard error on every system, Windows included, and the
// exit status alone tells success (0), refusal (1) and failure (2) apart.
TEST(EndToEndScripts, QuietNoticesAndExitStatuses) {
  scratch_dir dir("e2e-quiet");
  std::string gfx = example_folder(dir);
  std::string out = make_folder(dir, "out");
  std::string empty = make_folder(dir, "empty");
  auto quiet = [](const std::string &title, const std::string &text) {
    return console_bytes(title + "\n" + text + "\n");
  };
  std::string archive = dir.file("train.fz2"), missing = dir.file("none.fz2");
  struct { args arguments; int status; std::string notices; } cases[] = {
      {{"V2", gfx, dir.file("train"), "Q"}, 0, quiet("Done/ready", "Packed: 2 files")},
      {{"V2", gfx, dir.file("train"), "q"}, 1,
       quiet("Error", "Archive file \"" + archive + "\" already exists")},
      {{"V2", gfx, dir.file("train"), "oQs"}, 0, quiet("Done/ready", "Packed: 2 files")},
      {{"X", out, archive, "Q"}, 0, quiet("Done/ready", "Files found: 2  extracted: 2  skipped: 0")},
      // Files kept because they exist: the command still did its work.
      {{"X", out, archive, "Q"}, 0, quiet("Done/ready", "Files found: 2  extracted: 0  skipped: 2")},
      {{"X", out, missing, "/q"}, 1, quiet("Error", "Archive file \"" + missing + "\" not opened")},
      {{"X", out, join(gfx, "12345-03.fz2"), "Q"}, 2, quiet("Error", "Extracting: rc=2")},
      {{"S2", empty, dir.file("land"), "-Q"}, 2,
       quiet("Error", "No file found") + quiet("Error", "No file found")},
      {{"V2", gfx, join(dir.file("nowhere"), "t"), "Q"}, 2, quiet("Error", "No archive file created")},
  };
  for (const auto &c : cases) {
    program_run r = run_vorax_program(c.arguments);
    EXPECT_EQ(c.status, r.status) << c.notices;
    EXPECT_EQ(c.notices, r.err);
  }
  // The usage text, too, goes to standard error with Q.
  program_run usage = run_vorax_program({"V3", gfx, dir.file("t"), "Q"});
  EXPECT_EQ(1, usage.status);
  EXPECT_EQ(0u, usage.err.find(quiet("Correct call:", "VORAX command directory filename [options]")));
  // vorax-legacy has no Q: its notice stays a message box on Windows.
  program_run legacy = run_legacy_program({"V2", gfx, dir.file("old"), "Q"});
  EXPECT_EQ(0, legacy.status);
  EXPECT_EQ(notice("Done/ready", "Packed: 2 files"), legacy.err);
}

// Every language, with option Q so that the final message is on standard error on both systems.
// On POSIX each run gets its locale. Under Wine a program takes its language from the Unix
// locale its Wine process tree was started in ("set LANG=" or _putenv before a run change
// nothing), so there the test checks the language of the whole test program, and ctest runs it
// once per language (tests/CMakeLists.txt; the locales must be generated, as .ci/run does).
TEST(EndToEndLanguage, EveryLanguage) {
  auto accented = [](const char *utf8, const char *cp1250) {
    return std::string(on_windows() ? cp1250 : utf8);
  };
  const std::string czech_copying =
      accented("Kop\xC3\xADrov\xC3\xA1n\xC3\xAD souboru", "Kop\xEDrov\xE1n\xED souboru");
  const std::string czech_packed = accented("Sbaleno: 2 soubor\xC5\xAF", "Sbaleno: 2 soubor\xF9");
  // The banner's word, the heading of the copy, the title and the text of the final message.
  struct { const char *locale; int primary; std::string version, copying, title, packed; }
      languages[] = {
          {"C", 0x09, "Version", "Copying files", "Done/ready", "Packed: 2 files"},
          {"de_DE.UTF-8", 0x07, "Version", "Dateien kopieren:", "Ende/fertig",
           "Eingepackt: 2 Dateien"},
          {"pl_PL.UTF-8", 0x15, "Wersja", accented("Kopiowanie plik\xC3\xB3w", "Kopiowanie plik\xF3w"),
           "Gotowe", accented("Spakowano: 2 plik\xC3\xB3w", "Spakowano: 2 plik\xF3w")},
          {"es_ES.UTF-8", 0x0A, accented("versi\xC3\xB3n", "versi\xA2n"), "Copia de archivos",
           "Terminado", "Comprimiendos: 2 ficheros"},  // "version" stored in code page 850
          {"cs_CZ.UTF-8", 0x05, "Verze", czech_copying, "Hotovo", czech_packed},
          {"sk_SK.UTF-8", 0x1B, "Verze", czech_copying, "Hotovo", czech_packed},  // Slovak: Czech
      };
  int primary = plat_primary_language();
  if (on_windows()) {
    // The per-language runs name the language they expect: a locale that was not generated
    // would give English and pass unnoticed.
    const char *expected = std::getenv("VORAX_TEST_PRIMARY_LANGUAGE");
    if (expected != nullptr) {
      ASSERT_EQ(std::strtol(expected, nullptr, 16), primary)
          << "Wine did not take the language of LANG: is that locale generated (localedef)?";
    }
  }
  scratch_dir dir("e2e-languages");
  std::string gfx = example_folder(dir);
  int runs = 0;
  for (const auto &l : languages) {
    bool other = std::none_of(std::begin(languages), std::end(languages),
                              [&](const auto &any) { return any.primary == primary; });
    if (on_windows() && l.primary != primary && !(other && l.primary == 0x09)) continue;
    SCOPED_TRACE(l.locale);
    std::string archive = dir.file("train" + std::to_string(runs++));
    program_run r = run_vorax_program({"V2", gfx, archive, "Q"}, l.locale);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(console_bytes("\nXQ Dezo-Reruzer " + l.version + " 0.023 02/2011\n" + l.copying + "\n" +
                            join(gfx, "12345-03.fz2") + "\n" + join(gfx, "12345-04.fz2") + "\n"),
              r.out);
    EXPECT_EQ(console_bytes(l.title + "\n" + l.packed + "\n"), r.err);
  }
  EXPECT_EQ(on_windows() ? 1 : 6, runs);
}

// Any name the system can hold gets through, in folders, archive names and output folders: on
// Windows in every language (ctest runs this once per language), with names outside the user's
// ANSI code page. Output to a file carries a name in that code page, "?" for what it lacks; on
// POSIX the name's bytes as they are. The archives are those of a plain folder, byte for byte.
TEST(EndToEndNames, AnyNameTheSystemCanHold) {
  const std::string japan = "\xE6\x97\xA5\xE6\x9C\xAC";  // "Japan" in two CJK characters, UTF-8
  const std::string l_stroke = "\xC5\x82";                  // Polish l with stroke, UTF-8
  // A name as the output file shows it.
  auto shown = [&](std::string name) {
    if (!on_windows()) return name;
    for (size_t at; (at = name.find(japan)) != std::string::npos;) name.replace(at, 6, "??");
    const std::string l_ansi = ansi_code_page() == 1250 ? "\xB3" : "?";
    for (size_t at; (at = name.find(l_stroke)) != std::string::npos;) name.replace(at, 2, l_ansi);
    return name;
  };
  auto has_line = [](const program_run &r, const std::string &line) {
    return r.out.find(console_bytes(line + "\n")) != std::string::npos;
  };
  scratch_dir dir("e2e-names");
  const std::string plain = example_folder(dir);
  ASSERT_EQ(run_vorax_program({"V2", plain, dir.file("plain"), "Q"}).status, 0);
  const bytes expected = read_file(dir.file("plain.fz2"));
  ASSERT_FALSE(expected.empty());

  for (const std::string &folder_name : {"gfx-" + japan, "gfx-" + l_stroke}) {
    SCOPED_TRACE(folder_name);
    const std::string gfx = make_folder(dir, folder_name);
    for (const std::string &name : list_names(plain)) {
      ASSERT_TRUE(put_file(join(gfx, name), read_file(join(plain, name))));
    }
    const std::string archive = dir.file("from-" + folder_name);
    program_run pack = run_vorax_program({"V2", gfx, archive, "Q"});
    EXPECT_EQ(pack.status, 0) << pack.err;
    EXPECT_TRUE(has_line(pack, shown(join(gfx, "12345-04.fz2")))) << pack.out;
    EXPECT_EQ(read_file(archive + ".fz2"), expected);
  }

  // The archive's own name and the output folder, and a refusal that names the archive.
  const std::string archive = dir.file("arc-" + japan + ".fz2");
  EXPECT_EQ(run_vorax_program({"V2", plain, archive, "Q"}).status, 0);
  EXPECT_EQ(read_file(archive), expected);
  const std::string out = make_folder(dir, "xo-" + japan);
  program_run extract = run_vorax_program({"X", out, archive, "Q"});
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_NE(extract.out.find(shown(join(out, "12345-03.fz2")) + " "), std::string::npos)
      << extract.out;
  EXPECT_EQ(list_names(out), list_names(plain));
  EXPECT_EQ(read_file(join(out, "12345-04.fz2")), read_file(join(plain, "12345-04.fz2")));
  // The older program the same way: its archive of the folder is the one of the plain folder.
  ASSERT_EQ(run_legacy_program({"V2", plain, dir.file("legacy-plain")}).status, 0);
  program_run legacy = run_legacy_program({"V2", dir.file("gfx-" + japan), archive + "-legacy"});
  EXPECT_EQ(legacy.status, 0) << legacy.err;
  EXPECT_EQ(read_file(archive + "-legacy"), read_file(dir.file("legacy-plain.fz2")));
  program_run missing = run_vorax_program({"X", out, dir.file("none-" + japan + ".fz2"), "Q"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find(shown(dir.file("none-" + japan + ".fz2"))), std::string::npos)
      << missing.err;
}

// The language comes from the locale on POSIX (for Windows see EveryLanguage).
TEST(EndToEndLanguage, GermanFromTheLocalePosix) {
  if (on_windows()) GTEST_SKIP() << "the language is the user's setting on Windows";
  scratch_dir dir("e2e-lang");
  std::string gfx = example_folder(dir);
  program_run pack = run_vorax_program({"V2", gfx, dir.file("train")}, "de_DE.UTF-8");
  EXPECT_EQ(console({"Dateien kopieren:", join(gfx, "12345-03.fz2"), join(gfx, "12345-04.fz2")}),
            pack.out);
  EXPECT_EQ(notice("Ende/fertig", "Eingepackt: 2 Dateien"), pack.err);
  std::string out = make_folder(dir, "out");
  program_run extract = run_vorax_program({"X", out, dir.file("train.fz2")}, "de_DE.UTF-8");
  EXPECT_EQ(console({join(out, "12345-03.fz2") + " Laenge=5",
                     join(out, "12345-04.fz2") + " Laenge=3"}),
            extract.out);
  // "uebersprungen" with u-umlaut, in UTF-8 (C3 BC).
  EXPECT_EQ(notice("Ende/fertig", "Dateien gefunden: 2  ausgepackt: 2  \xC3\xBC" "bersprungen: 0"),
            extract.err);
}

// The sample folder that the repository carries packs and extracts to the same names, bytes and
// last-write times; scenery names come back in the fixed form that extraction rebuilds.
TEST(EndToEndSamples, SampleFolderComesBackUnchanged) {
  // The files of each kind: names that begin with `start` and end with `end` (and are 12 long
  // when `numbered`).
  struct { const char *command, *archive, *start, *end; bool numbered; } kinds[] = {
      {"V2", "train.fz2", "", ".fz2", true}, {"W2", "loco.fz2", "loco-", ".fz2", false},
      {"S2", "land.gz2", "", ".gz2", false}, {"U2", "park.uz2", "", ".gz2", false},
  };
  const std::map<std::string, std::string> rebuilt = {
      {"s123-45a.gz2", "s123-045a.gz2"}, {"s123-46b.gz2", "s123-046b.gz2"},
      {"t42-7.gz2", "t042-007a.gz2"},    {"h5-2.gz2", "h005-002a.gz2"},
      {"b17.gz2", "b017-000a.gz2"},      {"050000-12.gz2", "050000-12a.gz2"},
      {"065535c.gz2", "065535-00c.gz2"}, {"park-05-13.gz2", "park-05-13a.gz2"}};
  scratch_dir dir("e2e-samples");
  for (const auto &k : kinds) {
    SCOPED_TRACE(k.command);
    std::string folder = k.command[0] == 'U' ? join(VORAX_SAMPLES, "park") : VORAX_SAMPLES;
    // Every file by the name it comes back under, with its bytes and its last-write time.
    std::map<std::string, std::pair<bytes, uint32_t>> expected, got;
    for (const std::string &name : list_names(folder)) {
      if (name.rfind(k.start, 0) == 0 && ends_with(name, k.end) &&
          (!k.numbered || (name.size() == 12 && name[5] == '-')))
        expected[rebuilt.count(name) ? rebuilt.at(name) : name] = {
            read_file(join(folder, name)), stamp_of(join(folder, name))};
    }
    ASSERT_GE(expected.size(), 3u);
    int count = (int)expected.size();
    std::string out = make_folder(dir, std::string(k.command) + "-out");
    run({k.command, folder, dir.file(k.archive)}, 0, packed(count));
    run({"X", out, dir.file(k.archive)}, 0, extracted(count, count, 0));
    names expected_names;
    for (const auto &e : expected) expected_names.push_back(e.first);
    EXPECT_EQ(expected_names, list_names(out));
    for (const std::string &name : list_names(out))
      got[name] = {read_file(join(out, name)), stamp_of(join(out, name))};
    EXPECT_TRUE(expected == got) << "the bytes or the last-write times differ";
  }
}
