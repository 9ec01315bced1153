// The legacy program's own rules, in process: how it reads vehicle and scenery file names, which
// U files belong to an archive, the names extraction rebuilds, and the texts of packing results.
#include <gtest/gtest.h>

#include <string>

#include "archive/extract.h"
#include "archive/format.h"
#include "console/catalogue.h"
#include "driver/final_message.h"
#include "legacy/legacy.h"
#include "pack/entries.h"
#include "pack/pack.h"
#include "tests/test_support.h"

TEST(LegacyNames, VehicleNames) {
  // Both numbers 0 would pack to the end mark; a first number from 134217728 on does not fit
  // the packed number beside a second number of up to 15.
  struct { const char *name; int rc; int32_t first, second; } cases[] = {
      {"12345-15.fz2", 0, 12345, 15},    {"12345-16.fz2", 3, 0, 0},
      {"00000-01.fz2", 0, 0, 1},         {"00000-00.fz2", 3, 0, 0},
      {"134217727-15.fz2", 0, 134217727, 15}, {"134217728-01.fz2", 3, 0, 0},
      {"readme.fz2", 3, 0, 0},           {"12345.fz2", 3, 0, 0},
      {"1-2-3.fz2", 0, 1, 2},            {"4294967295-01.fz2", 3, 0, 0},
      // Beyond 32 bits "%u" saturates; a minus sign negates the 32-bit pattern, as the
      // standard reader does: -4294967295 reads as 1.
      {"4294967297-01.fz2", 3, 0, 0},    {"1-4294967297.fz2", 3, 0, 0},
      {"1--4294967295.fz2", 0, 1, 1},    {"1--1.fz2", 3, 0, 0},
  };
  for (const auto &c : cases) {
    int32_t first = 0, second = 0;
    EXPECT_EQ(c.rc, parse_legacy_vehicle_name(c.name, &first, &second)) << c.name;
    if (c.rc == 0) {
      EXPECT_EQ(c.first, first) << c.name;
      EXPECT_EQ(c.second, second) << c.name;
    }
  }
}

TEST(LegacyNames, VehicleFilesAreRefusedOrSorted) {
  reset_packing_state();
  // Found in any order, stored by first and then second number.
  EXPECT_EQ(0, add_vehicle_file("gfx", "00002-01.fz2", 4, 0x53C0, 0x3E4E));
  EXPECT_EQ(0, add_vehicle_file("gfx", "00001-05.fz2", 4, 0x53C0, 0x3E4E));
  EXPECT_EQ(0, add_vehicle_file("gfx", "00001-02.fz2", 4, 0x53C0, 0x3E4E));
  EXPECT_EQ(1, add_vehicle_file("gfx", "00001-03.fz2", 0, 0x53C0, 0x3E4E));
  EXPECT_EQ(3, add_vehicle_file("gfx", "00000-00.fz2", 4, 0x53C0, 0x3E4E));
  sort_entry_lists();
  std::string order;
  for (const vehicle_entry *e = vehicle_list; e != nullptr; e = e->next)
    order += std::to_string(e->first_number) + "/" + std::to_string(e->second_number) + " ";
  EXPECT_EQ("1/2 1/5 2/1 ", order);
  EXPECT_EQ(0x3E4E53C0u, vehicle_list->stamp);
  EXPECT_EQ(3, entry_count);

  // Directory, separator and name must fit 260 characters with the terminator.
  std::string fits(259 - 1 - 12, 'd'), too_long(fits + "d");
  EXPECT_EQ(0, add_vehicle_file(fits.c_str(), "00003-01.fz2", 4, 0, 0x21));
  EXPECT_EQ(3, add_vehicle_file(too_long.c_str(), "00003-02.fz2", 4, 0, 0x21));
  EXPECT_EQ(0, add_scenery_file(fits.c_str(), "s123-45a.gz2", 4, "", 0, 0, 0x21));
  EXPECT_EQ(3, add_scenery_file(too_long.c_str(), "s123-45a.gz2", 4, "", 0, 0, 0x21));

  // A file that would carry the archive to 4 GiB, where its offsets wrap. Each file adds its
  // directory entry, its record's keys and its bytes: 4 GiB - 1 bytes fit.
  struct { const char *kind; uint64_t start, per_file; int (*add)(uint64_t size); } kinds[] = {
      {"vehicle", OLDER_VEHICLE_HEADER_SIZE + 4,
       OLDER_VEHICLE_ENTRY_SIZE + OLDER_VEHICLE_RECORD_SIZE,
       [](uint64_t size) { return add_vehicle_file("gfx", "00001-01.fz2", size, 0, 0x21); }},
      {"scenery", SCENERY_HEADER_SIZE + 4, SCENERY_ENTRY_SIZE + SCENERY_RECORD_SIZE,
       [](uint64_t size) { return add_scenery_file("gfx", "s1.gz2", size, "", 0, 0, 0x21); }},
  };
  for (const auto &k : kinds) {
    reset_packing_state();
    archive_length = k.start;
    EXPECT_EQ(0, k.add(0x7FFFFFFF)) << k.kind;
    EXPECT_EQ(k.start + k.per_file + 0x7FFFFFFF, archive_length) << k.kind;
    uint64_t rest = 0xFFFFFFFFull - archive_length - k.per_file;  // what still fits
    EXPECT_EQ(3, k.add(rest + 1)) << k.kind;
    EXPECT_EQ(0, k.add(rest)) << k.kind;
    EXPECT_EQ(0xFFFFFFFFull, archive_length) << k.kind;
    EXPECT_EQ(3, k.add(1)) << k.kind;
    EXPECT_EQ(2, entry_count) << k.kind;
  }
  reset_packing_state();
}

