// The names that extraction rebuilds from the stored keys, as the current program writes them.
#include <cstdio>
#include <cstring>

#include "archive/extract.h"
#include "archive/name_pieces.h"
#include "platform/platform.h"

// Scenery names come in three forms: base-named "park-05-12b.gz2" ("UZX" archives), lettered
// "s123-045a.gz1" (numbers up to 16383) and plain "049152-01a.gz2" (higher numbers). Every name
// ends in a letter; "a" stands in where none was stored.
int build_scenery_name(int32_t number, int32_t sub_number, uint32_t kind_letter,
                       const char *base_name, int zoom, char *out, int32_t part,
                       int32_t part_letter) {
  if (out == nullptr) return 2;
  int base = 0;
  out[0] = '\0';
  if (base_name != nullptr && base_name[0] != '\0') {
    if (append_name_piece(out, base_name) != 0 || append_name_piece(out, "-") != 0) return 2;
    base = 1;
  }

  int lettered = number <= 16383 && base == 0;
  if (lettered) {
    part_letter = 0;
  }
  const char *extension = scenery_extension(zoom);
  if (extension == nullptr) return 2;

  char letter = 0;
  if (part_letter >= 1 && part_letter <= 4) letter = (char)(96 + part_letter);

  char piece1[40] = "";
  char piece2[40] = "";
  char piece3[40] = "";
  if (!lettered && part >= 0) std::snprintf(piece2, sizeof piece2, "-%02d", part);

  if (lettered) {
    unsigned kind = kind_letter >> 16;
    unsigned suffix = kind_letter & 0xFFFFu;
    if (kind == 0) {
      return append_m_kind_name(out, number, extension);  // the m kind has no kind letter
    }
    if (kind > 4) return 2;
    // A suffix is a letter: 1 to 26 give "a" to "z". Any other value would put a character such
    // as "/", ":" or a terminator into the name, so such an archive is refused.
    if (suffix > 26) return 2;
    if (suffix != 0) letter = (char)(96 + suffix);
    std::snprintf(piece3, sizeof piece3, "-%03d", sub_number);
    std::snprintf(piece1, sizeof piece1, "%c%03d", "sthb"[kind - 1], number);
  } else if (base) {
    std::snprintf(piece1, sizeof piece1, "%02d", number);
  } else {
    std::snprintf(piece1, sizeof piece1, "%06d", number);
  }

  char tail[8];
  std::snprintf(tail, sizeof tail, "%c.%s", letter != 0 ? letter : 'a', extension);
  if (append_name_piece(out, piece1) != 0 || append_name_piece(out, piece2) != 0 ||
      append_name_piece(out, piece3) != 0 || append_name_piece(out, tail) != 0) {
    return 2;
  }
  return base;
}

// Vehicle names: "loco-03-12.fz2" with the base name, "12345-03.fz2" without.
int build_vehicle_name(int32_t first_number, int32_t second_number, const char *base_name,
                       int zoom, char *out) {
  const char *extension = zoom == 2 ? "fz2" : "fz4";
  int length;
  if (base_name[0] != '\0') {
    length = std::snprintf(out, NAME_BUFFER_BYTES, "%s-%02d-%02d.%s", base_name, first_number,
                           second_number, extension);
  } else {
    length = std::snprintf(out, NAME_BUFFER_BYTES, "%05d-%02d.%s", first_number, second_number,
                           extension);
  }
  if (length < 0 || length >= NAME_BUFFER_BYTES) return 1;
  return plat_name_length(out) >= NAME_BUFFER_SIZE ? 1 : 0;
}
