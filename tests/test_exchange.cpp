// End to end: the legacy program on small folders made here, and archives written by one program
// and read by the other. The legacy program ends its console lines with "\r\n" itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

typedef std::vector<std::string> args;

// Winter, summer (daylight saving time where there is one), a late and an early date.
const uint32_t STAMPS[] = {0x3E4E53C0u, 0x3EEF0000u, 0x5A9CBF7Du, 0x10216012u};

// Expects `copy` to hold the bytes and the last-write time of `original`.
void expect_same_file(const std::string &original, const std::string &copy) {
  EXPECT_EQ(read_file(original), read_file(copy)) << copy;
  EXPECT_EQ(stamp_of(original), stamp_of(copy)) << copy;
}

std::string done(const std::string &text) { return notice("Done/ready", text); }
std::string error(const std::string &text) { return notice("Error", text); }
std::string packed(int count) { return done("Packed: " + std::to_string(count) + " files"); }
std::string extracted(int found, int written, int skipped) {
  return done("Files found: " + std::to_string(found) + "  extracted: " + std::to_string(written) +
              "  skipped: " + std::to_string(skipped));
}

std::string legacy_banner() { return console_bytes("\nXQ Dezo-Reruzer Version 0.009 02/2009\n"); }
// The legacy console: its banner, then the text as the program wrote it.
std::string legacy_console(const std::string &text) {
  return legacy_banner() + console_bytes(text);
}
std::string crlf(const names &lines) {
  std::string out;
  for (const std::string &line : lines) out += line + "\r\n";
  return out;
}

typedef program_run (*program)(const args &arguments, const std::string &language);

// Runs a program, expects its exit status and its notices, and hands the run on.
program_run check(program which, const args &arguments, int status, const std::string &notices) {
  program_run run = which(arguments, std::string());
  EXPECT_EQ(status, run.status) << notices;
  EXPECT_EQ(notices, run.err);
  return run;
}
program_run legacy(const args &arguments, int status, const std::string &notices) {
  return check(run_legacy_program, arguments, status, notices);
}
program_run vorax(const args &arguments, int status, const std::string &notices) {
  return check(run_vorax_program, arguments, status, notices);
}

// The worked example of the older vehicle layout: 5 "A" and 3 "B", 82 bytes.
const char *const OLDER_EXAMPLE =
    "58 51 20 4B 41 52 56 20 56 65 68 69 63 6C 65 20 67 66 78 20 5A 6F 6F 6D 32 1A 46 5A 58 32"
    "93 03 03 00 0C 00 00 00  94 03 03 00 15 00 00 00  00 00 00 00"
    "93 03 03 00 05 00 00 00 C0 53 4E 3E  41 41 41 41 41"
    "94 03 03 00 03 00 00 00 C0 53 4E 3E  42 42 42";

}  // namespace

TEST(LegacyEndToEnd, WorkedExampleConsoleAndBrokenArchives) {
  scratch_dir dir("leg-example");
  std::string gfx = example_folder(dir);
  EXPECT_EQ(legacy_console(crlf({join(gfx, "12345-03.fz2"), join(gfx, "12345-04.fz2")})),
            legacy({"V2", gfx, dir.file("train")}, 0, packed(2)).out);
  bytes archive = read_file(dir.file("train.fz2"));
  EXPECT_EQ(hex_bytes(OLDER_EXAMPLE), archive);

  std::string out = make_folder(dir, "out");
  std::string first = join(out, "12345-03.fz2"), second = join(out, "12345-04.fz2");
  EXPECT_EQ(legacy_console(crlf({first + " Length=5", second + " Length=3"})),
            legacy({"X", out, dir.file("train.fz2")}, 0, extracted(2, 2, 0)).out);
  expect_same_file(join(gfx, "12345-03.fz2"), first);
  expect_same_file(join(gfx, "12345-04.fz2"), second);
  // "File already exists" stands on a line of its own, ended by its text's own line break.
  EXPECT_EQ(legacy_console(first + " Length=5\r\nFile already exists\n" + second +
                           " Length=3\r\nFile already exists\n"),
            legacy({"X", out, dir.file("train.fz2")}, 0, extracted(2, 0, 2)).out);

  // Cut inside its last record: the file before it is written, the last one is not. A scenery
  // archive with zoom digit 3 is refused before any file is written.
  write_file(dir.file("cut.fz2"), bytes(archive.begin(), archive.end() - 2));
  write_file(dir.file("land.gz3"), archive_image(scenery_header("GZX", '3'),
                                                 {{{123, 45, 0x10001, 0, 0}, bytes(2, 's')}}));
  for (const char *name : {"cut.fz2", "land.gz3"}) {
    std::string broken = make_folder(dir, std::string("from-") + name);
    legacy({"X", broken, dir.file(name)}, 2, error("Extracting: rc=2"));
    EXPECT_EQ(name[0] == 'c' ? names{"12345-03.fz2"} : names{}, list_names(broken));
  }
}