TEST(LegacyNames, UFilesByBaseName) {
  // The base name ends the name regardless of case, and does not start it; the other files are
  // passed over. Only lower-case letters count behind the part.
  struct { const char *name; int matches, rc; int32_t number, part, letter; } cases[] = {
      {"u05-12b-park.gz2", 1, 0, 5, 12, 2},   {"u05-park.gz2", 1, 0, 5, 0, 0},
      {"u05a-park.gz2", 1, 0, 5, 0, 1},       {"u05-12b-PARK.gz2", 1, 0, 5, 12, 2},
      {"u05-12b-mypark.gz2", 1, 0, 5, 12, 2}, {"u05-12bpark.gz2", 1, 0, 5, 12, 2},
      {"u05-12B-park.gz2", 1, 0, 5, 12, 0},   {"u89-99d-park.gz2", 1, 0, 89, 99, 4},
      {"u95-park.gz2", 1, 3, 0, 0, 0},        {"u05-100-park.gz2", 1, 3, 0, 0, 0},
      {"u90-park.gz2", 1, 3, 0, 0, 0},        {"u05--1-park.gz2", 1, 3, 0, 0, 0},
      {"u05-park-park.gz2", 0, 0, 0, 0, 0},   {"u05-12b-other.gz2", 0, 0, 0, 0, 0},
      {"park.gz2", 0, 0, 0, 0, 0},            {"u05-12b-park2.gz2", 0, 0, 0, 0, 0},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.matches, legacy_base_name_matches(c.name, "Park")) << c.name;
    if (!c.matches) continue;
    scenery_keys keys;
    EXPECT_EQ(c.rc, parse_legacy_scenery_name(c.name, 1, &keys)) << c.name;
    if (c.rc != 0) continue;
    EXPECT_EQ(c.number, keys.number) << c.name;
    EXPECT_EQ(c.part, keys.part) << c.name;
    EXPECT_EQ(c.letter, keys.part_letter) << c.name;
    EXPECT_EQ(0u, keys.kind_letter) << c.name;
  }
}

// A one-letter base name: the match starts at the name's second character, so the "u" that
// begins every U name is never taken for it, and the base name must end the name. A name that
// is only an extension keeps its dot (nothing stands in front of it to remove).
TEST(LegacyNames, UFilesOfAOneLetterBaseName) {
  struct { const char *name, *base; int matches; } cases[] = {
      {"ua.gz2", "a", 1},     {"UA.GZ2", "a", 1},    {"u05-12b-a.gz2", "A", 1},
      {"a.gz2", "a", 0},      {"u.gz2", "u", 0},     {"uu.gz2", "u", 1},
      {"uaa.gz2", "a", 0},    {"uab.gz2", "a", 0},   {"u05-u.gz2", "u", 1},
      {".gz2", "2", 1},       {".gz2", "gz2", 1},    {".gz2", "g", 0},
      {"", "a", 0},           {"ua.gz2", "", 0},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.matches, legacy_base_name_matches(c.name, c.base)) << c.name << " " << c.base;
  }
  // A matching name still has to read: nothing but the base name behind the "u" does not.
  scenery_keys keys;
  EXPECT_EQ(3, parse_legacy_scenery_name("uu.gz2", 1, &keys));
  EXPECT_EQ(3, parse_legacy_scenery_name(".gz2", 1, &keys));
  EXPECT_EQ(3, parse_legacy_scenery_name(".gz2", 0, &keys));
  EXPECT_EQ(0, parse_legacy_scenery_name("u05-u.gz2", 1, &keys));
  EXPECT_EQ(5, keys.number);
}

