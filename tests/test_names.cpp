#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/test_support.h"
#include "util/names.h"

namespace {

// The count scan_fields returns, then the values it stored.
std::vector<int32_t> scan(const char *text, const char *format) {
  int32_t values[8];
  int count = scan_fields(text, format, values);
  std::vector<int32_t> out{count};
  for (int i = 0; i < count; ++i) out.push_back(values[i]);
  return out;
}

typedef std::vector<int32_t> got;

}  // namespace

TEST(Names, TextOperations) {
  EXPECT_EQ(std::string() + to_upper_ascii('a') + to_upper_ascii('z') + to_upper_ascii('`') +
                to_upper_ascii('{') + to_upper_ascii('A') + to_upper_ascii('\xE4'),
            "AZ`{A\xE4");  // 0xE4: a-umlaut in the 8-bit code pages

  struct { const char *before, *after; int removed; } blanks[] = {
      {"   V2", "V2", 3}, {"\t V2", "\t V2", 0}, {"    ", "", 4}, {"V2", "V2", 0}};
  for (const auto &b : blanks) {
    char text[16];
    std::snprintf(text, sizeof text, "%s", b.before);
    EXPECT_EQ(strip_leading_spaces(text), b.removed);
    EXPECT_STREQ(text, b.after);
  }
  // copy_bytes is checked through the command line (test_driver.cpp).
}

// copy_text copies a text that fits with its terminator, and otherwise leaves an empty text and
// never a byte beyond the buffer.
TEST(Names, CopyTextFitsOrLeavesEmpty) {
  struct { const char *source; int size; int rc; const char *copy; } cases[] = {
      {"abc", 4, 0, "abc"}, {"abc", 3, 1, ""}, {"abc", 1, 1, ""}, {"", 1, 0, ""},
      {"abcdefg", 5, 1, ""}, {nullptr, 4, 1, ""},
  };
  for (const auto &c : cases) {
    char buffer[16];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(copy_text(buffer, c.size, c.source), c.rc) << c.size;
    EXPECT_STREQ(buffer, c.copy) << c.size;
    EXPECT_EQ(std::string(buffer + c.size, 4), "ZZZZ") << c.size;
  }
  char untouched[4] = "old";
  EXPECT_EQ(copy_text(untouched, 0, "a"), 1);
  EXPECT_EQ(copy_text(untouched, -1, "a"), 1);
  EXPECT_STREQ(untouched, "old");
  EXPECT_EQ(copy_text(nullptr, 4, "a"), 1);
}

TEST(Names, ExtensionAndBaseName) {
  struct { const char *before, *after; } cases[] = {
      {"C:/gfx/train.fz2", "C:/gfx/train"}, {"C:/g.fx/train", "C:/g.fx/train"},
      {"a.b.c", "a.b"}, {"x.", "x"}, {".fz2", ".fz2"}, {"", ""}, {"a", "a"}};
  for (const auto &c : cases) {
    char buffer[NAME_BUFFER_SIZE];
    std::snprintf(buffer, sizeof buffer, "%s", native(c.before).c_str());
    strip_extension(buffer);
    EXPECT_EQ(std::string(buffer), native(c.after));
  }

  char base[NAME_BUFFER_SIZE];
  EXPECT_EQ(archive_base_name(native("o*t/a.b.uz2").c_str(), base, sizeof base), 0);
  EXPECT_STREQ(base, "a.b");  // wildcards count only in the last component
  EXPECT_EQ(archive_base_name("park", base, 5), 0);
  EXPECT_STREQ(base, "park");
  for (const char *bad : {"c*ty.uz2", "cit?", ".uz2", "", "dir/"}) {
    EXPECT_EQ(archive_base_name(native(bad).c_str(), base, sizeof base), 5) << bad;
    EXPECT_STREQ(base, "") << bad;
  }
  EXPECT_EQ(archive_base_name("park.uz2", base, 4), 5);  // no room for the terminator
}

