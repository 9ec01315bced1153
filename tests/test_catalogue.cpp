// The message catalogue: stored bytes, lookup with its fallback, language selection, and the texts
// as the screen gets them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/catalogue.h"
#include "driver/output.h"

namespace {

// Sets the language for one test and puts English back however the test ends.
struct language_guard {
  explicit language_guard(int language) { language_index = language; }
  ~language_guard() { language_index = LANGUAGE_ENGLISH; }
};

const catalogue_row *find_row(uint32_t number) {
  for (const catalogue_row *row = message_catalogue;; row++) {
    if (row->number == number) return row;
    if (row->number == 0xFFFFFFFFu) return nullptr;
  }
}

std::string stored(uint32_t number, int language) {
  const catalogue_row *row = find_row(number);
  return row && row->text[language] ? row->text[language] : "<absent>";
}

// The number of characters in a UTF-8 text, or -1 when it is not well-formed UTF-8.
int utf8_length(const char *text) {
  int count = 0;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; count++) {
    int follow = *p < 0x80 ? 0 : (*p & 0xE0) == 0xC0 ? 1 : (*p & 0xF0) == 0xE0 ? 2 : -1;
    if (follow < 0 || (follow == 1 && *p < 0xC2)) return -1;
    p++;
    for (int i = 0; i < follow; i++, p++)
      if ((*p & 0xC0) != 0x80) return -1;
  }
  return count;
}

}  // namespace

TEST(Catalogue, TableHasEveryMessageInEveryLanguage) {
  int row = 0;
  for (; message_catalogue[row].number != 0xFFFFFFFFu; row++) {
    ASSERT_EQ(message_catalogue[row].number, static_cast<uint32_t>(row));
    for (int language = 0; language < LANGUAGE_COUNT; language++) {
      const char *text = message_catalogue[row].text[language];
      ASSERT_NE(text, nullptr) << "message " << row << " language " << language;
      EXPECT_GT(strlen(text), 0u);
      // The bytes that Windows-1250 leaves undefined show a text written in the wrong code page.
      if (message_code_page(row, language) == 1250) {
        for (const char *p = text; *p; p++) {
          EXPECT_EQ(strchr("\x81\x83\x88\x90\x98", *p), nullptr)
              << "message " << row << " language " << language;
        }
      }
    }
  }
  EXPECT_EQ(row, 31);
  for (int language = 0; language < LANGUAGE_COUNT; language++)
    EXPECT_EQ(message_catalogue[row].text[language], nullptr);
}

TEST(Catalogue, OemCodePageTextsHoldTheirBytes) {
  EXPECT_EQ(stored(MSG_VERSION, LANGUAGE_SPANISH), "versi\xA2n");
  EXPECT_EQ(stored(MSG_LENGTH, LANGUAGE_CZECH), "D\x82lka=");
  EXPECT_EQ(stored(MSG_LENGTH, LANGUAGE_POLISH), "D\x88ugo\x98\x86=");
  EXPECT_EQ(stored(MSG_FILE_EXISTS, LANGUAGE_POLISH), "Plik ju\xBE istnieje");
  EXPECT_EQ(stored(MSG_FILE_EXISTS, LANGUAGE_CZECH), "Soubor ji\xA7 existuje");

  EXPECT_EQ(message_code_page(MSG_VERSION, LANGUAGE_SPANISH), 850);
  EXPECT_EQ(message_code_page(MSG_LENGTH, LANGUAGE_POLISH), 852);
  EXPECT_EQ(message_code_page(MSG_FILE_EXISTS, LANGUAGE_CZECH), 852);
  EXPECT_EQ(message_code_page(MSG_VERSION, LANGUAGE_CZECH), 1250);
  EXPECT_EQ(message_code_page(MSG_LENGTH, LANGUAGE_GERMAN), 1250);
  EXPECT_EQ(message_code_page(MSG_USAGE, LANGUAGE_POLISH), 1250);
  EXPECT_EQ(message_code_page(31, LANGUAGE_POLISH), 1250);
}

TEST(Catalogue, SelectedTextsAreExact) {
  EXPECT_EQ(stored(MSG_DONE_TITLE, LANGUAGE_GERMAN), "Ende/fertig");
  EXPECT_EQ(stored(MSG_ERROR_TITLE, LANGUAGE_POLISH), "B\xB3\xB9" "d");  // Blad, l and a marked
  // Polish typographic quotes in Windows-1250.
  EXPECT_EQ(stored(MSG_ARCHIVE_NOT_OPENED, LANGUAGE_POLISH),
            "Plik archiwum \x84%s\x94 nie zosta\xB3 otwarty");
  EXPECT_EQ(stored(MSG_EXTRACT_RESULT, LANGUAGE_ENGLISH),
            "Files found: %d  extracted: %d  skipped: %d");
  EXPECT_EQ(stored(MSG_DOORS, LANGUAGE_GERMAN), "T\xFCr2,r,l");
  EXPECT_EQ(stored(MSG_VIEW_LINE, LANGUAGE_SPANISH), " f=%c l=%c p=%c");

  // Usage texts: first lines, no line break at the end, the German one with its empty lines.
  for (int language = 0; language < LANGUAGE_COUNT; language++) {
    std::string usage = stored(MSG_USAGE, language);
    EXPECT_EQ(usage.compare(0, 6, "VORAX "), 0);
    EXPECT_NE(usage.back(), '\n');
  }
  std::string czech = stored(MSG_USAGE, LANGUAGE_CZECH);
  EXPECT_EQ(czech.substr(0, czech.find('\n')),
            "VORAX p\xF8\xEDkaz cesta n\xE1zev_souboru [volby]");  // prikaz, nazev
  EXPECT_NE(stored(MSG_USAGE, LANGUAGE_ENGLISH)
                .find("\nVn: \"directory\\?\?\?\?\?-?\?.fzn\" => \"filename.fzn\"\n"),
            std::string::npos);
  std::string german = stored(MSG_USAGE, LANGUAGE_GERMAN);
  EXPECT_NE(german.find("|X\n\nVn: "), std::string::npos);
  EXPECT_NE(german.find("[I]\n\nO: \xDC" "berschreiben"), std::string::npos);  // Uberschreiben
}