TEST(LegacyEndToEnd, BannerUsageAndCommandRules) {
  scratch_dir dir("leg-usage");
  std::string gfx = example_folder(dir);
  // W is no legacy command; of "       V2" only the first 8 characters count, which lose the
  // digit.
  std::string t = dir.file("t");  // a wrongly accepted command would write here
  const args usage_cases[] = {{}, {"W2", gfx, t}, {"-w4", gfx, t}, {"/W2", gfx, t},
                              {"       V2", gfx, t}};
  for (const args &a : usage_cases) {
    program_run usage = run_legacy_program(a);
    EXPECT_EQ(1, usage.status);
    EXPECT_EQ(legacy_banner(), usage.out);
    if (on_windows()) continue;  // the usage text is in a message box there
    EXPECT_EQ(0u, usage.err.find("Correct call:\nVORAX command directory filename [options]\n\n"
                                 "Commands: V2|V4|S1|S2|S4|U1|U2|U4|X\nV2: ")) << usage.err;
    EXPECT_NE(std::string::npos, usage.err.find("\n\nOptions: [O][S]\nO: "));
    std::string end = "\nCommands/Options case insensitive\n";
    EXPECT_EQ(usage.err.size() - end.size(), usage.err.rfind(end));
  }
  EXPECT_EQ(names{}, list_names(dir.path()));

  // Option I is ignored without a word; S simulates.
  std::string archive = dir.file("train.fz2");
  legacy({"V2", gfx, dir.file("train"), "IS"}, 0, packed(2));
  EXPECT_EQ(names{}, list_names(dir.path()));
  legacy({"V2", gfx, dir.file("train"), "I"}, 0, packed(2));
  EXPECT_EQ(hex_bytes(OLDER_EXAMPLE), read_file(archive));

  // An existing archive needs O; in "-      OS" the S is the ninth character and does not count.
  write_file(archive, text_bytes("older"));
  legacy({"V2", gfx, dir.file("train")}, 1,
         error("Archive file \"" + archive + "\" already exists"));
  legacy({"V2", gfx, dir.file("train"), "OS"}, 0, packed(2));
  EXPECT_EQ(text_bytes("older"), read_file(archive));
  legacy({"V2", gfx, dir.file("train"), "-      OS"}, 0, packed(2));
  EXPECT_EQ(hex_bytes(OLDER_EXAMPLE), read_file(archive));
  legacy({"X", gfx, dir.file("none.fz2")}, 1,
         error("Archive file \"" + dir.file("none.fz2") + "\" not opened"));
}

// Each failure shows its bare message, never the failing file's name, and writes no archive.
TEST(LegacyEndToEnd, ResultMessagesWithoutNames) {
  struct { const char *command, *archive; names files; const char *notices; } cases[] = {
      {"V2", "train", {"12345-03.fz2", "readme.fz2"}, "Out of memory"},
      {"V4", "train", {"00000-00.fz4"}, "Out of memory"},
      {"V2", "train", {"12345-03.fz2", "12345-04.fz2="}, "Out of memory"},  // empty file
      {"S2", "land", {"s1-1.gz2="}, "Error while reading"},
      {"S2", "land", {"049152.gz2", "x49152.gz2"}, "Data error"},
      {"U2", "park", {"u05-park.gz2", "u95-park.gz2"}, "Data error"},
      {"V2", "train", {}, "No file found"},
  };
  scratch_dir dir("leg-results");
  int folder = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + c.notices);
    std::string gfx = make_folder(dir, "gfx" + std::to_string(folder++));
    for (std::string name : c.files) {
      bool empty = name.back() == '=';
      if (empty) name.pop_back();
      write_file(join(gfx, name), empty ? bytes() : text_bytes(name));
    }
    std::string archives = make_folder(dir, "archives");
    legacy({c.command, gfx, join(archives, c.archive)}, 2, error(c.notices));
    EXPECT_EQ(names{}, list_names(archives));
  }
  // Scenery packing shows "No file found" itself, then the result shows it once more.
  std::string empty = make_folder(dir, "empty");
  legacy({"S4", empty, dir.file("land")}, 2, error("No file found") + error("No file found"));
  std::string gfx = example_folder(dir);

  // A run with O that fails keeps the archive that was there.
  legacy({"V2", gfx, dir.file("train")}, 0, packed(2));
  write_file(join(gfx, "readme.fz2"), text_bytes("x"));
  legacy({"V2", gfx, dir.file("train"), "O"}, 2, error("Out of memory"));
  EXPECT_EQ(hex_bytes(OLDER_EXAMPLE), read_file(dir.file("train.fz2")));
}

