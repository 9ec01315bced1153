#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "platform/faults.h"
#include "platform/platform.h"
#include "platform/wildcard.h"
#include "tests/test_support.h"
#include "util/stream.h"

#ifdef _WIN32
#include <windows.h>

#include <thread>
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>

#include "platform/local_time.h"
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Every name the search hands out for a pattern, in its order.
names search_names(const std::string &pattern, std::vector<plat_found_file> *details = nullptr) {
  names found_names;
  plat_search search = nullptr;
  plat_found_file found;
  if (plat_find_first(pattern.c_str(), &search, &found) != 0) {
    EXPECT_EQ(search, nullptr);
    return found_names;
  }
  do {
    found_names.push_back(found.name);
    if (details) details->push_back(found);
  } while (plat_find_next(search, &found) == 0);
  plat_find_close(search);
  return found_names;
}

}  // namespace

TEST(PlatformWildcard, MatchesAsTheWindowsSearch) {
  // "?" stands as "?\?" so that the source holds no trigraph.
  struct { const char *pattern, *name; int match; } cases[] = {
      {"?\?\?\?\?-?\?.fz2", "12345-01.fz2", 1}, {"?\?\?\?\?-?\?.fz2", "12345-1.fz2", 1},
      {"?\?\?\?\?-?\?.fz2", "1234-1.fz2", 0},   {"?\?\?\?\?-?\?.fz2", "12345-123.fz2", 0},
      {"?\?\?\?\?-?\?.fz2", "12345-01.fz4", 0}, {"?\?\?\?\?-?\?.fz2", "12345-01.FZ2", 1},
      {"a?\?", "a", 1},   {"a?c", "a.c", 0},    {"a?", "ab", 1},  {"a?", "abc", 0},
      {"", "", 1},        {"", "a", 0},         {"loco-?\?-?\?.fz2", "loco-1-12.fz2", 0},
      {"LOCO*", "loco-1-2.fz2", 1},             {"\xE1", "\xC1", 0},  // a, A with acute
      {"[", "{", 0},      {"*", "", 1},         {"*.fz2", "a.b.fz2", 1},
      {"a*b*c", "aXbYc", 1}, {"a*b*c", "aXcYb", 0}, {"**", "abc", 1}, {"*?", "ab", 1},
  };
  for (const auto &c : cases) EXPECT_EQ(wildcard_match(c.pattern, c.name, 0), c.match) << c.name;
  // Names held as UTF-8: "?" takes a whole character, also behind a "*".
  struct { const char *pattern, *name; int bytes, characters; } utf8_cases[] = {
      {"?\?\?\?\?-?\?.fz2", "\xC5\x82" "2345-01.fz2", 0, 1},  // l with stroke first
      {"a?c", "a\xE6\x97\xA5" "c", 0, 1},                           // a CJK character
      {"a??c", "a\xE6\x97\xA5" "c", 0, 0},
      {"*?\xA5", "\xE6\x97\xA5", 1, 0},  {"*??c", "a\xE6\x97\xA5" "c", 1, 1},
      {"*?\?-1", "\xC5\x82-1", 1, 0},
      {"*-?.fz2", "\xC5\x82-\xC5\x82.fz2", 0, 1},
  };
  for (const auto &c : utf8_cases) {
    EXPECT_EQ(wildcard_match(c.pattern, c.name, 0), c.bytes) << c.pattern;
    EXPECT_EQ(wildcard_match(c.pattern, c.name, 1), c.characters) << c.pattern;
  }

  // Many stars finish fast: no backtracking over every way to split the name. The longest name
  // that matches at all (the sanitizer build sees any step past the sets), and one byte more.
  EXPECT_EQ(wildcard_match("*", std::string(NAME_BUFFER_BYTES, 'a').c_str(), 0), 0);
  std::string name(NAME_BUFFER_BYTES - 1, 'a'), pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  pattern += "*b";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(wildcard_match(pattern.c_str(), name.c_str(), 0), 0);
  name.back() = 'b';
  EXPECT_EQ(wildcard_match(pattern.c_str(), name.c_str(), 0), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(PlatformDosTime, PackClampAndRefuse) {
  // {year, month, day, hour, minute, second} -> date, time; odd seconds round down, and times
  // outside 1980 to 2107 are clamped to its ends.
  struct { dos_fields in; uint16_t date, time; } cases[] = {
      {{2011, 2, 14, 10, 30, 1}, 0x3E4E, 0x53C0},   {{2107, 6, 1, 12, 0, 0}, 0xFEC1, 0x6000},
      {{2107, 12, 31, 23, 59, 59}, 0xFF9F, 0xBF7D}, {{2108, 1, 1, 0, 0, 0}, 0xFF9F, 0xBF7D},
      {{1980, 1, 1, 0, 0, 0}, 0x0021, 0x0000},      {{1979, 12, 31, 23, 59, 59}, 0x0021, 0x0000},
      // Seconds outside 0 to 59 (a leap second, a negative one) stay inside their five bits.
      {{2011, 2, 14, 10, 30, 60}, 0x3E4E, 0x53DD},  {{2011, 2, 14, 10, 30, 61}, 0x3E4E, 0x53DD},
      {{2011, 2, 14, 10, 30, -1}, 0x3E4E, 0x53C0},  {{2011, 2, 14, 10, 30, -2}, 0x3E4E, 0x53C0},
      {{2011, 2, 14, 10, 30, -61}, 0x3E4E, 0x53C0},
  };
  for (const auto &c : cases) {
    uint16_t date = 0, time = 0;
    dos_from_fields(&c.in, &date, &time);
    EXPECT_EQ(date, c.date) << c.in.year;
    EXPECT_EQ(time, c.time) << c.in.year;
  }
  dos_fields out;
  // Fields that Windows refuses: month 0 and 13, day 0, hour 24, minute 60, 60 seconds.
  EXPECT_EQ(dos_to_fields(0x0021, 29, &out), 0);  // 58 seconds
  const uint16_t refused[][2] = {{0x0001, 0}, {0x01A1, 0}, {0x0020, 0},
                                  {0x0021, 24 << 11}, {0x0021, 60 << 5}, {0x0021, 30}};
  for (const auto &bad : refused) EXPECT_EQ(dos_to_fields(bad[0], bad[1], &out), 1) << bad[0];
  scratch_dir dir("plat-invalid");
  write_file(dir.file("a.bin"), text_bytes("x"));
  EXPECT_FALSE(set_local_time(dir.file("a.bin"), 0x0001, 0));
  EXPECT_FALSE(set_local_time(dir.file("a.bin"), 0x3E4E, 30));
}

TEST(PlatformLocale, LanguageCodes) {
  struct { const char *locale; int primary; } cases[] = {
      {"cs_CZ.UTF-8", 0x05}, {"sk_SK", 0x1B}, {"de", 0x07}, {"es_ES@euro", 0x0A},
      {"pl.ISO-8859-2", 0x15}, {"csb_PL", 0x09}, {"d", 0x09}, {"fr_FR.UTF-8", 0x09},
      {"C", 0x09}, {"", 0x09}, {nullptr, 0x09},
  };
  for (const auto &c : cases) EXPECT_EQ(primary_language_from_locale(c.locale), c.primary);
}

TEST(PlatformSearch, NormalFilesWithTheirSizes) {
  scratch_dir dir("plat-search");
  write_file(dir.file("b.fz2"), text_bytes("bb"));
  write_file(dir.file("a.FZ2"), text_bytes("aaa"));
  write_file(dir.file("c.fz4"), text_bytes("c"));
  fs::create_directory(dir.file("d.fz2"));
  std::vector<plat_found_file> found;
  EXPECT_EQ(search_names(dir.file("*.fz2"), &found), (names{"a.FZ2", "b.fz2"}));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].size, 3u);
  EXPECT_EQ(found[1].size, 2u);
  EXPECT_TRUE(search_names(dir.file("*.gz1")).empty());
  EXPECT_TRUE(search_names(dir.path() + path_separator).empty());
  EXPECT_TRUE(search_names(join(dir.file("no-such-folder"), "*")).empty());
}

// POSIX: a leading "." hides a file, a link counts as what it points to, and the names come in
// byte order, so that runs are reproducible.
TEST(PlatformSearch, DotFilesLinksAndByteOrderPosix) {
  if (on_windows()) GTEST_SKIP() << "Windows has hidden attributes and the file system's order";
  scratch_dir dir("plat-search-posix");
  write_file(dir.file("b.fz2"), text_bytes("bb"));
  write_file(dir.file("B.fz2"), text_bytes("B"));
  write_file(dir.file("a.fz2"), text_bytes("a"));
  write_file(dir.file(".hidden.fz2"), text_bytes("h"));
  write_file(dir.file("target.bin"), text_bytes("12345"));
  fs::create_symlink(dir.file("target.bin"), dir.file("link.fz2"));
  fs::create_symlink(dir.file("missing.bin"), dir.file("broken.fz2"));
  std::vector<plat_found_file> found;
  EXPECT_EQ(search_names(dir.file("*.fz2"), &found),
            (names{"B.fz2", "a.fz2", "b.fz2", "link.fz2"}));
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[3].size, 5u);  // the size of what the link points to
}