// Windows ends the directory part of a path also at "/" and at a drive ":".
TEST(Names, BaseNameAfterDriveOrSlashWindows) {
  if (path_separator != '\\') GTEST_SKIP() << "POSIX ends it at \"/\" only";
  char base[NAME_BUFFER_SIZE];
  for (const char *name : {"D:park.uz2", "a.b/park.uz2", "C:\\a.b\\park"}) {
    EXPECT_EQ(archive_base_name(name, base, sizeof base), 0) << name;
    EXPECT_STREQ(base, "park") << name;
  }
}

TEST(Names, BaseNameAfterSlashOnlyPosix) {
  if (path_separator != '/') GTEST_SKIP() << "Windows ends it also at \"\\\" and \":\"";
  char base[NAME_BUFFER_SIZE];
  EXPECT_EQ(archive_base_name("D:park.uz2", base, sizeof base), 0);
  EXPECT_STREQ(base, "D:park");
  EXPECT_EQ(archive_base_name("x/a.b\\park", base, sizeof base), 0);
  EXPECT_STREQ(base, "a");
}

TEST(Names, ScanFields) {
  EXPECT_EQ(scan("12345-03.fz2", "%d-%d"), (got{2, 12345, 3}));
  EXPECT_EQ(scan("12345.fz2", "%d-%d"), (got{1, 12345}));
  EXPECT_EQ(scan("x1-2", "%d-%d"), (got{0}));
  EXPECT_EQ(scan("5-12b.gz2", "%d-%d%c"), (got{3, 5, 12, 'b'}));
  EXPECT_EQ(scan("5-12\xE9", "%d-%d%c"), (got{3, 5, 12, 0xE9}));
  EXPECT_EQ(scan("5-12", "%d-%d%c"), (got{2, 5, 12}));
  EXPECT_EQ(scan("-+3--4", "-%d-%d"), (got{2, 3, -4}));
  EXPECT_EQ(scan("7a-", "%u%c-"), (got{2, 7, 'a'}));

  // White space is skipped in front of numbers only, never by a literal or by %c.
  EXPECT_EQ(scan(" \t\n\v\f\r7", "%d"), (got{1, 7}));
  EXPECT_EQ(scan("5- 3", "%d-%d"), (got{2, 5, 3}));
  EXPECT_EQ(scan("5 -3", "%d-%d"), (got{1, 5}));
  EXPECT_EQ(scan("5 x", "%d%c"), (got{2, 5, ' '}));

  // Out of range: %d clamps, %u keeps the 32-bit pattern and saturates.
  EXPECT_EQ(scan("2147483648 -2147483648 -2147483649 99999999999999999999", "%d%d%d%d"),
            (got{4, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX}));
  EXPECT_EQ(scan("4294967295 -5 4294967296 -99999999999", "%u%u%u%u"),
            (got{4, -1, -5, -1, -1}));
  // A value that wraps to a small one modulo 2^32 is no small number for %d; %u keeps the
  // pattern (0 - 4294967295 is 1) and saturates beyond it.
  EXPECT_EQ(scan("-4294967295 4294967297 -4294967296", "%d%d%d"),
            (got{3, INT32_MIN, INT32_MAX, INT32_MIN}));
  EXPECT_EQ(scan("-4294967295 -4294967296", "%u%u"), (got{2, 1, -1}));

  // -1 only when the text ends before the first item; a sign alone is no number.
  EXPECT_EQ(scan("", "%d"), (got{-1}));
  EXPECT_EQ(scan("  ", "%u"), (got{-1}));
  EXPECT_EQ(scan("", "%c"), (got{-1}));
  EXPECT_EQ(scan("-", "-%d"), (got{-1}));
  EXPECT_EQ(scan("-", "%d"), (got{0}));
  EXPECT_EQ(scan("x", "-%d"), (got{0}));
  EXPECT_EQ(scan("1-", "%d-%d"), (got{1, 1}));
  int32_t value = 7;
  EXPECT_EQ(scan_fields(nullptr, "%d", &value), -1);
  EXPECT_EQ(scan_fields("5", nullptr, &value), -1);
  EXPECT_EQ(value, 7);
}