TEST(LegacyNames, SceneryNames) {
  // Letter kinds keep "a" and "b" only; plain names are read from their first character, and
  // "m" is no kind of its own.
  struct { const char *name; int rc; int32_t number, sub; uint32_t kind; int32_t part, letter; }
      cases[] = {
          {"s123-45a.gz1", 0, 123, 45, 0x10001, 0, 0}, {"s123-45c.gz1", 0, 123, 45, 0x10000, 0, 0},
          {"t42-7b.gz1", 0, 42, 7, 0x20002, 0, 0},     {"b16383.gz1", 0, 16383, 0, 0x40000, 0, 0},
          {"h5-2.gz1", 0, 5, 2, 0x30000, 0, 0},        {"s16384-1.gz1", 3, 0, 0, 0, 0, 0},
          {"m3-100-0.gz1", 3, 0, 0, 0, 0, 0},          {"x49152.gz2", 3, 0, 0, 0, 0, 0},
          {"049152-01a.gz2", 0, 49152, 0, 0, 1, 1},    {"49152-01a.gz2", 0, 49152, 0, 0, 1, 1},
          {"049152.gz2", 0, 49152, 0, 0, 0, 0},        {"065535d.gz2", 0, 65535, 0, 0, 0, 4},
          {"049151.gz2", 3, 0, 0, 0, 0, 0},            {"065536.gz2", 3, 0, 0, 0, 0, 0},
          {"050000-100.gz2", 3, 0, 0, 0, 0, 0},       {"050000--1.gz2", 3, 0, 0, 0, 0, 0},
      };
  for (const auto &c : cases) {
    scenery_keys keys;
    EXPECT_EQ(c.rc, parse_legacy_scenery_name(c.name, 0, &keys)) << c.name;
    if (c.rc != 0) continue;
    EXPECT_EQ(c.number, keys.number) << c.name;
    EXPECT_EQ(c.sub, keys.sub_number) << c.name;
    EXPECT_EQ(c.kind, keys.kind_letter) << c.name;
    EXPECT_EQ(c.part, keys.part) << c.name;
    EXPECT_EQ(c.letter, keys.part_letter) << c.name;
  }
}

// What both legacy packers refuse before they look at a file, and the files they refuse by size
// alone (2 GiB or more whatever the low 32 bits say) or without a name.
TEST(LegacyPacking, ArgumentAndSizeRefusals) {
  scratch_dir dir("leg-args");
  const char *d = dir.path().c_str();
  const std::string fits(199, 'a'), too_long(200, 'a');
  language_index = LANGUAGE_ENGLISH;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(5u, pack_vehicles(nullptr, d, 2, 1));
  EXPECT_EQ(5u, pack_vehicles("a.fz2", nullptr, 2, 1));
  EXPECT_EQ(1u, pack_vehicles(fits.c_str(), d, 2, 1));  // nothing found
  EXPECT_EQ(5u, pack_vehicles(too_long.c_str(), d, 2, 1));
  EXPECT_EQ(5u, pack_vehicles("a.fz1", d, 1, 1));  // vehicles come in zoom 2 and 4 only
  EXPECT_EQ(5u, pack_scenery("a.gz3", d, 3, 1, 0));
  EXPECT_EQ(5u, pack_scenery(nullptr, d, 2, 1, 0));
  EXPECT_EQ(5u, pack_scenery("a.gz2", nullptr, 2, 1, 0));
  EXPECT_EQ(1u, pack_scenery(fits.c_str(), d, 2, 1, 0));
  EXPECT_EQ(5u, pack_scenery(too_long.c_str(), d, 2, 1, 0));
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();

  reset_packing_state();
  for (uint64_t size : {0ull, 0x80000000ull, 0x100000005ull}) {
    EXPECT_EQ(1, add_vehicle_file("gfx", "00001-01.fz2", size, 0, 0x21)) << size;
    EXPECT_EQ(1, add_scenery_file("gfx", "s1.gz2", size, "", 0, 0, 0x21)) << size;
  }
  EXPECT_EQ(3, add_vehicle_file(nullptr, "00001-01.fz2", 1, 0, 0x21));
  EXPECT_EQ(3, add_vehicle_file("gfx", nullptr, 1, 0, 0x21));
  EXPECT_EQ(3, add_scenery_file(nullptr, "s1.gz2", 1, "", 0, 0, 0x21));
  EXPECT_EQ(3, add_scenery_file("gfx", nullptr, 1, "", 0, 0, 0x21));
  EXPECT_EQ(0, entry_count);
  reset_packing_state();
}

