#include "archive/name_pieces.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

int append_name_piece(char *out, const char *piece) {
  size_t used = std::strlen(out);
  size_t length = std::strlen(piece);
  if (used + length >= NAME_BUFFER_BYTES) return 1;
  if (plat_name_length(out) + plat_name_length(piece) >= NAME_BUFFER_SIZE) return 1;
  std::memcpy(out + used, piece, length + 1);
  return 0;
}

const char *scenery_extension(int zoom) {
  switch (zoom) {
    case 1: return "gz1";
    case 2: return "gz2";
    case 4: return "gz4";
    default: return nullptr;
  }
}

int append_m_kind_name(char *out, int32_t number, const char *extension) {
  char name[80];
  std::snprintf(name, sizeof name, "m%d-%d-0.%s", number / 512, number % 512, extension);
  return append_name_piece(out, name) != 0 ? 2 : 0;
}
