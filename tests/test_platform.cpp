#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/wildcard.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

// Every name the search hands out for a pattern, in the order it hands them out.
std::vector<std::string> search_names(const std::string &pattern,
                                      std::vector<plat_found_file> *details = nullptr) {
  std::vector<std::string> names;
  plat_search search = nullptr;
  plat_found_file found;
  if (plat_find_first(pattern.c_str(), &search, &found) != 0) {
    EXPECT_EQ(search, nullptr);
    return names;
  }
  do {
    names.push_back(found.name);
    if (details) details->push_back(found);
  } while (plat_find_next(search, &found) == 0);
  plat_find_close(search);
  return names;
}

// The vehicle search pattern, split in two so that the source holds no trigraph.
const char vehicle_pattern[] = "?????" "-??.fz2";

}  // namespace

TEST(PlatformWildcard, QuestionMarksAtDotAndEnd) {
  EXPECT_EQ(wildcard_match(vehicle_pattern, "12345-01.fz2"), 1);
  EXPECT_EQ(wildcard_match(vehicle_pattern, "12345-1.fz2"), 1);
  EXPECT_EQ(wildcard_match(vehicle_pattern, "1234-1.fz2"), 0);  // '-' is no wildcard
  EXPECT_EQ(wildcard_match(vehicle_pattern, "12345-123.fz2"), 0);
  EXPECT_EQ(wildcard_match(vehicle_pattern, "12345-01.fz4"), 0);
  EXPECT_EQ(wildcard_match("a??", "a"), 1);   // at the end '?' matches nothing
  EXPECT_EQ(wildcard_match("a?c", "a.c"), 0);  // '?' never takes the '.'
  EXPECT_EQ(wildcard_match("a?", "ab"), 1);
  EXPECT_EQ(wildcard_match("a?", "abc"), 0);
  EXPECT_EQ(wildcard_match("", ""), 1);
  EXPECT_EQ(wildcard_match("", "a"), 0);
  EXPECT_EQ(wildcard_match("loco-??" "-??.fz2", "loco-03-12.fz2"), 1);
  EXPECT_EQ(wildcard_match("loco-??" "-??.fz2", "loco-03-1.fz2"), 1);
  EXPECT_EQ(wildcard_match("loco-??" "-??.fz2", "loco-1-12.fz2"), 0);  // ? takes the dash
}

TEST(PlatformWildcard, CaseAndStars) {
  EXPECT_EQ(wildcard_match(vehicle_pattern, "12345-01.FZ2"), 1);
  EXPECT_EQ(wildcard_match("LOCO*", "loco-1-2.fz2"), 1);
  // Only a-z and A-Z fold: 0xE1 and 0xC1 (a and A with acute in code page 1250) stay apart.
  EXPECT_EQ(wildcard_match("\xE1", "\xC1"), 0);
  EXPECT_EQ(wildcard_match("[", "{"), 0);  // 0x5B and 0x7B differ by 0x20 but are no letters
  EXPECT_EQ(wildcard_match("*", ""), 1);
  EXPECT_EQ(wildcard_match("*.fz2", "a.b.fz2"), 1);
  EXPECT_EQ(wildcard_match("a*b*c", "aXbYc"), 1);
  EXPECT_EQ(wildcard_match("a*b*c", "aXcYb"), 0);
  EXPECT_EQ(wildcard_match("**", "abc"), 1);
  EXPECT_EQ(wildcard_match("*?", "ab"), 1);
}

