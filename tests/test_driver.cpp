// The driver: command-line parsing and the composed final texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/extract.h"
#include "console/catalogue.h"
#include "driver/final_message.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "platform/platform.h"
#include "vorax/vorax.h"
#include "tests/test_support.h"

namespace {

command_line cmd;

// Parses a command line given as separate arguments (the program name is added).
int parse(std::vector<std::string> args) {
  args.insert(args.begin(), "vorax");
  std::vector<char *> argv;
  for (auto &a : args) argv.push_back(&a[0]);
  return parse_command_line((int)argv.size(), argv.data(), &cmd);
}

}  // namespace

// The length limits count a name as the ANSI code page holds it on Windows (one byte for a
// Polish l with stroke, one "?" for a CJK character, in the single-byte code pages that the five
// languages use) and as bytes on POSIX, where the UTF-8 forms take two and three.
TEST(Driver, LengthsCountAsTheSystemHoldsNames) {
  auto times = [](int count, const std::string &character) {
    std::string text;
    for (int i = 0; i < count; ++i) text += character;
    return text;
  };
  const std::string l_stroke = "\xC5\x82", cjk = "\xE6\x97\xA5";  // both UTF-8
  const bool win = on_windows();
  ASSERT_TRUE(!win || ansi_code_page() == 1250 || ansi_code_page() == 1252) << ansi_code_page();
  EXPECT_EQ(plat_name_length(("ab" + l_stroke + cjk).c_str()), win ? 4u : 7u);
  EXPECT_EQ(plat_name_length(""), 0u);

  EXPECT_EQ(parse({"V2", times(259, l_stroke), "t"}), win ? 0 : 1);
  EXPECT_EQ(parse({"V2", times(260, l_stroke), "t"}), 1);
  EXPECT_EQ(parse({"V2", times(259, cjk), "t"}), win ? 0 : 1);
  EXPECT_EQ(parse({"V2", times(260, cjk), "t"}), 1);
  EXPECT_EQ(parse({"V2", "gfx", times(255, l_stroke)}), win ? 0 : 1);
  if (win) {
    EXPECT_EQ(std::string(cmd.archive_name), times(255, l_stroke) + ".fz2");
  }
  EXPECT_EQ(parse({"V2", "gfx", times(256, l_stroke)}), 1);
  EXPECT_EQ(parse({"X", "out", times(259, l_stroke)}), win ? 0 : 1);

  // Extraction and packing take archive names of up to 199 characters (result 5 beyond).
  scratch_dir dir("driver-lengths");
  const std::string folder = dir.path();
  int32_t n;
  char failed[NAME_BUFFER_BYTES];
  for (int count : {199, 200}) {
    SCOPED_TRACE(count);
    const bool refused = count == 200 || !win;
    const std::string name = times(count, l_stroke);
    EXPECT_EQ(extract_archive(name.c_str(), folder.c_str(), 0, &n, &n, &n, 0) == 5, refused);
    EXPECT_EQ(pack_vehicles(name.c_str(), folder.c_str(), 2, failed, 0, 1, 0) == 5, refused);
  }
}

TEST(Driver, CommandsAndDefaultExtensions) {
  for (const char *spelling : {"v2", "-V2", "/v2", "- v 2", "V2junk", "  V2"}) {
    ASSERT_EQ(0, parse({spelling, "gfx", "train"})) << spelling;
    EXPECT_TRUE(cmd.vehicle && !cmd.select_by_name && !cmd.extract) << spelling;
    EXPECT_EQ(2, cmd.zoom_digit) << spelling;
    EXPECT_EQ("train.fz2", std::string(cmd.archive_name)) << spelling;
  }
  for (const char *bad : {"V3", "V", "Q2", "", "-", "V 3"}) EXPECT_EQ(1, parse({bad, "g", "t"}));
  // Only the first 18 characters count: 17 blanks and "V2" lose the digit.
  EXPECT_EQ(1, parse({std::string(17, ' ') + "V2", "gfx", "a"}));
  EXPECT_EQ(0, parse({std::string(16, ' ') + "V2", "gfx", "a"}));
  for (const char *x : {"X", "x9", "Xtra", "/x"}) {  // X needs no digit, ignores what follows
    ASSERT_EQ(0, parse({x, "out", "train"})) << x;
    EXPECT_TRUE(cmd.extract);
    EXPECT_EQ("train", std::string(cmd.archive_name));  // no extension added for X
  }

  struct { const char *command, *archive, *expected; int zoom, vehicle, by_name; } cases[] = {
      {"V4", "train", "train.fz4", 4, 1, 0}, {"W2", "loco", "loco.fz2", 2, 1, 1},
      {"S1", "train", "train.gz1", 1, 0, 0}, {"U4", "train", "train.uz4", 4, 0, 1},
      {"S2", "train.dat", "train.dat", 2, 0, 0}, {"V1", "t", "t.fz1", 1, 1, 0},
      // Only a "." in the last component keeps the name as typed.
      {"U2", "./out/park", "./out/park.uz2", 2, 0, 1},
      {"V2", "../archives/train", "../archives/train.fz2", 2, 1, 0},
      {"S4", "v1.2/train", "v1.2/train.gz4", 4, 0, 0},
      {"S2", "v1.2/train.old", "v1.2/train.old", 2, 0, 0},
      {"V2", "out/.train", "out/.train", 2, 1, 0},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(0, parse({c.command, "gfx", native(c.archive)})) << c.archive;
    EXPECT_EQ(native(c.expected), std::string(cmd.archive_name)) << c.archive;
    EXPECT_EQ(c.zoom * 100 + c.vehicle * 10 + c.by_name,
              cmd.zoom_digit * 100 + cmd.vehicle * 10 + cmd.select_by_name) << c.command;
  }
}

