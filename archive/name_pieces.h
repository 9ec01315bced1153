// Pieces that the name builders of both programs share.
#pragma once

#include <cstdint>

// Appends a piece to a name buffer of NAME_BUFFER_BYTES; 0, or 1 when it does not fit there or
// the name would reach NAME_BUFFER_SIZE counted characters.
int append_name_piece(char *out, const char *piece);

// "gz1", "gz2" or "gz4" for zoom 1, 2 or 4; null for any other zoom.
const char *scenery_extension(int zoom);

// Appends the name of an m-kind entry (lettered form, kind index 0), the number as its two
// parts again: "m<number / 512>-<number % 512>-0.<extension>", which packs back to the same
// entry. 0, or 2 when it does not fit.
int append_m_kind_name(char *out, int32_t number, const char *extension);
