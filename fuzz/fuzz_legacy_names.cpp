// Fuzz target: the file-name parsers of the legacy program, its test of U names against the
// archive's base name, and the scenery names its extraction rebuilds.
//
// Input: byte 0 chooses what is done (low 3 bits) and the zoom level (bits 3-4: 1, 2, 4 or the
// invalid 3); byte 1 is the length of a base name taken from the front of the text; the rest is
// the text (up to its first zero byte). Checked as in fuzz_names.cpp: parsed names rebuild to
// names that parse to the same keys and rebuild to themselves, and rebuilt names are safe.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/extract.h"
#include "legacy/legacy.h"
#include "pack/pack.h"
#include "platform/platform.h"

namespace {

void fail(const char *what, const char *name) {
  std::fprintf(stderr, "fuzz_legacy_names: %s: \"%s\"\n", what, name);
  std::abort();
}

int32_t take32(const uint8_t *p) {
  return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 |
                   (uint32_t)p[3] << 24);
}

void check_safe(const char *name) {
  size_t length = std::strlen(name);
  if (length >= NAME_BUFFER_SIZE) fail("name too long", name);
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = (unsigned char)name[i];
    if (c < 0x20 || c >= 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?')
      fail("character not allowed in a name", name);
  }
}

void check_scenery_round_trip(const scenery_keys &keys, int zoom, int by_name) {
  const char *base = by_name ? "park" : "";
  char name[NAME_BUFFER_SIZE], again[NAME_BUFFER_SIZE];
  int rc = build_scenery_name(keys.number, keys.sub_number, keys.kind_letter, base, zoom, name,
                              keys.part, keys.part_letter);
  if (zoom == 3) {
    if (rc != 2) fail("zoom 3 gave a name", name);
    return;
  }
  if (rc != by_name) fail("parsed keys give no name", name);
  check_safe(name);
  // A U name comes back with the base name at its end, where packing looks for it.
  if (by_name && legacy_base_name_matches(name, base) != 1)
    fail("rebuilt U name does not match its base name", name);
  scenery_keys parsed, twice;
  if (parse_legacy_scenery_name(name, by_name, &parsed) != FILE_OK)
    fail("rebuilt name does not parse", name);
  if (build_scenery_name(parsed.number, parsed.sub_number, parsed.kind_letter, base, zoom, again,
                         parsed.part, parsed.part_letter) != by_name ||
      std::strcmp(name, again) != 0)
    fail("rebuilt name is not stable", name);
  if (parse_legacy_scenery_name(again, by_name, &twice) != FILE_OK ||
      std::memcmp(&parsed, &twice, sizeof parsed) != 0)
    fail("keys change on a second round", name);
  // The legacy names drop no key: letters a to d (a and b behind a kind letter) come back.
  if (std::memcmp(&parsed, &keys, sizeof keys) != 0) fail("keys change when rebuilt", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  static const int zooms[4] = {1, 2, 4, 3};
  int what = data[0] & 7;
  int zoom = zooms[(data[0] >> 3) & 3];
  std::string text(reinterpret_cast<const char *>(data + 2), size - 2);
  const char *file_name = text.c_str();

  scenery_keys keys;
  switch (what) {
    case 0: {
      int32_t first, second, first2, second2;
      if (parse_legacy_vehicle_name(file_name, &first, &second) != FILE_OK) break;
      // Both 0 would be the end mark of the older directory; the packed number must fit.
      if (first < 0 || first >= 134217728 || second < 0 || second > 15 || (first | second) == 0)
        fail("vehicle numbers out of range", file_name);
      char name[NAME_BUFFER_SIZE];
      if (build_vehicle_name(first, second, "", 2, name) != 0) fail("no vehicle name", file_name);
      check_safe(name);
      if (parse_legacy_vehicle_name(name, &first2, &second2) != FILE_OK || first2 != first ||
          second2 != second)
        fail("rebuilt vehicle name reads differently", name);
      break;
    }
    case 1:
    case 2:
      if (parse_legacy_scenery_name(file_name, what == 2, &keys) == FILE_OK)
        check_scenery_round_trip(keys, zoom, what == 2);
      break;
    case 3: {
      // The base-name test with a base name cut from the front of the text.
      size_t cut = data[1] < text.size() ? data[1] : text.size();
      std::string base = text.substr(0, cut);
      int match = legacy_base_name_matches(file_name + cut, base.c_str());
      if (match != 0 && match != 1) fail("base-name test answers neither 0 nor 1", file_name);
      break;
    }
    default: {
      if (size < 2 + 20) return 0;
      const uint8_t *p = data + 2;
      std::string base(reinterpret_cast<const char *>(p + 20), size - 22);
      char name[NAME_BUFFER_SIZE];
      int rc = build_scenery_name(take32(p), take32(p + 4), (uint32_t)take32(p + 8),
                                  base.c_str(), zoom, name, take32(p + 12), take32(p + 16));
      if (rc < 0 || rc > 2) fail("unexpected result", name);
      if (rc == 0) check_safe(name);
      // The base name stands at the end, in front of the extension.
      if (rc == 1) {
        size_t length = std::strlen(name), base_length = std::strlen(base.c_str());
        if (length < base_length + 4) fail("base name missing", name);
        std::string rest(name, length - base_length - 4);
        check_safe(rest.c_str());
        check_safe(name + length - 4);
      }
      break;
    }
  }
  return 0;
}