TEST(Driver, OptionsDirectoryAndLengths) {
  for (const char *options : {"-OSI", "/osi", "iso", "O S I", " - SOI"}) {
    ASSERT_EQ(0, parse({"V2", "gfx", "t", options}));
    EXPECT_TRUE(cmd.overwrite && cmd.simulate && cmd.info && !cmd.quiet) << options;
  }
  ASSERT_EQ(0, parse({"V2", "gfx", "t", "-Z"}));
  EXPECT_FALSE(cmd.overwrite || cmd.simulate || cmd.info || cmd.quiet);
  for (const char *options : {"Q", "-q", "oQs", "/siq"}) {
    ASSERT_EQ(0, parse({"X", "out", "t", options}));
    EXPECT_TRUE(cmd.quiet) << options;
  }
  // Q is known also when the command is refused, so that the usage text does not wait either.
  for (const std::vector<std::string> &refused :
       {std::vector<std::string>{"V3", "g", "t", "Q"}, {"V2", std::string(260, 'd'), "t", "q"}}) {
    EXPECT_EQ(1, parse(refused));
    EXPECT_TRUE(cmd.quiet);
  }
  // Letters after the 18th character of the argument are ignored.
  ASSERT_EQ(0, parse({"V2", "gfx", "t", "-" + std::string(17, ' ') + "OS"}));
  EXPECT_FALSE(cmd.overwrite || cmd.simulate);
  ASSERT_EQ(0, parse({"V2", "gfx", "t", "-" + std::string(16, ' ') + "OS"}));
  EXPECT_TRUE(cmd.overwrite && !cmd.simulate);

  // One trailing separator is removed from the directory, no more.
  ASSERT_EQ(0, parse({"V2", native("gfx/"), "t"}));
  EXPECT_EQ(native("gfx"), std::string(cmd.directory));
  ASSERT_EQ(0, parse({"V2", native("gfx//"), "t"}));
  EXPECT_EQ(native("gfx/"), std::string(cmd.directory));

  // Names that do not fit their 260-character fields are refused, never cut; the default
  // extension must fit as well.
  EXPECT_EQ(0, parse({"V2", std::string(259, 'd'), "t"}));
  EXPECT_EQ(1, parse({"V2", std::string(260, 'd'), "t"}));
  EXPECT_EQ(1, parse({"V2", std::string(100000, 'd'), "t"}));
  EXPECT_EQ(0, parse({"X", "out", std::string(259, 'a')}));
  EXPECT_EQ(1, parse({"X", "out", std::string(260, 'a')}));
  EXPECT_EQ(0, parse({"V2", "gfx", std::string(255, 'a')}));
  EXPECT_EQ(std::string(255, 'a') + ".fz2", std::string(cmd.archive_name));
  EXPECT_EQ(1, parse({"V2", "gfx", std::string(256, 'a')}));
}