TEST(Catalogue, LanguageSelection) {
  EXPECT_EQ(language_from_primary(0x05), LANGUAGE_CZECH);
  EXPECT_EQ(language_from_primary(0x1B), LANGUAGE_CZECH);  // Slovak
  EXPECT_EQ(language_from_primary(0x07), LANGUAGE_GERMAN);
  EXPECT_EQ(language_from_primary(0x0A), LANGUAGE_SPANISH);
  EXPECT_EQ(language_from_primary(0x15), LANGUAGE_POLISH);
  EXPECT_EQ(language_from_primary(0x0C), LANGUAGE_ENGLISH);  // French
  EXPECT_EQ(language_from_primary(0x10), LANGUAGE_ENGLISH);  // Italian
  EXPECT_EQ(language_from_primary(0x09), LANGUAGE_ENGLISH);
  int selected = select_language();
  EXPECT_GE(selected, 0);
  EXPECT_LT(selected, LANGUAGE_COUNT);

  language_guard guard(LANGUAGE_GERMAN);
  EXPECT_STREQ(message_text(MSG_DONE_TITLE), "Ende/fertig");
  language_index = LANGUAGE_CZECH;
  EXPECT_STREQ(message_text(MSG_DONE_TITLE), "Hotovo");
  // Out of range reads as English.
  language_index = 5;
  EXPECT_STREQ(message_text(MSG_DONE_TITLE), "Done/ready");
  language_index = -1;
  EXPECT_STREQ(message_text(MSG_ERROR_TITLE), "Error");
  EXPECT_STREQ(message_text(31), "Text missing: 31");
}

TEST(Catalogue, MissingNumbersGiveTheFallback) {
  EXPECT_STREQ(message_text(31), "Text missing: 31");
  EXPECT_STREQ(message_text(0xFFFFFFFFu), "Text missing: -1");

  const char *first = message_text(35);
  const char *second = message_text(1000);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "Text missing: 1000");

  language_guard guard(LANGUAGE_POLISH);
  EXPECT_STREQ(message_text(31), "Brakuje tekstu: 31");
  language_index = LANGUAGE_GERMAN;
  EXPECT_STREQ(message_text(35), "Text fehlt: 35");
  language_index = LANGUAGE_CZECH;
  EXPECT_STREQ(message_text(31), "Chyb\xED text: 31");  // Chybi
}

TEST(Catalogue, DisplayTextIsUtf8) {
  language_guard guard(LANGUAGE_CZECH);
  EXPECT_STREQ(display_text(MSG_DONE_TITLE), "Hotovo");
  EXPECT_STREQ(display_text(MSG_LENGTH), "D\xC3\xA9lka=");                          // 852
  EXPECT_STREQ(display_text(MSG_FILE_EXISTS), "Soubor ji\xC5\xBE existuje");       // 852
  EXPECT_STREQ(display_text(MSG_ERROR_TITLE), "Chyba");
  EXPECT_STREQ(display_text(MSG_PACKED), "Sbaleno: %i soubor\xC5\xAF");            // 1250
  EXPECT_STREQ(display_text(31), "Chyb\xC3\xAD text: 31");

  // The cache follows a change of language.
  language_index = LANGUAGE_POLISH;
  EXPECT_STREQ(display_text(MSG_LENGTH), "D\xC5\x82ugo\xC5\x9B\xC4\x87=");
  EXPECT_STREQ(display_text(MSG_ARCHIVE_NOT_OPENED),
               "Plik archiwum \xE2\x80\x9E%s\xE2\x80\x9D nie zosta\xC5\x82 otwarty");
  language_index = LANGUAGE_SPANISH;
  EXPECT_STREQ(display_text(MSG_VERSION), "versi\xC3\xB3n");  // 850
  language_index = LANGUAGE_GERMAN;
  EXPECT_STREQ(display_text(MSG_DOORS), "T\xC3\xBCr2,r,l");

  // Every stored byte becomes exactly one character on screen, nothing cut or lost.
  for (int language = 0; language < LANGUAGE_COUNT; language++) {
    language_index = language;
    for (uint32_t number = 0; number <= 30; number++)
      EXPECT_EQ(utf8_length(display_text(number)), static_cast<int>(strlen(message_text(number))))
          << "message " << number << " language " << language;
  }
}

TEST(Catalogue, ConsoleAndNoticeOutput) {
  testing::internal::CaptureStdout();
  print_plain("100%d %s\\x");
  print_newline();
  print_message(MSG_DONE_TITLE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "100%d %s\\x\nDone/ready");

  testing::internal::CaptureStderr();
  show_error("Broken 50%");
  std::string notice = testing::internal::GetCapturedStderr();
  EXPECT_NE(notice.find("Error"), std::string::npos);
  EXPECT_NE(notice.find("Broken 50%"), std::string::npos);

  testing::internal::CaptureStderr();
  show_usage();
  notice = testing::internal::GetCapturedStderr();
  EXPECT_NE(notice.find("Correct call:"), std::string::npos);
  EXPECT_NE(notice.find("Commands/Options case insensitive"), std::string::npos);
}
