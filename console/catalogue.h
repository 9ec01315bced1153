// The message catalogue: every user-visible text by number, in five languages, stored as the
// bytes of its code page (Windows-1250, except five console texts in the OEM code pages 850 and
// 852). The language is chosen once at start.
#pragma once

#include <cstdint>

enum {
  LANGUAGE_ENGLISH = 0,
  LANGUAGE_GERMAN = 1,
  LANGUAGE_POLISH = 2,
  LANGUAGE_SPANISH = 3,
  LANGUAGE_CZECH = 4,
  LANGUAGE_COUNT = 5
};

// Message numbers by their use.
enum {
  MSG_TEXT_MISSING = 0,
  MSG_VERSION = 1,
  MSG_ARCHIVE_NOT_OPENED = 2,
  MSG_ARCHIVE_EXISTS = 3,
  MSG_ERROR_TITLE = 4,
  MSG_USAGE_TITLE = 5,
  MSG_USAGE = 6,
  MSG_EXTRACT_RESULT = 7,
  MSG_DONE_TITLE = 8,
  MSG_EXTRACT_RC = 9,
  MSG_PACKED = 10,
  MSG_PACK_RC = 11,
  MSG_LENGTH = 12,
  MSG_FILE_EXISTS = 13,
  MSG_NO_FILE_FOUND = 14,
  MSG_OUT_OF_MEMORY = 15,
  MSG_NO_ARCHIVE_CREATED = 16,
  MSG_WRITE_ERROR = 17,
  MSG_READ_ERROR = 18,
  MSG_DATA_ERROR = 19,
  MSG_COLLECTING = 20,
  MSG_COPYING = 21,
  MSG_FRONT2 = 22,
  MSG_SIDE2 = 23,
  MSG_DOORS = 24,
  MSG_LABEL_LENGTH = 25,
  MSG_LABEL_SIDE_HEIGHT = 26,
  MSG_LABEL_WIDTH = 27,
  MSG_LABEL_FRONT_HEIGHT = 28,
  MSG_VIEW_LINE = 29,
  MSG_VIEW_CHARACTERS = 30
};

// One row of the catalogue: the number and the text in each language, in the column order
// English, German, Polish, Spanish, Czech. The table ends with a row numbered 0xFFFFFFFF whose
// texts are all absent.
struct catalogue_row {
  uint32_t number;
  const char *text[LANGUAGE_COUNT];
};

// The number of the row that ends a catalogue table.
const uint32_t CATALOGUE_END = 0xFFFFFFFFu;

// This program's catalogue: rows in ascending number, then the end row. Each program links its
// own table (the legacy program has rows 0 to 19, three of them with other texts).
extern const catalogue_row message_catalogue[];

// The language of every text, 0 to 4; set once by the driver from select_language.
extern int language_index;

// The user's language as a language index (Czech and Slovak 4, German 1, Spanish 3, Polish 2,
// everything else English 0).
int select_language(void);

// The mapping behind select_language: a Windows primary language identifier (the low 10 bits of a
// language id) to a language index.
int language_from_primary(int primary);

// The text of a message in the current language, as stored. For a number the catalogue does not
// hold: "%s %i" of message 0 and the number, in a process-wide buffer that the next such lookup
// overwrites.
const char *message_text(uint32_t number);

// The code page (1250, 850 or 852) in which a message is stored for a language.
int message_code_page(uint32_t number, int language);