TEST(Driver, ComposedPackingResults) {
  language_index = LANGUAGE_ENGLISH;
  reset_packing_state();
  entry_count = 12;
  front2_count = 3;
  side2_count = 5;
  door2_count = 1;
  door_r_count = 2;
  command_line pack = {};
  pack.vehicle = 1;
  final_message m;
  compose_pack_result(0, &pack, "", message_text, &m);
  EXPECT_EQ("Packed: 12 files", std::string(m.text));
  EXPECT_EQ((uint32_t)MSG_DONE_TITLE, m.title);
  pack.info = 1;
  compose_pack_result(0, &pack, "", message_text, &m);
  EXPECT_EQ("Packed: 12 files\n\n front2=3 side2=5 door2,r,l=1,2,0", std::string(m.text));
  pack.vehicle = 0;  // scenery: option I changes nothing in the final message
  compose_pack_result(0, &pack, "", message_text, &m);
  EXPECT_EQ("Packed: 12 files", std::string(m.text));

  struct { unsigned result; const char *text; } cases[] = {
      {1, "No file found"}, {3, "No archive file created"}, {4, "Error while writing"},
      {11, "Error while reading: \"12345-01.fz2\""}, {12, "Out of memory: \"12345-01.fz2\""},
      {13, "Data error: \"12345-01.fz2\""}, {2, "Packing: rc=2"}, {5, "Packing: rc=5"},
      {7, "Packing: rc=7"}, {14, "Packing: rc=14"},
  };
  for (const auto &c : cases) {
    compose_pack_result(c.result, &pack, "12345-01.fz2", message_text, &m);
    EXPECT_EQ(c.text, std::string(m.text)) << c.result;
    EXPECT_EQ((uint32_t)MSG_ERROR_TITLE, m.title) << c.result;
    // Where the name stands, so that it is shown as a name.
    const std::string text = c.text;
    const size_t at = text.find("12345-01.fz2");
    EXPECT_EQ(m.name_at, at == std::string::npos ? 0 : at) << c.result;
    EXPECT_EQ(m.name_length, at == std::string::npos ? 0u : 12u) << c.result;
  }
  compose_archive_refusal(MSG_ARCHIVE_EXISTS, "a%%b.fz2", message_text, &m);
  EXPECT_EQ(std::string(m.text).substr(m.name_at, m.name_length), "a%%b.fz2");
  EXPECT_EQ(std::string(m.text).find("a%%b"), m.name_at);
  // A text without the name marks none.
  compose_with_name("plain", "x", &m);
  EXPECT_EQ(std::string(m.text), "plain");
  EXPECT_EQ(m.name_length, 0u);
  compose_with_name("100%% \"%s\"", "x", &m);
  EXPECT_EQ(std::string(m.text), "100% \"x\"");
  EXPECT_EQ(m.name_at, 6u);
  // The extraction results and the refusals are checked on the built program.
  // The longest file name in the longest language fits the composed text.
  std::string long_name(259, 'n');
  language_index = LANGUAGE_POLISH;
  compose_pack_result(13, &pack, long_name.c_str(), message_text, &m);
  EXPECT_NE(std::string::npos, std::string(m.text).find(long_name + "\""));
  language_index = LANGUAGE_ENGLISH;
  reset_packing_state();
}

// Scripts tell the outcome by the exit status: every final message under the title "Error" is a
// failure (2), every other one success (0); refusals before the start are 1 (end-to-end tests).
TEST(Driver, ExitStatusOfEveryFinalMessage) {
  language_index = LANGUAGE_ENGLISH;
  command_line pack = {};
  pack.vehicle = 1;
  final_message m;
  for (int info = 0; info <= 1; ++info) {
    pack.info = info;
    compose_pack_result(0, &pack, "", message_text, &m);
    EXPECT_EQ(EXIT_DONE, final_status(&m)) << m.text;
  }
  for (unsigned result : {1u, 2u, 3u, 4u, 5u, 7u, 10u, 11u, 12u, 13u, 14u, 0xFFFFFFFFu}) {
    compose_pack_result(result, &pack, "12345-01.fz2", message_text, &m);
    EXPECT_EQ(EXIT_FAILED, final_status(&m)) << m.text;
  }
  // Extraction that kept existing files did its work.
  compose_extract_result(0, 2, 1, 1, message_text, &m);
  EXPECT_EQ(EXIT_DONE, final_status(&m)) << m.text;
  for (unsigned result : {1u, 2u, 3u, 4u, 5u}) {
    compose_extract_result(result, 2, 1, 0, message_text, &m);
    EXPECT_EQ(EXIT_FAILED, final_status(&m)) << m.text;
  }
  EXPECT_EQ(0, EXIT_DONE);
  EXPECT_EQ(1, EXIT_REFUSED);
  EXPECT_EQ(2, EXIT_FAILED);
}
