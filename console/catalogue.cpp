// Looking up a text by number in the catalogue of this program, and choosing the language.
#include "console/catalogue.h"

#include <cstdio>

#include "platform/platform.h"

int language_index = LANGUAGE_ENGLISH;

// Receives the text for a number the catalogue does not hold; the next such lookup overwrites it.
static char fallback_text[100];

int language_from_primary(int primary) {
  switch (primary) {
    case 0x05:  // Czech
    case 0x1B:  // Slovak
      return LANGUAGE_CZECH;
    case 0x07:
      return LANGUAGE_GERMAN;
    case 0x0A:
      return LANGUAGE_SPANISH;
    case 0x15:
      return LANGUAGE_POLISH;
    default:
      return LANGUAGE_ENGLISH;
  }
}

int select_language(void) { return language_from_primary(plat_primary_language() & 0x3FF); }

const char *message_text(uint32_t number) {
  int column = language_index;
  if (column < 0 || column >= LANGUAGE_COUNT) column = LANGUAGE_ENGLISH;

  const catalogue_row *row = message_catalogue;
  while (row->number != number && row->number != CATALOGUE_END) row++;
  if (row->text[column] != nullptr) return row->text[column];

  // Not in the catalogue (or the marker row itself): "Text missing: <number>" in this language.
  // The number is shown signed, so 0xFFFFFFFF reads as -1.
  snprintf(fallback_text, sizeof fallback_text, "%s %i", message_catalogue[0].text[column],
           static_cast<int>(number));
  return fallback_text;
}

int message_code_page(uint32_t number, int language) {
  if (number == MSG_VERSION && language == LANGUAGE_SPANISH) return 850;
  if ((number == MSG_LENGTH || number == MSG_FILE_EXISTS) &&
      (language == LANGUAGE_POLISH || language == LANGUAGE_CZECH))
    return 852;
  return 1250;
}
