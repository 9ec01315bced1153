// The names that the legacy program rebuilds from the stored keys: base-named scenery files as
// "u05-12b-park.gz2" (the archive's base name at the end), lettered ones as "s123-045a.gz1",
// plain ones as "049152-01a.gz2"; no piece for a part of 0 and no stand-in letter.
#include <cstdio>
#include <cstring>

#include "archive/extract.h"
#include "archive/name_pieces.h"
#include "platform/platform.h"

int build_scenery_name(int32_t number, int32_t sub_number, uint32_t kind_letter,
                       const char *base_name, int zoom, char *out, int32_t part,
                       int32_t part_letter) {
  if (out == nullptr) return 2;
  out[0] = '\0';
  int base = base_name != nullptr && base_name[0] != '\0';
  int lettered = number <= 16383 && !base;
  if (lettered) {
    part = 0;
    part_letter = 0;
  }
  const char *extension = scenery_extension(zoom);
  if (extension == nullptr) return 2;

  char letter[2] = "";
  if (part_letter >= 1 && part_letter <= 4) letter[0] = (char)(96 + part_letter);

  char piece1[40] = "";
  char piece2[40] = "";
  char piece3[40] = "";
  if (part >= 1 && part <= 99) std::snprintf(piece2, sizeof piece2, "-%02i", part);

  if (lettered) {
    unsigned kind = kind_letter >> 16;
    unsigned suffix = kind_letter & 0xFFFFu;
    if (kind == 0) {
      // The m kind of the current program: its name as that program rebuilds it.
      return append_m_kind_name(out, number, extension);
    }
    // No kind letter beyond "b", and a suffix must be a letter: other values would put
    // characters such as "/", ":" or a terminator into the name.
    if (kind > 4 || suffix > 26) return 2;
    if (suffix != 0) {
      std::snprintf(piece3, sizeof piece3, "-%03i%c", sub_number, (char)(96 + suffix));
    } else {
      std::snprintf(piece3, sizeof piece3, "-%03i", sub_number);
    }
    std::snprintf(piece1, sizeof piece1, "%c%03u", "sthb"[kind - 1], (unsigned)number);
  } else if (base) {
    std::snprintf(piece1, sizeof piece1, "%c%02u", 'u', (unsigned)number);
  } else {
    std::snprintf(piece1, sizeof piece1, "%06u", (unsigned)number);
  }

  if (append_name_piece(out, piece1) != 0 || append_name_piece(out, piece2) != 0 ||
      append_name_piece(out, piece3) != 0 || append_name_piece(out, letter) != 0) {
    return 2;
  }
  if (base && (append_name_piece(out, "-") != 0 || append_name_piece(out, base_name) != 0)) return 2;
  if (append_name_piece(out, ".") != 0 || append_name_piece(out, extension) != 0) return 2;
  return base;
}

// Legacy vehicle names are always numbered: "12345-03.fz2".
int build_vehicle_name(int32_t first_number, int32_t second_number, const char *,
                       int zoom, char *out) {
  int length = std::snprintf(out, NAME_BUFFER_BYTES, "%05u-%02u.%s", (unsigned)first_number,
                             (unsigned)second_number, zoom == 2 ? "fz2" : "fz4");
  return (length < 0 || length >= NAME_BUFFER_BYTES) ? 1 : 0;
}
