#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
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
  for (const auto &c : cases) EXPECT_EQ(wildcard_match(c.pattern, c.name), c.match) << c.name;

  // Many stars finish fast: no backtracking over every way to split the name.
  std::string name(250, 'a'), pattern;
  for (int i = 0; i < 40; ++i) pattern += "*a";
  pattern += "*b";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(wildcard_match(pattern.c_str(), name.c_str()), 0);
  name.back() = 'b';
  EXPECT_EQ(wildcard_match(pattern.c_str(), name.c_str()), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(PlatformDosTime, PackClampAndRefuse) {
  // {year, month, day, hour, minute, second} -> date, time; odd seconds round down, and times
  // outside 1980 to 2107 are clamped to its ends.
  struct { dos_fields in; uint16_t date, time; } cases[] = {
      {{2011, 2, 14, 10, 30, 1}, 0x3E4E, 0x53C0},   {{2107, 6, 1, 12, 0, 0}, 0xFEC1, 0x6000},
      {{2107, 12, 31, 23, 59, 59}, 0xFF9F, 0xBF7D}, {{2108, 1, 1, 0, 0, 0}, 0xFF9F, 0xBF7D},
      {{1980, 1, 1, 0, 0, 0}, 0x0021, 0x0000},      {{1979, 12, 31, 23, 59, 59}, 0x0021, 0x0000},
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
  EXPECT_EQ(std::system(("attrib +h \"" + dir.file("hidden.fz2") + "\"").c_str()), 0);
  EXPECT_EQ(std::system(("attrib +s \"" + dir.file("system.fz2") + "\"").c_str()), 0);
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

// A cut UTF-8 result never ends inside a character (0x9A: s with caron, two bytes in UTF-8).
TEST(PlatformText, CutNeverSplitsACharacterPosix) {
  if (on_windows()) GTEST_SKIP() << "Windows passes the stored bytes on";
  char small[3];
  EXPECT_EQ(plat_convert_text("a\x9A", 1250, small, sizeof small), 1);
  EXPECT_STREQ(small, "a");
}