TEST(PlatformWildcard, ManyStarsFinishFast) {
  std::string name(250, 'a');
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  pattern += "*b";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(wildcard_match(pattern.c_str(), name.c_str()), 0);
  name.back() = 'b';
  EXPECT_EQ(wildcard_match(pattern.c_str(), name.c_str()), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(PlatformDosTime, PackUnpackAndClamp) {
  // 14 February 2011 10:30:00 is date 0x3E4E, time 0x53C0.
  dos_fields in = {2011, 2, 14, 10, 30, 1};  // odd second rounds down
  uint16_t date = 0, time = 0;
  dos_from_fields(&in, &date, &time);
  EXPECT_EQ(date, 0x3E4E);
  EXPECT_EQ(time, 0x53C0);
  dos_fields out;
  ASSERT_EQ(dos_to_fields(date, time, &out), 0);
  EXPECT_EQ(out.year, 2011);
  EXPECT_EQ(out.month, 2);
  EXPECT_EQ(out.day, 14);
  EXPECT_EQ(out.hour, 10);
  EXPECT_EQ(out.minute, 30);
  EXPECT_EQ(out.second, 0);

  dos_fields last_valid = {2107, 12, 31, 23, 59, 59};
  dos_from_fields(&last_valid, &date, &time);
  EXPECT_EQ(date, 0xFF9F);
  EXPECT_EQ(time, 0xBF7D);

  dos_fields early = {1979, 12, 31, 23, 59, 59};
  dos_from_fields(&early, &date, &time);
  EXPECT_EQ(date, 0x0021);  // 1980-01-01
  EXPECT_EQ(time, 0x0000);
  dos_fields late = {2108, 1, 1, 0, 0, 0};
  dos_from_fields(&late, &date, &time);
  EXPECT_EQ(date, 0xFF9F);  // 2107-12-31
  EXPECT_EQ(time, 0xBF7D);  // 23:59:58
}

TEST(PlatformDosTime, InvalidFieldsRefused) {
  dos_fields out;
  EXPECT_EQ(dos_to_fields(0x0021, 0x0000, &out), 0);
  EXPECT_EQ(dos_to_fields(0x0001, 0x0000, &out), 1);  // month 0
  EXPECT_EQ(dos_to_fields(0x01A1, 0x0000, &out), 1);  // month 13
  EXPECT_EQ(dos_to_fields(0x0020, 0x0000, &out), 1);  // day 0
  EXPECT_EQ(dos_to_fields(0x0021, 24 << 11, &out), 1);
  EXPECT_EQ(dos_to_fields(0x0021, 60 << 5, &out), 1);
  EXPECT_EQ(dos_to_fields(0x0021, 30, &out), 1);  // 60 seconds
  EXPECT_EQ(dos_to_fields(0x0021, 29, &out), 0);  // 58 seconds

  scratch_dir dir("plat-invalid");
  write_text_file(dir.file("a.bin"), "x");
  EXPECT_FALSE(set_local_time(dir.file("a.bin"), 0x0001, 0));
  EXPECT_FALSE(set_local_time(dir.file("a.bin"), 0x3E4E, 30));
}

TEST(PlatformLocale, LanguageCodes) {
  EXPECT_EQ(primary_language_from_locale("cs_CZ.UTF-8"), 0x05);
  EXPECT_EQ(primary_language_from_locale("sk_SK"), 0x1B);
  EXPECT_EQ(primary_language_from_locale("de"), 0x07);
  EXPECT_EQ(primary_language_from_locale("es_ES@euro"), 0x0A);
  EXPECT_EQ(primary_language_from_locale("pl.ISO-8859-2"), 0x15);
  EXPECT_EQ(primary_language_from_locale("csb_PL"), 0x09);  // another language that starts "cs"
  EXPECT_EQ(primary_language_from_locale("d"), 0x09);
  EXPECT_EQ(primary_language_from_locale("fr_FR.UTF-8"), 0x09);
  EXPECT_EQ(primary_language_from_locale("C"), 0x09);
  EXPECT_EQ(primary_language_from_locale(""), 0x09);
  EXPECT_EQ(primary_language_from_locale(nullptr), 0x09);
}

TEST(PlatformSearch, NormalFilesInByteOrder) {
  scratch_dir dir("plat-search");
  write_text_file(dir.file("b.fz2"), "bb");
  write_text_file(dir.file("B.fz2"), "B");
  write_text_file(dir.file("a.FZ2"), "aaa");
  write_text_file(dir.file(".hidden.fz2"), "h");
  write_text_file(dir.file("c.fz4"), "c");
  fs::create_directory(dir.file("d.fz2"));
  write_text_file(dir.file("target.bin"), "12345");
  fs::create_symlink(dir.file("target.bin"), dir.file("link.fz2"));
  fs::create_symlink(dir.file("missing.bin"), dir.file("broken.fz2"));

  std::vector<plat_found_file> found;
  std::vector<std::string> names = search_names(dir.file("*.fz2"), &found);
  EXPECT_EQ(names, (std::vector<std::string>{"B.fz2", "a.FZ2", "b.fz2", "link.fz2"}));
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[1].size, 3u);
  EXPECT_EQ(found[3].size, 5u);  // the size of what the link points to

  EXPECT_TRUE(search_names(dir.file("*.gz1")).empty());
  EXPECT_TRUE(search_names(dir.path() + "/").empty());
  EXPECT_TRUE(search_names(dir.file("no-such-folder/*")).empty());
}

TEST(PlatformSearch, FileTimesSetAndClamped) {
  scratch_dir dir("plat-time");
  std::string path = dir.file("12345-03.fz2");
  write_text_file(path, "AAAAA");
  ASSERT_TRUE(set_local_time(path, 0x3E4E, 0x53C0));
  uint16_t date = 0, time = 0;
  ASSERT_TRUE(get_local_time(path, &date, &time));
  EXPECT_EQ(date, 0x3E4E);
  EXPECT_EQ(time, 0x53C0);
  // A summer date, where local time may differ from standard time.
  ASSERT_TRUE(set_local_time(path, 0x4AE1, 0x7BBD));  // 2017-07-01 15:29:58
  ASSERT_TRUE(get_local_time(path, &date, &time));
  EXPECT_EQ(date, 0x4AE1);
  EXPECT_EQ(time, 0x7BBD);

  fs::file_time_type now = fs::last_write_time(path);
  fs::last_write_time(path, now - std::chrono::hours(24 * 366 * 60));
  ASSERT_TRUE(get_local_time(path, &date, &time));
  EXPECT_EQ(date, 0x0021);
  EXPECT_EQ(time, 0x0000);
  fs::last_write_time(path, now + std::chrono::hours(24 * 366 * 100));
  ASSERT_TRUE(get_local_time(path, &date, &time));
  EXPECT_EQ(date, 0xFF9F);
  EXPECT_EQ(time, 0xBF7D);
}

TEST(PlatformFiles, CreateReadWriteAndOpen) {
  scratch_dir dir("plat-files");
  std::string path = dir.file("new.bin");
  plat_file file = plat_create_new(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  EXPECT_EQ(plat_write(file, "hello", 5), 0);
  EXPECT_EQ(plat_close(file), 0);

  // An existing file is neither opened nor touched by an exclusive create.
  EXPECT_EQ(plat_create_new(path.c_str()), PLAT_NO_FILE);
  EXPECT_EQ(read_file(path), text_bytes("hello"));

  file = plat_open_read(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  char buffer[8];
  size_t got = 99;
  EXPECT_EQ(plat_read(file, buffer, 3, &got), 0);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(plat_read(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(std::memcmp(buffer, "lo", 2), 0);
  EXPECT_EQ(plat_read(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(plat_close(file), 0);

  EXPECT_EQ(plat_open_read(dir.path().c_str()), PLAT_NO_FILE);  // a folder is no file
  EXPECT_EQ(plat_open_read(dir.file("absent").c_str()), PLAT_NO_FILE);
  EXPECT_EQ(plat_open_existing_for_write(dir.file("absent").c_str()), PLAT_NO_FILE);
  EXPECT_FALSE(exists(dir.file("absent")));

  // Opening for write keeps the content: neither truncated nor created anew.
  file = plat_open_existing_for_write(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  EXPECT_EQ(plat_write(file, "J", 1), 0);
  EXPECT_EQ(plat_close(file), 0);
  EXPECT_EQ(read_file(path), text_bytes("Jello"));

  write_text_file(dir.file("other.bin"), "other");
  EXPECT_EQ(plat_replace_file(dir.file("other.bin").c_str(), path.c_str()), 0);
  EXPECT_EQ(read_file(path), text_bytes("other"));
  EXPECT_FALSE(exists(dir.file("other.bin")));
  EXPECT_EQ(plat_remove_file(path.c_str()), 0);
  EXPECT_FALSE(exists(path));
  EXPECT_EQ(plat_remove_file(path.c_str()), 1);
}

TEST(PlatformFiles, ReadOnlyDetection) {
  scratch_dir dir("plat-ro");
  std::string path = dir.file("a.bin");
  write_text_file(path, "x");
  EXPECT_EQ(plat_is_read_only(path.c_str()), 0);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(plat_is_read_only(path.c_str()), 1);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_write);
  EXPECT_EQ(plat_is_read_only(path.c_str()), 0);  // any write bit makes it writable
  EXPECT_EQ(plat_is_read_only(dir.file("absent").c_str()), 0);
}

TEST(PlatformText, CodePagesToUtf8) {
  char out[64];
  // 0x9A is s with caron in code page 1250; 0x81 is a byte that code page leaves undefined.
  EXPECT_EQ(plat_convert_text("\x9A" "e\x81", 1250, out, sizeof out), 0);
  EXPECT_STREQ(out, "\xC5\xA1" "e?");  // "\u0161e?"
  // 0x82 is e with acute in code page 852; 0xA2 is o with acute in code page 850.
  EXPECT_EQ(plat_convert_text("D\x82lka=", 852, out, sizeof out), 0);
  EXPECT_STREQ(out, "D\xC3\xA9lka=");  // "D\u00e9lka="
  EXPECT_EQ(plat_convert_text("versi\xA2n", 850, out, sizeof out), 0);
  EXPECT_STREQ(out, "versi\xC3\xB3n");  // "versi\u00f3n"

  // A cut result stays terminated and never ends inside a character.
  char small[3];
  std::memset(small, 'Z', sizeof small);
  EXPECT_EQ(plat_convert_text("a\x9A", 1250, small, sizeof small), 1);
  EXPECT_STREQ(small, "a");
  EXPECT_EQ(plat_convert_text("ab", 1250, small, sizeof small), 0);
  EXPECT_STREQ(small, "ab");
}