// Pack and extract with the legacy program: names, bytes and last-write times come back. The
// names are in the form the legacy program rebuilds.
TEST(LegacyEndToEnd, RoundTripsEveryCommand) {
  struct { const char *command, *archive; names files; } cases[] = {
      {"V2", "train.fz2", {"00001-02.fz2", "12345-15.fz2", "134217727-00.fz2"}},
      {"V4", "train.fz4", {"00005-03.fz4", "99999-09.fz4"}},
      {"S1", "land.gz1", {"049152-01a.gz1", "s123-045a.gz1", "t042-007.gz1"}},
      {"S2", "land.gz2", {"050000.gz2", "050001-07.gz2", "065535-99d.gz2", "b16383-000.gz2",
                          "h005-002b.gz2"}},
      {"S4", "land.gz4", {"050000-12c.gz4", "s000-000.gz4"}},
      {"U1", "park.uz1", {"u05-12b-park.gz1", "u89-99d-park.gz1"}},
      {"U2", "park.uz2", {"u00-park.gz2", "u05-12b-park.gz2", "u07-01-park.gz2", "u07a-park.gz2"}},
      {"U4", "park.uz4", {"u05-12b-park.gz4"}},
  };
  scratch_dir dir("leg-trip");
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command);
    std::string gfx = make_folder(dir, std::string(c.command) + "-gfx");
    std::string out = make_folder(dir, std::string(c.command) + "-out");
    for (size_t i = 0; i < c.files.size(); ++i) {
      std::string content = c.files[i] + std::string(i * 37, 'x');
      ASSERT_TRUE(put_file(join(gfx, c.files[i]), text_bytes(content), STAMPS[i % 4]));
    }
    int count = (int)c.files.size();
    std::string archives = make_folder(dir, std::string(c.command) + "-arch");
    std::string archive = join(archives, c.archive);
    legacy({c.command, gfx, archive.substr(0, archive.size() - 4)}, 0, packed(count));
    if (c.command[0] != 'V') {
      EXPECT_EQ(count, check_offsets(read_file(archive), 48, 5));
    }

    legacy({"X", out, archive}, 0, extracted(count, count, 0));
    EXPECT_EQ(c.files, list_names(out));
    for (const std::string &name : c.files) expect_same_file(join(gfx, name), join(out, name));
  }

  // An archive named by one letter, "u" itself: "u.gz2" does not end with it behind its first
  // character and is passed over; the others pack and come back.
  std::string gfx = make_folder(dir, "u-gfx"), out = make_folder(dir, "u-out");
  const names files = {"u.gz2", "u05-12b-u.gz2", "u07u.gz2"};
  for (const std::string &name : files) ASSERT_TRUE(put_file(join(gfx, name), text_bytes(name)));
  legacy({"U2", gfx, dir.file("u")}, 0, packed(2));
  legacy({"X", out, dir.file("u.uz2")}, 0, extracted(2, 2, 0));
  EXPECT_EQ((names{"u05-12b-u.gz2", "u07-u.gz2"}), list_names(out));
  expect_same_file(join(gfx, "u07u.gz2"), join(out, "u07-u.gz2"));
}

// Vehicle archives: the legacy program cannot read the current layout; the current program
// reads the older layout, naming every file by its numbers.
TEST(Exchange, VehicleArchives) {
  scratch_dir dir("exch-vehicle");
  std::string gfx = make_folder(dir, "gfx");
  ASSERT_TRUE(put_file(join(gfx, "00005-03.fz2"), text_bytes("below eleven"), STAMPS[1]));
  ASSERT_TRUE(put_file(join(gfx, "12345-15.fz2"), text_bytes("fifteen"), STAMPS[2]));
  vorax({"V2", gfx, dir.file("current")}, 0, packed(2));
  legacy({"V2", gfx, dir.file("older")}, 0, packed(2));
  bytes older = read_file(dir.file("older.fz2"));  // packed numbers 83 and 197535, end mark 0
  EXPECT_EQ(hex_bytes("53 00 00 00 0C 00 00 00 9F 03 03 00 1C 00 00 00 00 00 00 00"),
            bytes(older.begin() + 30, older.begin() + 50));

  std::string out = make_folder(dir, "legacy-out");
  EXPECT_EQ(legacy_banner(),
            legacy({"X", out, dir.file("current.fz2")}, 2, error("Extracting: rc=2")).out);
  EXPECT_EQ(names{}, list_names(out));

  // The reading of its own archives is in the legacy round trips.
  std::string current_out = make_folder(dir, "vorax-out");
  vorax({"X", current_out, dir.file("older.fz2")}, 0, extracted(2, 2, 0));
  EXPECT_EQ((names{"00005-03.fz2", "12345-15.fz2"}), list_names(current_out));
  for (const std::string &name : list_names(gfx))
    expect_same_file(join(gfx, name), join(current_out, name));
}