TEST(LegacyNames, RebuiltSceneryNames) {
  // No piece for a part of 0 and no stand-in letter. Kind index 0 is the other program's m kind;
  // a kind above 4 or a suffix beyond "z" has no name.
  struct { int32_t number, sub; uint32_t kind; const char *base; int zoom; int32_t part, letter;
           int rc; const char *name; } cases[] = {
      {5, 0, 0, "park", 2, 12, 2, 1, "u05-12b-park.gz2"},
      {5, 0, 0, "park", 2, 0, 0, 1, "u05-park.gz2"},
      {5, 0, 0, "park", 4, 100, 5, 1, "u05-park.gz4"},
      {123, 45, 0x10001, "", 1, 0, 0, 0, "s123-045a.gz1"},
      {123, 45, 0x10000, "", 1, 0, 0, 0, "s123-045.gz1"},
      {123, 45, 0x40002, "", 1, 7, 3, 0, "b123-045b.gz1"},
      {123, 45, 0x1001A, "", 4, 0, 0, 0, "s123-045z.gz4"},
      {49152, 0, 0, "", 2, 1, 1, 0, "049152-01a.gz2"},
      {49152, 0, 0, "", 2, 0, 0, 0, "049152.gz2"},
      {1636, 0, 0, "", 2, 0, 0, 0, "m3-100-0.gz2"},
      {49152, 0, 0, "", 3, 0, 0, 2, ""},
      {5, 0, 0, "park", 0, 0, 0, 2, ""},
      {123, 45, 0x50001, "", 1, 0, 0, 2, ""},
      {123, 45, 0x1001B, "", 1, 0, 0, 2, ""},
  };
  for (const auto &c : cases) {
    char out[260] = "stale";
    EXPECT_EQ(c.rc, build_scenery_name(c.number, c.sub, c.kind, c.base, c.zoom, out, c.part,
                                       c.letter)) << c.name;
    if (c.rc != 2) {
      EXPECT_STREQ(c.name, out);
    }
  }
  EXPECT_EQ(2, build_scenery_name(5, 0, 0, "park", 2, nullptr, 0, 0));
}

TEST(LegacyResults, PackingMessagesWithoutNames) {
  language_index = LANGUAGE_ENGLISH;
  entry_count = 3;
  struct { unsigned result; const char *text; } cases[] = {
      {0, "Packed: 3 files"},     {1, "No file found"},       {2, "Out of memory"},
      {3, "No archive file created"}, {4, "Error while writing"}, {11, "Error while reading"},
      {12, "Out of memory"},      {13, "Data error"},         {5, "Packing: rc=5"},
      {7, "Packing: rc=7"},       {10, "Packing: rc=10"},     {14, "Packing: rc=14"},
  };
  for (const auto &c : cases) {
    final_message message;
    compose_legacy_pack_result(c.result, message_text, &message);
    EXPECT_STREQ(c.text, message.text) << c.result;
    EXPECT_EQ(c.result == 0 ? MSG_DONE_TITLE : MSG_ERROR_TITLE, (int)message.title) << c.result;
    EXPECT_EQ(c.result == 0 ? EXIT_DONE : EXIT_FAILED, final_status(&message)) << c.result;
  }
  reset_packing_state();
}