// Windows: the hidden and the system attribute hide a file, and the names come in the file
// system's order, which is by name regardless of case on NTFS and under Wine.
TEST(PlatformSearch, HiddenSystemAndNameOrderWindows) {
  if (!on_windows()) GTEST_SKIP() << "POSIX hides names beginning with \".\" and sorts bytes";
  scratch_dir dir("plat-search-windows");
  for (const char *name : {"b.fz2", "C.fz2", "a.fz2", "hidden.fz2", "system.fz2"})
    write_file(dir.file(name), text_bytes(name));
#ifdef _WIN32
  // Set by the system's own call: under Wine a shell started for "attrib" now and then fails to
  // start at all.
  EXPECT_TRUE(SetFileAttributesA(dir.file("hidden.fz2").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(SetFileAttributesA(dir.file("system.fz2").c_str(), FILE_ATTRIBUTE_SYSTEM));
#endif
  EXPECT_EQ(search_names(dir.file("*.fz2")), (names{"a.fz2", "b.fz2", "C.fz2"}));
}

TEST(PlatformSearch, FileTimesClamped) {
  scratch_dir dir("plat-time");
  std::string path = dir.file("12345-03.fz2");
  write_file(path, text_bytes("AAAAA"));
  fs::file_time_type now = fs::last_write_time(path);
  fs::last_write_time(path, now - std::chrono::hours(24 * 366 * 60));
  EXPECT_EQ(stamp_of(path), 0x00210000u);
  fs::last_write_time(path, now + std::chrono::hours(24 * 366 * 100));
  EXPECT_EQ(stamp_of(path), 0xFF9FBF7Du);
}

TEST(PlatformFiles, ExclusiveCreateAndReadOnly) {
  scratch_dir dir("plat-files");
  std::string path = dir.file("new.bin");
  plat_file file = plat_create_new(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  EXPECT_EQ(plat_write(file, "hello", 5), 0);
  EXPECT_EQ(plat_close(file), 0);
  EXPECT_EQ(plat_create_new(path.c_str()), PLAT_NO_FILE);  // never opens or touches a file
  EXPECT_EQ(read_file(path), text_bytes("hello"));

  EXPECT_EQ(plat_open_read(dir.path().c_str()), PLAT_NO_FILE);  // a folder is no file

  // Taking the write permission away makes a file read-only (on Windows: the attribute).
  fs::permissions(path, fs::perms::owner_read);
  EXPECT_EQ(plat_is_read_only(path.c_str()), 1);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(plat_is_read_only(path.c_str()), 0);
}

// POSIX counts a file read-only only when no write permission bit at all is set.
TEST(PlatformFiles, AnyWriteBitMakesWritablePosix) {
  if (on_windows()) GTEST_SKIP() << "Windows has one read-only attribute";
  scratch_dir dir("plat-write-bits");
  std::string path = dir.file("a.bin");
  write_file(path, text_bytes("a"));
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_write);
  EXPECT_EQ(plat_is_read_only(path.c_str()), 0);
}

// One lookup tells what stands under a name; a listed file is read in requests that come back
// short only at its end.
TEST(PlatformFiles, LookUpFactsAndReadsOfListedFiles) {
  scratch_dir dir("plat-facts");
  std::string path = dir.file("a.bin");
  write_file(path, text_bytes("12345"));
  plat_name_facts facts;
  EXPECT_EQ(plat_look_up_file(path.c_str(), &facts), NAME_FILE);
  EXPECT_EQ(facts.read_only, 0);
  EXPECT_EQ(facts.size, 5u);
  // One file, by whatever name or handle it is reached; another file is another.
  ASSERT_TRUE(facts.id.known);
  fs::create_hard_link(path, dir.file("twin.bin"));
  write_file(dir.file("b.bin"), text_bytes("12345"));
  plat_file_id id;
  EXPECT_EQ(plat_path_identity(dir.file("twin.bin").c_str(), &id), 0);
  EXPECT_EQ(plat_same_file(&id, &facts.id), 1);
  EXPECT_EQ(plat_path_identity(dir.file("b.bin").c_str(), &id), 0);
  EXPECT_EQ(plat_same_file(&id, &facts.id), 0);
  EXPECT_EQ(plat_path_identity(dir.file("gone").c_str(), &id), 1);
  EXPECT_EQ(plat_same_file(&id, &id), 0);  // not known: matches nothing
  plat_file opened = plat_open_read(path.c_str());
  ASSERT_NE(opened, PLAT_NO_FILE);
  EXPECT_EQ(plat_file_identity(opened, &id), 0);
  EXPECT_EQ(plat_same_file(&id, &facts.id), 1);
  EXPECT_EQ(plat_close(opened), 0);
  fs::permissions(path, fs::perms::owner_read);
  EXPECT_EQ(plat_look_up_file(path.c_str(), &facts), NAME_FILE);
  EXPECT_EQ(facts.read_only, 1);
  if (!on_windows()) {
    EXPECT_EQ(facts.mode, 0400u);
  }
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(plat_look_up_file(dir.file("gone").c_str(), &facts), NAME_FREE);
  EXPECT_EQ(plat_look_up_file(dir.path().c_str(), &facts), NAME_OTHER);
  EXPECT_EQ(plat_look_up_file("", &facts), NAME_INVALID);

  plat_file file = plat_open_listed(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  char buffer[16];
  size_t got = 0;
  EXPECT_EQ(plat_read_some(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(plat_read_some(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(plat_close(file), 0);
  EXPECT_EQ(plat_open_listed(dir.file("gone").c_str()), PLAT_NO_FILE);
}

// Names in a kept folder are reached through its handle, names elsewhere by their path; letting
// the folder go (or keeping another) changes nothing for the caller.
TEST(PlatformFiles, KeptFolderReachesItsNames) {
  scratch_dir dir("plat-kept");
  std::string kept = make_folder(dir, "kept");
  std::string other = make_folder(dir, "other");
  plat_keep_folder(kept.c_str());
  // The kept folder also when named with a trailing separator; a name that ends in one names
  // the folder, not a file in it.
  plat_file unnamed = PLAT_NO_FILE;
  if (plat_create_unnamed((kept + path_separator).c_str(), &unnamed) == PLAT_UNNAMED_MADE) {
    EXPECT_EQ(plat_close(unnamed), 0);
  }
  if (!on_windows()) {
    EXPECT_EQ(plat_look_up_name((kept + path_separator).c_str()), NAME_OTHER);
  }
  for (const std::string &folder : {kept, other}) {
    SCOPED_TRACE(folder);
    std::string a = join(folder, "a"), b = join(folder, "b");
    plat_file file = plat_create_new(a.c_str());
    ASSERT_NE(file, PLAT_NO_FILE);
    EXPECT_EQ(plat_write(file, "xyz", 3), 0);
    EXPECT_EQ(plat_close(file), 0);
    EXPECT_EQ(plat_look_up_name(a.c_str()), NAME_FILE);
    EXPECT_EQ(plat_move_file_new(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(plat_look_up_name(a.c_str()), NAME_FREE);
    EXPECT_EQ(read_file(b), text_bytes("xyz"));
    write_file(a, text_bytes("a"));
    EXPECT_EQ(plat_move_file_new(a.c_str(), b.c_str()), 2);
    EXPECT_EQ(plat_replace_file(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(read_file(b), text_bytes("a"));
    file = plat_open_read(b.c_str());
    ASSERT_NE(file, PLAT_NO_FILE);
    EXPECT_EQ(plat_close(file), 0);
    EXPECT_EQ(plat_remove_file(b.c_str()), 0);
    EXPECT_EQ(list_names(folder), names{});
  }
  // A kept folder that another process moves is still the one written into (POSIX); once it is
  // let go, its old path names nothing.
  if (!on_windows()) {
    fs::rename(kept, join(dir.path(), "moved"));
    plat_file file = plat_create_new(join(kept, "c").c_str());
    ASSERT_NE(file, PLAT_NO_FILE);
    EXPECT_EQ(plat_close(file), 0);
    EXPECT_EQ(list_names(join(dir.path(), "moved")), names{"c"});
    plat_keep_folder(other.c_str());
    EXPECT_EQ(plat_create_new(join(kept, "d").c_str()), PLAT_NO_FILE);
  }
  plat_keep_folder(nullptr);
}

// The search lists a kept folder through its handle, as often as it is asked: a folder that
// another process puts under the path meanwhile is not listed, and names, sizes and times come
// from the kept one. Once it is let go, the path is listed again (POSIX).
TEST(PlatformSearch, KeptFolderIsListedThroughItsHandlePosix) {
  if (on_windows()) GTEST_SKIP() << "Windows keeps no folder";
  scratch_dir dir("plat-kept-list");
  std::string kept = make_folder(dir, "gfx");
  write_file(join(kept, "a.fz2"), text_bytes("first"));
  ASSERT_TRUE(set_local_time(join(kept, "a.fz2"), 0x3E4E, 0x53C0));
  plat_keep_folder(kept.c_str());
  fs::rename(kept, dir.file("moved"));
  std::string other = make_folder(dir, "gfx");
  write_file(join(other, "a.fz2"), text_bytes("second folder"));
  write_file(join(other, "b.fz2"), text_bytes("b"));
  const std::string pattern = join(kept, "*.fz2");
  plat_search search = nullptr;
  plat_found_file found;
  for (int listing = 0; listing < 2; ++listing) {
    SCOPED_TRACE(listing);
    ASSERT_EQ(plat_find_first(pattern.c_str(), &search, &found), 0);
    EXPECT_STREQ(found.name, "a.fz2");
    EXPECT_EQ(found.size, 5u);
    EXPECT_EQ(found.dos_date, 0x3E4E);
    EXPECT_EQ(found.dos_time, 0x53C0);
    EXPECT_EQ(plat_find_next(search, &found), 1);
    plat_find_close(search);
  }
  plat_keep_folder(nullptr);
  ASSERT_EQ(plat_find_first(pattern.c_str(), &search, &found), 0);
  EXPECT_STREQ(found.name, "a.fz2");
  EXPECT_EQ(found.size, 13u);
  EXPECT_EQ(plat_find_next(search, &found), 0);
  EXPECT_STREQ(found.name, "b.fz2");
  plat_find_close(search);
}

TEST(PlatformText, CutConversionStaysTerminated) {
  char small[3];
  std::memset(small, 'Z', sizeof small);
  EXPECT_EQ(plat_convert_text("abc", 1250, small, sizeof small), 1);
  EXPECT_STREQ(small, "ab");
  EXPECT_EQ(plat_convert_text("ab", 1250, small, sizeof small), 0);
  EXPECT_STREQ(small, "ab");
}

// A code page without a converter: POSIX keeps the ASCII bytes and shows "?" for the others,
// Windows passes the stored bytes on. A result that does not fit is cut, terminated, and
// reported; so is a byte that the code page does not define.
TEST(PlatformText, UnknownCodePageAndUndefinedBytes) {
  struct { const char *text; int code_page; size_t size; int rc; const char *posix; } cases[] = {
      {"a\x9A" "b", 437, 8, 0, "a?b"},   {"abc", 437, 4, 0, "abc"},  {"abc", 437, 3, 1, "ab"},
      {"a\x9A" "b", 437, 3, 1, "a?"},    {"a", 437, 1, 1, ""},       {"", 437, 1, 0, ""},
      {"a\x81" "b", 1250, 8, 0, "a?b"},  {"ab\x81", 1250, 3, 1, "ab"},
      {"a\x81", 1250, 3, 0, "a?"},
  };
  for (const auto &c : cases) {
    char out[16];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(plat_convert_text(c.text, c.code_page, out, c.size), c.rc) << c.text;
    std::string expected = c.posix;
    if (on_windows()) expected = std::string(c.text, std::min(std::strlen(c.text), c.size - 1));
    EXPECT_EQ(std::string(out), expected) << c.text;
    EXPECT_EQ(out[c.size], 'Z') << c.text;  // nothing written beyond the buffer
  }
  char out[4] = "old";
  EXPECT_EQ(plat_convert_text("a", 437, out, 0), 1);
  EXPECT_STREQ(out, "old");
  EXPECT_EQ(plat_convert_text(nullptr, 437, out, sizeof out), 0);
  EXPECT_STREQ(out, "");
}

// A cut UTF-8 result never ends inside a character (0x9A: s with caron, two bytes in UTF-8).
TEST(PlatformText, CutNeverSplitsACharacterPosix) {
  if (on_windows()) GTEST_SKIP() << "Windows passes the stored bytes on";
  char small[3];
  EXPECT_EQ(plat_convert_text("a\x9A", 1250, small, sizeof small), 1);
  EXPECT_STREQ(small, "a");
}

// Every function refuses what names nothing: a missing handle, path or buffer, a path too long
// for the name buffers, a pattern without a name part.
TEST(PlatformFiles, MissingArgumentsAreRefused) {
  scratch_dir dir("plat-missing");
  const std::string path = dir.file("a.bin");
  write_file(path, text_bytes("a"));
  const std::string too_long = dir.file(std::string(NAME_BUFFER_SIZE, 'x'));
  char buffer[8];
  size_t got = 7;
  EXPECT_EQ(plat_open_read(nullptr), PLAT_NO_FILE);
  EXPECT_EQ(plat_open_read(""), PLAT_NO_FILE);
  EXPECT_EQ(plat_open_listed(nullptr), PLAT_NO_FILE);
  EXPECT_EQ(plat_open_listed(""), PLAT_NO_FILE);
  EXPECT_EQ(plat_create_new(nullptr), PLAT_NO_FILE);
  EXPECT_EQ(plat_create_new(""), PLAT_NO_FILE);
  EXPECT_EQ(plat_read(PLAT_NO_FILE, buffer, sizeof buffer, &got), 1);
  EXPECT_EQ(got, 0u);
  got = 7;
  EXPECT_EQ(plat_read_some(PLAT_NO_FILE, buffer, sizeof buffer, &got), 1);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(plat_write(PLAT_NO_FILE, "a", 1), 1);
  EXPECT_EQ(plat_set_file_time(PLAT_NO_FILE, 0x3E4E, 0x53C0), 1);
  EXPECT_EQ(plat_flush(PLAT_NO_FILE), 1);
  EXPECT_EQ(plat_close(PLAT_NO_FILE), 1);
  EXPECT_EQ(plat_link_file(PLAT_NO_FILE, dir.file("b").c_str()), PLAT_NAMING_FAILED);
  EXPECT_EQ(plat_replace_file(nullptr, path.c_str()), 1);
  EXPECT_EQ(plat_replace_file(path.c_str(), nullptr), 1);
  EXPECT_EQ(plat_move_file_new(nullptr, path.c_str()), PLAT_NAMING_FAILED);
  EXPECT_EQ(plat_move_file_new(path.c_str(), nullptr), PLAT_NAMING_FAILED);
  EXPECT_EQ(plat_remove_file(nullptr), 1);
  EXPECT_EQ(plat_is_read_only(nullptr), 0);
  EXPECT_EQ(plat_is_read_only(""), 0);
  EXPECT_EQ(plat_is_read_only(dir.file("gone").c_str()), 0);
  plat_name_facts facts;
  EXPECT_EQ(plat_look_up_file(nullptr, &facts), NAME_INVALID);
  EXPECT_EQ(plat_lend_attributes(PLAT_NO_FILE, &facts), 0);
  EXPECT_EQ(plat_take_attributes(PLAT_NO_FILE, path.c_str()), 0);
  plat_file_id id;
  EXPECT_EQ(plat_file_identity(PLAT_NO_FILE, &id), 1);
  EXPECT_EQ(plat_path_identity(nullptr, &id), 1);
  EXPECT_EQ(plat_path_identity("", &id), 1);
  EXPECT_EQ(plat_same_file(nullptr, &id), 0);
  EXPECT_EQ(plat_same_file(&id, nullptr), 0);
  plat_flush_folder(nullptr);
  plat_flush_folder((too_long + path_separator + "a").c_str());
  plat_flush_folder("a-name-without-folder");

  char out[NAME_BUFFER_SIZE];
  EXPECT_EQ(plat_follow_links(nullptr, out, sizeof out), 1);
  EXPECT_EQ(plat_follow_links(path.c_str(), nullptr, sizeof out), 1);
  EXPECT_EQ(plat_follow_links(too_long.c_str(), out, sizeof out), 1);
  EXPECT_EQ(plat_follow_links(path.c_str(), out, 4), 1);  // the answer does not fit
  EXPECT_EQ(plat_follow_links(path.c_str(), out, sizeof out), 0);
  EXPECT_EQ(std::string(out), path);

  plat_search search = nullptr;
  plat_found_file found;
  EXPECT_EQ(plat_find_first(nullptr, &search, &found), PLAT_FOUND_NONE);
  EXPECT_EQ(plat_find_first(dir.file("*").c_str(), &search, nullptr), PLAT_FOUND_NONE);
  EXPECT_EQ(plat_find_first((too_long + path_separator + "*").c_str(), &search, &found),
            PLAT_FOUND_NONE);
  EXPECT_EQ(search, nullptr);
  EXPECT_EQ(plat_find_next(nullptr, &found), PLAT_FOUND_NONE);
  plat_find_close(nullptr);

  EXPECT_EQ(plat_convert_text("a", 1250, nullptr, 4), 1);
  EXPECT_EQ(plat_convert_text("a", 1250, out, 0), 1);
  EXPECT_EQ(plat_convert_text(nullptr, 1250, out, sizeof out), 0);
  EXPECT_STREQ(out, "");

  // Blocks of no size are blocks all the same.
  void *block = plat_allocate_block(0);
  EXPECT_NE(block, nullptr);
  plat_release_block(block);
  plat_release_block(nullptr);
  block = plat_allocate_heap(0);
  EXPECT_NE(block, nullptr);
  plat_release_heap(block);

  // No name to give, and no folder named: the current one.
  plat_file file = plat_create_new(dir.file("d").c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  EXPECT_EQ(plat_link_file(file, nullptr), PLAT_NAMING_FAILED);
  EXPECT_EQ(plat_link_file(file, ""), PLAT_NAMING_FAILED);
  EXPECT_EQ(plat_lend_attributes(file, nullptr), 0);
  EXPECT_EQ(plat_close(file), 0);
  for (const char *folder : {(const char *)nullptr, ""}) {
    plat_file unnamed = PLAT_NO_FILE;
    int rc = plat_create_unnamed(folder, &unnamed);
    EXPECT_TRUE(rc == PLAT_UNNAMED_MADE || rc == PLAT_UNNAMED_UNSUPPORTED) << rc;
    if (rc == PLAT_UNNAMED_MADE) {
      EXPECT_EQ(plat_close(unnamed), 0);
    }
  }

  // A folder whose path does not fit is not kept: its names go by their whole path.
  plat_keep_folder(too_long.c_str());
  plat_keep_folder("");
  file = plat_create_new(dir.file("c").c_str());
  EXPECT_NE(file, PLAT_NO_FILE);
  EXPECT_EQ(plat_close(file), 0);
  plat_keep_folder(nullptr);
}

#ifndef _WIN32

// Links are followed to the first name that is not one: through absolute and relative targets,
// to a target that need not exist; a loop, a target that does not fit and a path that grows too
// long are refused.
TEST(PlatformFiles, LinksFollowedToTheirEndPosix) {
  scratch_dir dir("plat-links");
  const std::string file = dir.file("file");
  write_file(file, text_bytes("f"));
  fs::create_symlink(file, dir.file("absolute"));
  fs::create_symlink("absolute", dir.file("relative"));
  fs::create_symlink("nowhere", dir.file("dangling"));
  fs::create_symlink("loop-b", dir.file("loop-a"));
  fs::create_symlink("loop-a", dir.file("loop-b"));
  fs::create_symlink(std::string(NAME_BUFFER_SIZE + 10, 'y'), dir.file("long-target"));
  std::string deep = dir.path();
  while (deep.size() < NAME_BUFFER_SIZE - 40) deep = join(deep, "dddddddddd");
  fs::create_directories(deep);
  fs::create_symlink(std::string(60, 'z'), join(deep, "l"));
  struct {
    std::string path, out;
    int rc;
  } cases[] = {
      {dir.file("relative"), file, 0},       {dir.file("dangling"), dir.file("nowhere"), 0},
      {dir.file("loop-a"), "", 1},           {dir.file("long-target"), "", 1},
      {join(deep, "l"), "", 1},
  };
  for (const auto &c : cases) {
    char out[NAME_BUFFER_SIZE] = "";
    EXPECT_EQ(plat_follow_links(c.path.c_str(), out, sizeof out), c.rc) << c.path;
    if (c.rc == 0) {
      EXPECT_EQ(std::string(out), c.out);
    }
  }
}

// On a day on which summer time begins, each time is converted alone: a time after the change
// is an hour nearer to the day's start than the clock says.
TEST(PlatformSearch, TimesOnADayThatChangesSummerTimePosix) {
  if (!fs::exists("/usr/share/zoneinfo/Europe/Prague")) GTEST_SKIP() << "no time zone data";
  const char *before = std::getenv("TZ");
  const std::string saved = before != nullptr ? before : "";
  setenv("TZ", "Europe/Prague", 1);
  tzset();
  scratch_dir dir("plat-summer");
  const std::string path = dir.file("a");
  write_file(path, text_bytes("a"));
  EXPECT_TRUE(set_local_time(path, 0x3E7B, 0x1BC0));  // 2011-03-27 03:30:00, summer time
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ((long long)info.st_mtime, 1301189400LL);  // 01:30 UTC
  EXPECT_EQ(stamp_of(path), 0x3E7B1BC0u);
  EXPECT_TRUE(set_local_time(path, 0x3E7B, 0x0BC0));  // 01:30:00, winter time
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ((long long)info.st_mtime, 1301189400LL - 3600);  // 00:30 UTC
  if (before != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_TRUE(set_local_time(path, 0x3E4E, 0x53C0));  // another day: no time of this one kept
}

// Without any locale variable the user's language is English, else the first variable that is
// set tells it; a search that is given no folder lists the current one.
TEST(PlatformSearch, NoLanguageAndNoFolderPosix) {
  const char *variables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::pair<std::string, std::string>> saved;
  for (const char *variable : variables) {
    const char *value = std::getenv(variable);
    if (value != nullptr) saved.push_back({variable, value});
    unsetenv(variable);
  }
  EXPECT_EQ(plat_primary_language(), 0x09);
  // The first variable that is set counts, also with a one-letter value; an empty one does not.
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(plat_primary_language(), 0x07);
  setenv("LC_MESSAGES", "", 1);
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(plat_primary_language(), 0x09);
  for (const char *variable : variables) unsetenv(variable);
  for (const auto &item : saved) setenv(item.first.c_str(), item.second.c_str(), 1);
  plat_search search = nullptr;
  plat_found_file found;
  EXPECT_EQ(plat_find_first("no-such-name-*.vorax", &search, &found), PLAT_FOUND_NONE);
}

// The lists of names grow past their first size: every name of a large folder is handed out, in
// byte order.
TEST(PlatformSearch, ManyNamesPosix) {
  scratch_dir dir("plat-many");
  const int count = 1100;
  for (int i = count - 1; i >= 0; --i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%04d.fz2", i);
    write_file(dir.file(name), bytes());
  }
  names found = search_names(dir.file("*.fz2"));
  ASSERT_EQ(found.size(), (size_t)count);
  EXPECT_EQ(found.front(), "f0000.fz2");
  EXPECT_EQ(found.back(), "f1099.fz2");
  EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
  // Every listing gives its memory back, also the lists it outgrew (the names here outgrow the
  // first list of offsets).
  const long before = heap_in_use();
  const int searches = 20;
  for (int i = 0; i < searches; ++i) {
    ASSERT_EQ(search_names(dir.file("*.fz2")).size(), found.size());
  }
  if (before >= 0) {
    EXPECT_LT(heap_in_use() - before, searches * 4096L);
  }
}

// A byte that the code page does not define shows as "?"; where that does not fit, the text is
// cut there.
TEST(PlatformText, UndefinedBytesShowAsQuestionMarksPosix) {
  char out[8];
  EXPECT_EQ(plat_convert_text("a\x81" "b", 1250, out, sizeof out), 0);
  EXPECT_STREQ(out, "a?b");
  EXPECT_EQ(plat_convert_text("ab\x81", 1250, out, 3), 1);
  EXPECT_STREQ(out, "ab");
  testing::internal::CaptureStderr();
  plat_show_notice(nullptr, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\n\n");
}

namespace {

// 1 in the fault build, where the test makes the open of the null device fail.
int null_device_refused(void) {
#ifdef VORAX_FAULT_INJECTION
  return 1;
#else
  return 0;
#endif
}

// Runs `body` in a child process and returns how it ended (as waitpid tells it).
int in_child(void (*body)(const std::string &), const std::string &folder) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    body(folder);
    _exit(0);
  }
  int status = -1;
  waitpid(child, &status, 0);
  return status;
}

// A process that starts without standard input and output and ignoring SIGINT: the null device
// takes descriptor 0, the root folder descriptor 1 where the null device cannot be opened, and
// SIGINT stays ignored.
void prepared_child(const std::string &) {
  close(0);
  close(1);
  signal(SIGINT, SIG_IGN);
#ifdef VORAX_FAULT_INJECTION
  fault_plan(FAULT_OPEN, 2);
#endif
  plat_prepare_process();
  struct stat in, out;
  struct sigaction now;
  if (fstat(0, &in) != 0 || !S_ISCHR(in.st_mode) || fstat(1, &out) != 0 ||
      S_ISDIR(out.st_mode) != (null_device_refused() ? 1 : 0) ||
      sigaction(SIGINT, nullptr, &now) != 0 || now.sa_handler != SIG_IGN) {
    _exit(3);
  }
  std::exit(0);
}

// A stop signal removes the guarded file (also one guarded through a kept folder that has been
// let go since) and ends the process by that signal.
void stopped_child(const std::string &folder) {
  plat_prepare_process();
  // Held back: the signal waits until the stop signals are let through again.
  plat_hold_stop_signals(1);
  raise(SIGHUP);
  std::string guarded = join(folder, "guarded");
  plat_keep_folder(folder.c_str());
  plat_file file = plat_create_new(guarded.c_str());
  if (file == PLAT_NO_FILE) _exit(4);
  plat_guard_file(guarded.c_str());
  plat_keep_folder(nullptr);
  plat_hold_stop_signals(0);
  _exit(5);  // not reached: SIGHUP ends the process
}

// A notice follows what the program printed before it, also where both go to one place.
void notice_child(const std::string &) {
  int null_fd = open("/dev/null", O_RDONLY);
  dup2(null_fd, 0);  // no terminal: no prompt waits
  dup2(1, 2);
  std::printf("progress ");
  const plat_shown_text text = {"text", 0, 0, 1250};
  plat_show_notice(&text, "title");
  _exit(0);
}

}  // namespace

TEST(PlatformProcess, PreparedForItsSurroundingsPosix) {
  scratch_dir dir("plat-process");
  int status = in_child(prepared_child, dir.path());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  status = in_child(stopped_child, dir.path());
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << status;
  testing::internal::CaptureStdout();
  status = in_child(notice_child, dir.path());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "progress title\ntext\n");
  EXPECT_EQ(list_names(dir.path()), names{});
  // A guard of a name that does not fit guards nothing, and letting the signals through again
  // unblocks them.
  plat_hold_stop_signals(1);
  sigset_t held;
  sigprocmask(SIG_BLOCK, nullptr, &held);
  EXPECT_EQ(sigismember(&held, SIGTERM), 1);
  plat_hold_stop_signals(0);
  sigprocmask(SIG_BLOCK, nullptr, &held);
  EXPECT_EQ(sigismember(&held, SIGTERM), 0);
  EXPECT_EQ(sigismember(&held, SIGINT), 0);
  plat_guard_file(std::string(NAME_BUFFER_SIZE, 'x').c_str());
  plat_guard_file(nullptr);
}

#endif

// ---------------------------------------------------------------------------------------------
// Every answer of the POSIX layer to a failing system call, provoked through the fault plan.

#if defined(VORAX_FAULT_INJECTION) && !defined(_WIN32)

namespace {

const fault_way INTERRUPTED = {FAULT_INTERRUPTED, EINTR, FAULT_PLAIN};
const fault_way SHORT = {FAULT_SHORT, 0, FAULT_PLAIN};
const fault_way NOTHING = {FAULT_NOTHING, 0, FAULT_PLAIN};
fault_way fails(int error) { return fault_way{FAULT_FAILS, error, FAULT_PLAIN}; }

// One planned fault: the nth call of a kind, in a way, once or lasting; `then` is a second one
// of the same plan (none when its nth is 0).
struct planned {
  fault_kind kind;
  long nth;
  fault_way way;
  int lasting;
};

void plan(const planned &p,
          const planned &then = planned{FAULT_OPEN, 0, {FAULT_NONE, 0, FAULT_PLAIN}, 0}) {
  fault_plan_way(p.kind, p.nth, p.way, p.lasting);
  fault_plan_also(then.kind, then.nth, then.way, then.lasting);
}
void plan_nothing(void) { fault_plan(FAULT_OPEN, 0); }

// The permission bits and set-id bits of a file.
unsigned mode_of(const std::string &path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? (unsigned)(info.st_mode & 07777) : 0u;
}

}  // namespace

// The search leaves out only what has vanished (or is a broken link, or a loop of links); any
// other failure to look at a name, to read the folder or to find memory is reported, and no
// handle stays open.
TEST(PlatformFaults, SearchReportsWhatItCannotList) {
  scratch_dir dir("plat-fault-search");
  for (const char *name : {"a.fz2", "b.fz2", "c.fz2"}) write_file(dir.file(name), text_bytes(name));
  const std::string pattern = dir.file("*.fz2");
  struct {
    planned fault;
    int first;           // plat_find_first's answer
    const char *names;   // the names handed out, then the answer that ended the search
  } cases[] = {
      {{FAULT_STAT, 1, fails(ENOENT), 0}, PLAT_FOUND, "b c 1"},
      {{FAULT_STAT, 2, fails(ENOTDIR), 0}, PLAT_FOUND, "a c 1"},
      {{FAULT_STAT, 3, fails(ELOOP), 0}, PLAT_FOUND, "a b 1"},
      {{FAULT_STAT, 1, fails(ENOENT), 1}, PLAT_FOUND_NONE, ""},
      {{FAULT_STAT, 1, fails(EACCES), 0}, PLAT_SEARCH_BROKEN, ""},
      {{FAULT_STAT, 2, fails(EIO), 0}, PLAT_FOUND, "a 2"},
      {{FAULT_LIST, 2, fails(EIO), 0}, PLAT_SEARCH_BROKEN, ""},
      {{FAULT_SEARCH, 1, fails(EACCES), 0}, PLAT_FOUND_NONE, ""},
      {{FAULT_ALLOCATE, 1, fails(ENOMEM), 0}, PLAT_SEARCH_NO_MEMORY, ""},
      {{FAULT_ALLOCATE, 2, fails(ENOMEM), 0}, PLAT_SEARCH_NO_MEMORY, ""},
      {{FAULT_ALLOCATE, 3, fails(ENOMEM), 0}, PLAT_SEARCH_NO_MEMORY, ""},
      {{FAULT_CLOSE, 1, fails(EIO), 0}, PLAT_FOUND, "a b c 1"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(c.fault.kind) + " call " + std::to_string(c.fault.nth));
    long open_before = fault_open_files();
    plan(c.fault);
    plat_search search = nullptr;
    plat_found_file found;
    int first = plat_find_first(pattern.c_str(), &search, &found);
    EXPECT_EQ(first, c.first);
    std::string seen;
    if (first == PLAT_FOUND) {
      int more;
      do {
        seen += std::string(found.name).substr(0, 1) + " ";
        more = plat_find_next(search, &found);
      } while (more == PLAT_FOUND);
      seen += std::to_string(more);
      plat_find_close(search);
    } else {
      EXPECT_EQ(search, nullptr);
    }
    plan_nothing();
    EXPECT_EQ(seen, c.names);
    EXPECT_EQ(fault_open_files(), open_before);
  }
}

// A time that cannot be converted to local time is clamped to the nearer end of what DOS form
// holds; a time that cannot be converted back fails setting it, unless only the start of its day
// failed (then the time is converted alone).
TEST(PlatformFaults, TimesThatCannotBeConverted) {
  scratch_dir dir("plat-fault-time");
  std::string path = dir.file("a.fz2");
  write_file(path, text_bytes("a"));
  plan({FAULT_LOCAL_TIME, 1, fails(EOVERFLOW), 0});
  EXPECT_EQ(stamp_of(path), 0xFF9FBF7Du);
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24 * 366 * 80));
  plan({FAULT_LOCAL_TIME, 1, fails(EOVERFLOW), 0});
  EXPECT_EQ(stamp_of(path), 0x00210000u);  // before 1970: the moment is negative

  // Every reading of the zone that a time needs (a day before, a day after, at the moment) fails
  // the time and leaves the file's time as it was.
  plan_nothing();
  ASSERT_TRUE(set_local_time(path, 0x3E4E, 0x53C2));
  const long readings = fault_calls(FAULT_LOCAL_TIME);
  EXPECT_GE(readings, 3);
  for (long nth = 1; nth <= readings; ++nth) {
    plan({FAULT_LOCAL_TIME, nth, fails(EOVERFLOW), 0});
    EXPECT_FALSE(set_local_time(path, 0x3E4F, 0x53C0)) << nth;
  }
  plan({FAULT_SET_TIME, 1, fails(EPERM), 0});
  EXPECT_FALSE(set_local_time(path, 0x3E4F, 0x53C0));
  plan_nothing();
  EXPECT_EQ(stamp_of(path), 0x3E4E53C2u);

  // A time in the hour that repeats (Berlin, 2026-10-25 02:30) needs the readings of the start
  // and the end of its day as well; any of them that fails fails the time too.
  berlin_zone zone;
  if (!zone.in_zone()) return;
  const uint16_t repeated_date = (uint16_t)((46 << 9) | (10 << 5) | 25), half_past_two = 0x13C0;
  plan_nothing();
  ASSERT_TRUE(set_local_time(path, repeated_date, half_past_two));
  const long repeated_readings = fault_calls(FAULT_LOCAL_TIME);
  EXPECT_GT(repeated_readings, readings);
  for (long nth = 1; nth <= repeated_readings; ++nth) {
    plan({FAULT_LOCAL_TIME, nth, fails(EOVERFLOW), 0});
    EXPECT_FALSE(set_local_time(path, repeated_date, half_past_two)) << nth;
  }
  plan_nothing();
  EXPECT_EQ(stamp_of(path), ((uint32_t)repeated_date << 16) | half_past_two);
}

// Reads and writes ask again after an interruption and go on after a short count; a read that
// fails part way tells what arrived, a write that moves nothing fails rather than spin.
TEST(PlatformFaults, ReadsAndWritesAnswerEveryCount) {
  scratch_dir dir("plat-fault-io");
  std::string path = dir.file("a.bin");
  const std::string text = "0123456789";
  write_file(path, text_bytes(text));
  struct {
    planned fault;
    int rc;
    size_t got;  // of the 10 bytes, asking for 16
  } reads[] = {
      {{FAULT_READ, 1, INTERRUPTED, 0}, 0, 10}, {{FAULT_READ, 1, SHORT, 1}, 0, 10},
      {{FAULT_READ, 1, fails(EIO), 0}, 1, 0},   {{FAULT_READ, 2, fails(EIO), 0}, 1, 10},
      {{FAULT_READ, 1, NOTHING, 0}, 0, 0},
  };
  for (const auto &c : reads) {
    SCOPED_TRACE("read call " + std::to_string(c.fault.nth) + ", effect " +
                 std::to_string(c.fault.way.effect));
    plat_file file = plat_open_read(path.c_str());
    ASSERT_NE(file, PLAT_NO_FILE);
    char buffer[16];
    size_t got = 99;
    plan(c.fault);
    EXPECT_EQ(plat_read(file, buffer, sizeof buffer, &got), c.rc);
    plan_nothing();
    EXPECT_EQ(got, c.got);
    EXPECT_EQ(std::string(buffer, got), text.substr(0, got));
    EXPECT_EQ(plat_close(file), 0);
  }
  // One request: asked again only when interrupted.
  plat_file file = plat_open_read(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  char buffer[16];
  size_t got = 0;
  plan({FAULT_READ, 1, INTERRUPTED, 0});
  EXPECT_EQ(plat_read_some(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 10u);
  plan({FAULT_READ, 1, fails(EIO), 0});
  EXPECT_EQ(plat_read_some(file, buffer, sizeof buffer, &got), 1);
  plan_nothing();
  EXPECT_EQ(plat_close(file), 0);

  struct {
    planned fault;
    int rc;
  } writes[] = {
      {{FAULT_WRITE, 1, INTERRUPTED, 0}, 0}, {{FAULT_WRITE, 1, SHORT, 1}, 0},
      {{FAULT_WRITE, 1, fails(ENOSPC), 0}, 1}, {{FAULT_WRITE, 1, NOTHING, 0}, 1},
      {{FAULT_WRITE, 1, fails(EFBIG), 0}, 1},
  };
  for (const auto &c : writes) {
    SCOPED_TRACE("write call " + std::to_string(c.fault.nth) + ", effect " +
                 std::to_string(c.fault.way.effect));
    std::string out = dir.file("out" + std::to_string(&c - writes));
    plat_file made = plat_create_new(out.c_str());
    ASSERT_NE(made, PLAT_NO_FILE);
    plan(c.fault);
    EXPECT_EQ(plat_write(made, text.data(), text.size()), c.rc);
    plan_nothing();
    EXPECT_EQ(plat_close(made), 0);
    if (c.rc == 0) {
      EXPECT_EQ(read_file(out), text_bytes(text));
    }
  }
}

// The in-system copy: the answers that say these files cannot be copied this way (nothing was
// copied), a failure of either side, an interruption, a source that ends.
TEST(PlatformFaults, CopyBetweenFilesAnswers) {
  scratch_dir dir("plat-fault-copy");
  std::string source = dir.file("from.bin");
  write_file(source, text_bytes("0123456789"));
  struct {
    planned fault;
    int rc;
    size_t copied;
  } cases[] = {
      {{FAULT_COPY, 1, fails(EXDEV), 0}, PLAT_COPY_UNSUPPORTED, 0},
      {{FAULT_COPY, 1, fails(ENOSYS), 0}, PLAT_COPY_UNSUPPORTED, 0},
      {{FAULT_COPY, 1, fails(EINVAL), 0}, PLAT_COPY_UNSUPPORTED, 0},
      {{FAULT_COPY, 1, fails(EOPNOTSUPP), 0}, PLAT_COPY_UNSUPPORTED, 0},
      {{FAULT_COPY, 1, fails(EBADF), 0}, PLAT_COPY_UNSUPPORTED, 0},
      {{FAULT_COPY, 1, fails(EIO), 0}, PLAT_COPY_READ_FAILED, 0},
      {{FAULT_COPY, 1, fails(ENOSPC), 0}, PLAT_COPY_WRITE_FAILED, 0},
      {{FAULT_COPY, 2, fails(EXDEV), 0}, PLAT_COPY_WRITE_FAILED, 5},  // after a short first copy
      {{FAULT_COPY, 1, INTERRUPTED, 0}, PLAT_COPY_DONE, 10},
      {{FAULT_COPY, 1, NOTHING, 0}, PLAT_COPY_DONE, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    std::string target = dir.file("to" + std::to_string(&c - cases));
    plat_file from = plat_open_read(source.c_str());
    plat_file to = plat_create_new(target.c_str());
    ASSERT_NE(from, PLAT_NO_FILE);
    ASSERT_NE(to, PLAT_NO_FILE);
    size_t copied = 99;
    // A fault on the second call follows a first call that came back short.
    plan(c.fault, planned{FAULT_COPY, c.fault.nth == 2 ? 1 : 0, SHORT, 0});
    EXPECT_EQ(plat_copy_between(from, to, 10, &copied), c.rc);
    plan_nothing();
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(plat_close(from), 0);
    EXPECT_EQ(plat_close(to), 0);
  }
}

// Naming an unnamed file: through its handle, else through /proc (learnt once per plan); a name
// that is taken is told apart from a failure. Moving without replacing: renameat2, else a link and
// the removal of the old name (taken back when the old name cannot go), else a look and a move.
TEST(PlatformFaults, NamingAndMovingWithoutReplacing) {
  scratch_dir dir("plat-fault-names");
  const std::string taken = dir.file("taken");
  write_file(taken, text_bytes("taken"));
  const planned none = {FAULT_OPEN, 0, {FAULT_NONE, 0, FAULT_PLAIN}, 0};
  struct {
    planned fault, then;
    bool name_taken;
    int rc;
  } links[] = {
      {{FAULT_LINK, 1, fails(ENOENT), 0}, none, false, PLAT_NAMED},
      {{FAULT_LINK, 1, fails(EPERM), 0}, none, false, PLAT_NAMED},
      {{FAULT_LINK, 1, fails(EINVAL), 0}, none, false, PLAT_NAMED},
      {{FAULT_LINK, 1, fails(EPERM), 0}, none, true, PLAT_NAME_TAKEN},
      {{FAULT_LINK, 1, fails(EPERM), 0}, {FAULT_LINK, 2, fails(EACCES), 0}, false,
       PLAT_NAMING_FAILED},
      {{FAULT_LINK, 1, fails(EPERM), 0}, {FAULT_LINK, 2, fails(EEXIST), 0}, false,
       PLAT_NAME_TAKEN},
      {{FAULT_LINK, 1, fails(EEXIST), 0}, none, false, PLAT_NAME_TAKEN},
      {{FAULT_LINK, 1, fails(EACCES), 0}, none, false, PLAT_NAMING_FAILED},
      {{FAULT_LINK, 1, fails(EXDEV), 0}, none, false, PLAT_NAMING_FAILED},
  };
  for (const auto &c : links) {
    SCOPED_TRACE("link " + std::to_string(&c - links));
    plat_file file = PLAT_NO_FILE;
    ASSERT_EQ(plat_create_unnamed(dir.path().c_str(), &file), PLAT_UNNAMED_MADE);
    std::string name = c.name_taken ? taken : dir.file("linked" + std::to_string(&c - links));
    plan(c.fault, c.then);
    EXPECT_EQ(plat_link_file(file, name.c_str()), c.rc);
    if (c.fault.nth == 1 && c.rc == PLAT_NAMED) {
      // Learnt: the next link of this plan goes through /proc at once.
      plat_file other = PLAT_NO_FILE;
      ASSERT_EQ(plat_create_unnamed(dir.path().c_str(), &other), PLAT_UNNAMED_MADE);
      EXPECT_EQ(plat_link_file(other, (name + "-next").c_str()), PLAT_NAMED);
      EXPECT_EQ(fault_calls(FAULT_LINK), 3);
      EXPECT_EQ(plat_close(other), 0);
    }
    plan_nothing();
    EXPECT_EQ(plat_look_up_name(name.c_str()),
              c.rc == PLAT_NAMED || c.name_taken ? NAME_FILE : NAME_FREE);
    EXPECT_EQ(plat_close(file), 0);
  }
  EXPECT_EQ(read_file(taken), text_bytes("taken"));

  const planned refused_link = {FAULT_LINK, 1, fails(EPERM), 0};
  struct {
    planned fault, then;
    int lacks_renameat2;
    bool to_taken;
    int rc;
    bool from_stays, to_made;
  } moves[] = {
      {{FAULT_RENAME_NEW, 1, fails(EEXIST), 0}, none, 0, false, PLAT_NAME_TAKEN, true, false},
      {{FAULT_RENAME_NEW, 1, fails(EACCES), 0}, none, 0, false, PLAT_NAMING_FAILED, true, false},
      {{FAULT_RENAME_NEW, 1, fails(EINVAL), 0}, none, 0, false, PLAT_NAMED, false, true},
      {{FAULT_RENAME_NEW, 1, fails(ENOSYS), 0}, none, 0, false, PLAT_NAMED, false, true},
      {{FAULT_RENAME_NEW, 1, fails(EOPNOTSUPP), 0}, none, 0, false, PLAT_NAMED, false, true},
      {{FAULT_LINK, 1, fails(EEXIST), 0}, none, 1, false, PLAT_NAME_TAKEN, true, false},
      {{FAULT_LINK, 1, fails(EACCES), 0}, none, 1, false, PLAT_NAMING_FAILED, true, false},
      {refused_link, none, 1, false, PLAT_NAMED, false, true},
      {{FAULT_LINK, 1, fails(EOPNOTSUPP), 0}, none, 1, false, PLAT_NAMED, false, true},
      {{FAULT_LINK, 1, fails(EXDEV), 0}, none, 1, false, PLAT_NAMED, false, true},
      {refused_link, none, 1, true, PLAT_NAME_TAKEN, true, true},
      {refused_link, {FAULT_RENAME, 1, fails(EACCES), 0}, 1, false, PLAT_NAMING_FAILED, true,
       false},
      {{FAULT_REMOVE, 1, fails(EACCES), 0}, none, 1, false, PLAT_NAMING_FAILED, true, false},
      {{FAULT_REMOVE, 1, fails(EACCES), 1}, none, 1, false, PLAT_NAMED, true, true},
  };
  for (const auto &c : moves) {
    SCOPED_TRACE("move " + std::to_string(&c - moves));
    std::string from = dir.file("from"), to = dir.file("to");
    fs::remove(from);
    fs::remove(to);
    write_file(from, text_bytes("moved"));
    if (c.to_taken) write_file(to, text_bytes("stays"));
    plan(c.fault, c.then);
    if (c.lacks_renameat2) fault_refuse(FAULT_RENAME_NEW, EINVAL);
    EXPECT_EQ(plat_move_file_new(from.c_str(), to.c_str()), c.rc);
    fault_refuse(FAULT_RENAME_NEW, 0);
    plan_nothing();
    EXPECT_EQ(fs::exists(from), c.from_stays);
    EXPECT_EQ(fs::exists(to), c.to_made);
    if (c.to_taken) {
      EXPECT_EQ(read_file(to), text_bytes("stays"));
    }
  }
}

// Files without a name where the system has them: what says it has none is told apart from a
// failure, and so is a process that cannot reach /proc. Flushing: a file system with nothing to
// flush is no failure.
TEST(PlatformFaults, UnnamedFilesAndFlushes) {
  scratch_dir dir("plat-fault-unnamed");
  struct {
    planned fault;
    int rc;
  } cases[] = {
      {{FAULT_CREATE_UNNAMED, 1, fails(EOPNOTSUPP), 0}, PLAT_UNNAMED_UNSUPPORTED},
      {{FAULT_CREATE_UNNAMED, 1, fails(EISDIR), 0}, PLAT_UNNAMED_UNSUPPORTED},
      {{FAULT_CREATE_UNNAMED, 1, fails(EINVAL), 0}, PLAT_UNNAMED_UNSUPPORTED},
      {{FAULT_CREATE_UNNAMED, 1, fails(ENOSYS), 0}, PLAT_UNNAMED_UNSUPPORTED},
      {{FAULT_CREATE_UNNAMED, 1, fails(EACCES), 0}, PLAT_UNNAMED_FAILED},
      {{FAULT_CREATE_UNNAMED, 1, INTERRUPTED, 0}, PLAT_UNNAMED_MADE},
      {{FAULT_ASK, 1, fails(EACCES), 0}, PLAT_UNNAMED_UNSUPPORTED},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    long open_before = fault_open_files();
    plan(c.fault);
    plat_file file = PLAT_NO_FILE;
    EXPECT_EQ(plat_create_unnamed(dir.path().c_str(), &file), c.rc);
    plan_nothing();
    EXPECT_EQ(file != PLAT_NO_FILE, c.rc == PLAT_UNNAMED_MADE);
    if (file != PLAT_NO_FILE) {
      EXPECT_EQ(plat_close(file), 0);
    }
    EXPECT_EQ(fault_open_files(), open_before);
  }
  plat_file file = plat_create_new(dir.file("a").c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  const std::pair<fault_way, int> flushes[] = {
      {fails(EINVAL), 0}, {fails(EIO), 1}, {INTERRUPTED, 0}};
  for (const auto &f : flushes) {
    plan({FAULT_FLUSH, 1, f.first, 0});
    EXPECT_EQ(plat_flush(file), f.second) << f.first.error;
  }
  plan_nothing();
  EXPECT_EQ(plat_close(file), 0);
  EXPECT_EQ(plat_close(PLAT_NO_FILE), 1);
}

// A replacement takes over the mode of the file it replaces, and its owner where the process
// may give it; where neither owner nor group can be given, the set-id bits are not taken over.
TEST(PlatformFaults, AttributesLentWhereTheOwnerCanBeGiven) {
  scratch_dir dir("plat-fault-owner");
  std::string path = dir.file("a");
  plat_file file = plat_create_new(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  plat_name_facts facts = {NAME_FILE, 0, 06750, (uint32_t)getuid() + 1, (uint32_t)getgid(), 0,
                           plat_file_id{0, 0, 0}};
  struct {
    planned fault;
    unsigned mode;
  } cases[] = {
      {{FAULT_OWNER, 1, fails(EPERM), 1}, 0750},  // neither: the set-id bits go
      {{FAULT_OWNER, 1, fails(EPERM), 0}, 02750},  // the group alone: set-group-id stays
      {{FAULT_MODE, 1, fails(EPERM), 0}, 0},       // the mode cannot be given: no failure
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    plan(c.fault);
    EXPECT_EQ(plat_lend_attributes(file, &facts), 1);
    plan_nothing();
    if (c.mode != 0) {
      EXPECT_EQ(mode_of(path), c.mode);
    } else {
      EXPECT_EQ(mode_of(path), 0600u);
    }
  }
  // The owner stays but the group cannot be given: set-user-id stays, set-group-id goes.
  plat_name_facts own = facts;
  own.owner = (uint32_t)geteuid();
  own.group = (uint32_t)getegid() + 1;
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  plan({FAULT_OWNER, 1, fails(EPERM), 1});
  EXPECT_EQ(plat_lend_attributes(file, &own), 1);
  plan_nothing();
  EXPECT_EQ(mode_of(path), 04750u);
  plat_name_facts folder = facts;
  folder.state = NAME_OTHER;
  EXPECT_EQ(plat_lend_attributes(file, &folder), 0);
  EXPECT_EQ(plat_close(file), 0);
}

// Text conversion without a converter shows ASCII alone; a byte that cannot be converted shows
// as "?"; the converter is closed either way.
TEST(PlatformFaults, TextConversionFallbacks) {
  char out[16];
  long open_before = fault_open_files();
  plan({FAULT_CONVERT, 1, fails(EINVAL), 0});
  EXPECT_EQ(plat_convert_text("a\x9A" "b", 1250, out, sizeof out), 0);
  EXPECT_STREQ(out, "a?b");
  plan({FAULT_CONVERT, 2, fails(EILSEQ), 0});
  EXPECT_EQ(plat_convert_text("ab", 1250, out, sizeof out), 0);
  EXPECT_STREQ(out, "?b");
  plan_nothing();
  EXPECT_EQ(plat_convert_text("a\xB5", 437, out, sizeof out), 0);  // a code page it never asks for
  EXPECT_STREQ(out, "a?");
  EXPECT_EQ(plat_convert_text("abc", 437, out, 3), 1);
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(fault_open_files(), open_before);
}

// A kept folder that may be searched but not read is kept as a handle to walk from: files are
// made through it, and its listing fails as it would by its path. A file that opens but cannot
// be looked at is not read; a link that cannot be read is not followed.
TEST(PlatformFaults, FoldersOpenedForWalkingAndLinks) {
  scratch_dir dir("plat-fault-folder");
  std::string kept = make_folder(dir, "kept");
  write_file(join(kept, "a.fz2"), text_bytes("a"));
  plan({FAULT_OPEN_FOLDER, 1, fails(EACCES), 0});
  plat_keep_folder(kept.c_str());
  plan_nothing();
  plat_search search = nullptr;
  plat_found_file found;
  EXPECT_EQ(plat_find_first(join(kept, "*.fz2").c_str(), &search, &found), PLAT_FOUND_NONE);
  plat_file file = plat_create_new(join(kept, "b").c_str());
  EXPECT_NE(file, PLAT_NO_FILE);
  EXPECT_EQ(plat_close(file), 0);
  plat_keep_folder(nullptr);
  EXPECT_EQ(list_names(kept), (names{"a.fz2", "b"}));

  long open_before = fault_open_files();
  plan({FAULT_STAT, 1, fails(EIO), 0});
  EXPECT_EQ(plat_open_read(join(kept, "a.fz2").c_str()), PLAT_NO_FILE);
  plan_nothing();
  EXPECT_EQ(fault_open_files(), open_before);

  fs::create_symlink("a.fz2", join(kept, "link"));
  char out[NAME_BUFFER_SIZE];
  plan({FAULT_READ_LINK, 1, fails(EACCES), 0});
  EXPECT_EQ(plat_follow_links(join(kept, "link").c_str(), out, sizeof out), 1);
  plan({FAULT_STAT, 1, fails(EACCES), 0});  // not known to be a link: taken as it is
  EXPECT_EQ(plat_follow_links(join(kept, "link").c_str(), out, sizeof out), 0);
  EXPECT_EQ(std::string(out), join(kept, "link"));
  plan_nothing();
  EXPECT_EQ(plat_follow_links(join(kept, "link").c_str(), out, sizeof out), 0);
  EXPECT_EQ(std::string(out), join(kept, "a.fz2"));
}

#endif

#ifndef _WIN32
namespace {

// mktime of a local time with summer time left to the system.
time_t by_mktime(const dos_fields &f, int hour, int minute, int second) {
  struct tm t;
  std::memset(&t, 0, sizeof t);
  t.tm_year = f.year - 1900;
  t.tm_mon = f.month - 1;
  t.tm_mday = f.day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return mktime(&t);
}

// The moment that extraction set for the first file of a date while it asked mktime: the start
// of that day, its last two seconds, then the time itself (what mktime makes of the hour that
// repeats depends on what it was asked last).
time_t as_extraction_did(const dos_fields &f) {
  by_mktime(f, 0, 0, 0);
  by_mktime(f, 23, 59, 58);
  return by_mktime(f, f.hour, f.minute, f.second);
}

// Sets the process's zone for one test and puts the one it had back.
struct zone_guard {
  std::string before;
  bool had;
  explicit zone_guard(const char *zone) {
    const char *value = std::getenv("TZ");
    had = value != nullptr;
    if (had) before = value;
    use(zone);
  }
  void use(const char *zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  ~zone_guard() {
    if (had) {
      setenv("TZ", before.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
};

}  // namespace

// Every day of the DOS range in zones with summer time in either hemisphere, by an hour or by half
// an hour, at midnight, and negative (winter time marked as the summer time): the moment
// of a local time is the one extraction got from mktime; on the days the offset changes, every
// two minutes and the last two seconds before each half hour. Days past the end of a month run
// on into the next, as mktime reads them.
TEST(PlatformTime, LocalTimesAsMktimeReadsThemPosix) {
  const char *zones[] = {"Europe/Berlin",     "America/New_York", "Australia/Lord_Howe",
                         "America/Sao_Paulo", "Europe/Dublin",    "UTC"};
  zone_guard guard(zones[0]);
  for (const char *zone : zones) {
    guard.use(zone);
    SCOPED_TRACE(zone);
    long changes = 0, differ = 0;
    auto check = [&](dos_fields f) {
      time_t ours = 0;
      ASSERT_EQ(local_moment(&f, &ours), 0);
      time_t theirs = as_extraction_did(f);
      if (ours != theirs && ++differ <= 5) {
        ADD_FAILURE() << f.year << "-" << f.month << "-" << f.day << " " << f.hour << ":"
                      << f.minute << ":" << f.second << ": " << ours << " against " << theirs;
      }
    };
    for (int year = 1980; year <= 2107; ++year) {
      for (int month = 1; month <= 12; ++month) {
        for (int day = 1; day <= 31; ++day) {
          dos_fields f = {year, month, day, (day * 7) % 24, (day * 13) % 60, (day * 2) % 60};
          check(f);
          if (by_mktime(f, 23, 59, 58) - by_mktime(f, 0, 0, 0) == 86398) continue;
          ++changes;
          for (int minute = 0; minute < 24 * 60; minute += 2) {
            check(dos_fields{year, month, day, minute / 60, minute % 60, 0});
          }
          for (int half = 0; half < 48; ++half) {
            check(dos_fields{year, month, day, half / 2, half % 2 ? 59 : 29, 58});
          }
        }
      }
    }
    EXPECT_EQ(differ, 0);
    if (std::string(zone) != "UTC") {
      EXPECT_GT(changes, 0);
    }
  }
  // Summer time for one day only (day 100 of the year, 2001-04-10): the offsets a day before and
  // a day after agree, and the time of that day still gets the day's own offset.
  guard.use("XST-1XDT,J100/0,J101/0");
  dos_fields noon = {2001, 4, 10, 12, 0, 0};
  time_t moment = 0;
  ASSERT_EQ(local_moment(&noon, &moment), 0);
  EXPECT_EQ(moment, by_mktime(noon, 12, 0, 0));
  EXPECT_EQ(moment, 986904000 - 2 * 3600);  // 2001-04-10 12:00 UTC, less two hours
  dos_fields late = {2001, 4, 10, 22, 30, 0};  // half an hour before that summer time ends
  ASSERT_EQ(local_moment(&late, &moment), 0);
  EXPECT_EQ(moment, by_mktime(late, 22, 30, 0));
  EXPECT_EQ(moment, 986904000 + 10 * 3600 + 1800 - 2 * 3600);
}
#endif

// ---------------------------------------------------------------------------------------------
// The console's stop events (Windows). The handler runs on a thread of its own while the main
// thread goes on writing files; a child process of this test program plays both parts.

#ifdef _WIN32

BOOL WINAPI on_console_stop(DWORD event);

namespace {

const char STOP_CHILD[] = "VORAX_TEST_STOP_CHILD";
const char WHOLE[] = "whole";

}  // namespace

// The child: a Ctrl-C arrives while a file is being written, and the process ends 200 ms later
// (as the default handler ends it, but late enough for the main thread to go on); meanwhile the
// main thread writes one file after the other and at last keeps one open.
TEST(PlatformProcess, ConsoleStopChildWindows) {
  const char *folder = std::getenv(STOP_CHILD);
  if (folder == nullptr) GTEST_SKIP() << "run by ConsoleStopLeavesNothingWindows";
  plat_prepare_process();
  static volatile LONG writing = 0;
  std::thread([] {
    while (InterlockedCompareExchange(&writing, 0, 0) == 0) Sleep(1);
    on_console_stop(CTRL_C_EVENT);
    Sleep(200);
    ExitProcess(7);
  }).detach();
  for (int i = 0;; ++i) {
    stream s = NO_STREAM;
    std::string name = join(folder, "f" + std::to_string(i));
    if (open_write_stream(name.c_str(), 0, &s) != 0) break;
    InterlockedExchange(&writing, 1);
    for (const char *c = WHOLE; *c != '\0'; ++c) write_byte(s, (uint8_t)*c);
    if (i >= 100000 || finish_write_stream(s) != 0 || commit_write_stream(0, 0) != 0) break;
  }
  Sleep(INFINITE);
}

// Nothing is created, finished or moved into place once the stop has begun: no temporary file is
// left, and every file that got its name is whole.
TEST(PlatformProcess, ConsoleStopLeavesNothingWindows) {
  if (std::getenv(STOP_CHILD) != nullptr) GTEST_SKIP();
  scratch_dir dir("console-stop");
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  ASSERT_TRUE(length > 0 && length < sizeof self);
  SetEnvironmentVariableA(STOP_CHILD, dir.path().c_str());
  std::string command =
      std::string(self) + " --gtest_filter=PlatformProcess.ConsoleStopChildWindows >NUL 2>&1";
  int status = std::system(command.c_str());
  // -1: Wine's shell did not start at all (it does now and then), so nothing ran; again.
  for (int retry = 0; retry < 3 && status == -1; ++retry) status = std::system(command.c_str());
  SetEnvironmentVariableA(STOP_CHILD, nullptr);
  EXPECT_EQ(status, 7);
  for (const std::string &name : list_names(dir.path())) {
    EXPECT_NE(name.rfind(".vx", 0), 0u) << name;
    EXPECT_EQ(read_file(dir.file(name)), text_bytes(WHOLE)) << name;
  }
}

#endif

// In Berlin, a last-write time is stored by the zone's rules for its own date, whatever the
// season the folder is packed in, so that both builds store the same DOS time in any season; and
// a stored time is set back by the rules of its date, the repeated hour when the clocks go back
// taking the later moment (the offset that ends the day) and the skipped hour read as summer
// time; a day past its month's end runs on into the next. Windows rules for Berlin agree with
// the zone data from 1996 on, the dates below.
TEST(PlatformTime, TimesByTheRulesOfTheirDateInBerlin) {
  berlin_zone zone;
  if (!zone.in_zone()) GTEST_SKIP() << "the zone Europe/Berlin cannot be had";
  scratch_dir dir("plat-berlin");
  const std::string path = dir.file("a.fz2");
  write_file(path, text_bytes("a"));
  // UTC moment -> stored local DOS stamp.
  const struct { int64_t moment; uint32_t stamp; } packed[] = {
      {1782907200, 0x5CE17000u},  // 2026-07-01 12:00 UTC: 14:00 summer time
      {1768478400, 0x5C2F6800u},  // 2026-01-15 12:00 UTC: 13:00 winter time
      {871209000, 0x230A63C0u},   // 1997-08-10 10:30 UTC: 12:30 summer time
      {1009236600, 0x2B9903C0u},  // 2001-12-24 23:30 UTC: 00:30 on the 25th
      {1792888200, 0x5D5913C0u},  // 2026-10-25 00:30 UTC: 02:30 summer time, before the change
      {1792891800, 0x5D5913C0u},  // 01:30 UTC: 02:30 again, winter time
  };
  for (const auto &p : packed) {
    SCOPED_TRACE(p.moment);
    ASSERT_TRUE(set_utc_time(path, p.moment));
    EXPECT_EQ(stamp_of(path), p.stamp);
  }
  // Stored local DOS stamp -> UTC moment set, and the stamp it is read back as.
  const struct { uint32_t stamp; int64_t moment; uint32_t back; } extracted[] = {
      {0x5CE17000u, 1782907200, 0x5CE17000u},  // summer: 14:00 is 12:00 UTC
      {0x5C2F6800u, 1768478400, 0x5C2F6800u},  // winter: 13:00 is 12:00 UTC
      {0x230A63C0u, 871209000, 0x230A63C0u},   // summer 1997
      {0x5D5913C0u, 1792891800, 0x5D5913C0u},  // 02:30 of the repeated hour: the later moment
      {0x5C7D13C0u, 1774747800, 0x5C7D1BC0u},  // 2026-03-29 02:30, skipped: 03:30 summer time
      {0x3E5F53C0u, 1299144600, 0x3E6353C0u},  // 2011-02-31 10:30 runs on to March 3
  };
  for (const auto &e : extracted) {
    SCOPED_TRACE(e.stamp);
    ASSERT_TRUE(set_local_time(path, (uint16_t)(e.stamp >> 16), (uint16_t)e.stamp));
    EXPECT_EQ(utc_time_of(path), e.moment);
    EXPECT_EQ(stamp_of(path), e.back);
  }
}
