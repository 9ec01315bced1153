// Fuzz target: the file-name parsers of vehicle and scenery packing and the scenery names that
// extraction rebuilds (current program).
//
// Input: byte 0 chooses what is done (low 3 bits) and the zoom level (bits 3-4: 1, 2, 4 or the
// invalid 3); for U byte 1 is the length of the base name; the rest is the file name (up to its
// first zero byte). Checked: a name that parses comes back, once rebuilt, to a name that parses
// to the same keys and rebuilds to itself; a rebuilt name is short, printable and holds no path
// separator, whatever the keys.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/extract.h"
#include "pack/pack.h"
#include "platform/platform.h"

namespace {

void fail(const char *what, const char *name) {
  std::fprintf(stderr, "fuzz_names: %s: \"%s\"\n", what, name);
  std::abort();
}

int32_t take32(const uint8_t *p) {
  return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
                   (uint32_t)p[3] << 24);
}

// A rebuilt name must be a plain file name.
void check_safe(const char *name) {
  size_t length = std::strlen(name);
  if (length >= NAME_BUFFER_SIZE) fail("name too long", name);
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = (unsigned char)name[i];
    if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?')
      fail("character not allowed in a name", name);
  }
}

bool same_keys(const scenery_keys &a, const scenery_keys &b) {
  return a.number == b.number && a.sub_number == b.sub_number &&
         a.kind_letter == b.kind_letter && a.part == b.part && a.part_letter == b.part_letter;
}

// Builds the name of `keys`, parses it again and builds once more: the same keys and the same
// name must come back. (The first name may differ from the packed one: "a" stands in for a
// missing letter and numbers get their leading zeros.)
void check_scenery_round_trip(const scenery_keys &keys, const char *base, int zoom, int by_name) {
  char name[NAME_BUFFER_SIZE], again[NAME_BUFFER_SIZE];
  int base_length = (int)std::strlen(base);
  int rc = build_scenery_name(keys.number, keys.sub_number, keys.kind_letter, base, zoom, name,
                              keys.part, keys.part_letter);
  if (zoom == 3) {
    if (rc != 2) fail("zoom 3 gave a name", name);
    return;
  }
  if (rc != by_name) fail("parsed keys give no name", name);
  check_safe(name);
  scenery_keys parsed;
  if (parse_scenery_name(name, base_length, by_name, &parsed) != FILE_OK)
    fail("rebuilt name does not parse", name);
  if (build_scenery_name(parsed.number, parsed.sub_number, parsed.kind_letter, base, zoom, again,
                         parsed.part, parsed.part_letter) != by_name ||
      std::strcmp(name, again) != 0)
    fail("rebuilt name is not stable", name);
  scenery_keys twice;
  parse_scenery_name(again, base_length, by_name, &twice);
  if (!same_keys(parsed, twice)) fail("keys change on a second round", name);
  if (parsed.number != keys.number || parsed.sub_number != keys.sub_number ||
      (parsed.kind_letter >> 16) != (keys.kind_letter >> 16) || parsed.part != keys.part)
    fail("keys change when rebuilt", name);
}

void check_vehicle(const char *file_name, int by_name) {
  int32_t first, second;
  if (parse_vehicle_name(file_name, by_name, &first, &second) != FILE_OK) return;
  if (first < 0 || second < 0 || second > 16 || (by_name && first > 10))
    fail("vehicle numbers out of range", file_name);
  char name[NAME_BUFFER_SIZE];
  if (build_vehicle_name(first, second, by_name ? "loco" : "", 2, name) != 0)
    fail("vehicle name not built", file_name);
  check_safe(name);
  int32_t first2, second2;
  if (parse_vehicle_name(name, by_name, &first2, &second2) != FILE_OK || first2 != first ||
      second2 != second)
    fail("rebuilt vehicle name reads differently", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  static const int zooms[4] = {1, 2, 4, 3};
  int what = data[0] & 7;
  int zoom = zooms[(data[0] >> 3) & 3];
  std::string text(reinterpret_cast<const char *>(data + 2), size - 2);
  const char *file_name = text.c_str();  // up to its first zero byte

  scenery_keys keys;
  switch (what) {
    case 0:
    case 1:
      check_vehicle(file_name, what);
      break;
    case 2:
      if (parse_scenery_name(file_name, 0, 0, &keys) == FILE_OK)
        check_scenery_round_trip(keys, "", zoom, 0);
      break;
    case 3:
      // U: the base name (its length from byte 1) and one character are skipped unread.
      if (parse_scenery_name(file_name, data[1], 1, &keys) == FILE_OK) {
        if (keys.number < 0 || keys.number > 89 || keys.part < 0 || keys.part > 99)
          fail("U keys out of range", file_name);
        check_scenery_round_trip(keys, "park", zoom, 1);
      }
      break;
    default: {
      // Any keys at all, as a damaged archive may hold them, with the rest as base name.
      if (size < 2 + 20) return 0;
      const uint8_t *p = data + 2;
      std::string base(reinterpret_cast<const char *>(p + 20), size - 22);
      char name[NAME_BUFFER_SIZE];
      int rc = build_scenery_name(take32(p), take32(p + 4), (uint32_t)take32(p + 8),
                                  base.c_str(), zoom, name, take32(p + 12), take32(p + 16));
      if (rc < 0 || rc > 2) fail("unexpected result", name);
      // The base name comes from the archive's own name; the rest of the name must be safe.
      if (rc != 2) check_safe(name + (rc == 1 ? std::strlen(base.c_str()) : 0));
      if (rc == 1 && std::strncmp(name, base.c_str(), std::strlen(base.c_str())) != 0)
        fail("base name missing", name);
      break;
    }
  }
  return 0;
}