// Scenery archives: both programs write the same bytes for the same input, and each reads the
// other's, rebuilding names in its own scheme.
TEST(Exchange, SceneryArchives) {
  scratch_dir dir("exch-scenery");
  std::string gfx = make_folder(dir, "gfx");
  const names shared = {"049152-01a.gz2", "049153.gz2", "s123-045a.gz2", "t042-007b.gz2"};
  for (size_t i = 0; i < shared.size(); ++i)
    ASSERT_TRUE(put_file(join(gfx, shared[i]), text_bytes(shared[i] + " data"), STAMPS[i % 4]));
  // The m kind exists only in the current program.
  ASSERT_TRUE(put_file(join(gfx, "m3-100-0.gz2"), text_bytes("m kind")));
  vorax({"S2", gfx, dir.file("with-m")}, 0, packed(5));
  legacy({"S2", gfx, dir.file("legacy")}, 2, error("Data error"));
  std::filesystem::remove(join(gfx, "m3-100-0.gz2"));
  vorax({"S2", gfx, dir.file("current")}, 0, packed(4));
  legacy({"S2", gfx, dir.file("legacy")}, 0, packed(4));
  EXPECT_EQ(read_file(dir.file("current.gz2")), read_file(dir.file("legacy.gz2")));

  // A plain name with part 0 comes back without a part from the legacy program.
  std::string out = make_folder(dir, "legacy-out");
  legacy({"X", out, dir.file("with-m.gz2")}, 0, extracted(5, 5, 0));
  EXPECT_EQ((names{"049152-01a.gz2", "049153.gz2", "m3-100-0.gz2", "s123-045a.gz2",
                   "t042-007b.gz2"}), list_names(out));
  for (const std::string &name : shared) expect_same_file(join(gfx, name), join(out, name));
  EXPECT_EQ(text_bytes("m kind"), read_file(join(out, "m3-100-0.gz2")));
  out = make_folder(dir, "vorax-out");
  vorax({"X", out, dir.file("legacy.gz2")}, 0, extracted(4, 4, 0));
  EXPECT_EQ((names{"049152-01a.gz2", "049153-00a.gz2", "s123-045a.gz2", "t042-007b.gz2"}),
            list_names(out));
  expect_same_file(join(gfx, "049153.gz2"), join(out, "049153-00a.gz2"));

  // "UZX": the same keys under each program's names give the same archive, and each program
  // extracts either archive to its own names.
  const names older = {"u05-12b-park.gz4", "u07-03a-park.gz4", "u89-99d-park.gz4"};
  const names current = {"park-05-12b.gz4", "park-07-03a.gz4", "park-89-99d.gz4"};
  std::string older_gfx = make_folder(dir, "older-gfx"), current_gfx = make_folder(dir, "cur-gfx");
  for (size_t i = 0; i < older.size(); ++i) {
    ASSERT_TRUE(put_file(join(older_gfx, older[i]), text_bytes(current[i]), STAMPS[i]));
    ASSERT_TRUE(put_file(join(current_gfx, current[i]), text_bytes(current[i]), STAMPS[i]));
  }
  legacy({"U4", older_gfx, join(make_folder(dir, "l"), "park")}, 0, packed(3));
  vorax({"U4", current_gfx, join(make_folder(dir, "c"), "park")}, 0, packed(3));
  std::string from_legacy = join(dir.file("l"), "park.uz4");
  std::string from_vorax = join(dir.file("c"), "park.uz4");
  EXPECT_EQ(read_file(from_legacy), read_file(from_vorax));
  for (const std::string &archive : {from_legacy, from_vorax}) {
    std::string lout = make_folder(dir, "lout"), vout = make_folder(dir, "vout");
    legacy({"X", lout, archive}, 0, extracted(3, 3, 0));
    vorax({"X", vout, archive}, 0, extracted(3, 3, 0));
    EXPECT_EQ(older, list_names(lout));
    EXPECT_EQ(current, list_names(vout));
    for (size_t i = 0; i < older.size(); ++i) {
      expect_same_file(join(older_gfx, older[i]), join(lout, older[i]));
      expect_same_file(join(current_gfx, current[i]), join(vout, current[i]));
    }
    std::filesystem::remove_all(lout);
    std::filesystem::remove_all(vout);
  }
}
