// The message catalogue: stored bytes, lookup with its fallback, language selection, and the texts
// as the screen gets them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "console/catalogue.h"
#include "console/output.h"
#include "tests/test_support.h"

namespace {

// Sets the language for one test and puts English back however the test ends.
struct language_guard {
  explicit language_guard(int language) { language_index = language; }
  ~language_guard() { language_index = LANGUAGE_ENGLISH; }
};

std::string stored(uint32_t number, int language) {
  const char *text = message_catalogue[number].text[language];
  return text ? text : "<absent>";
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

TEST(Catalogue, TableAndStoredBytes) {
  int row = 0;
  for (; message_catalogue[row].number != 0xFFFFFFFFu; row++) {
    ASSERT_EQ(message_catalogue[row].number, static_cast<uint32_t>(row));
    for (int language = 0; language < LANGUAGE_COUNT; language++) {
      const char *text = message_catalogue[row].text[language];
      ASSERT_TRUE(text != nullptr && text[0] != '\0') << row << " " << language;
      // The bytes that Windows-1250 leaves undefined show a text written in the wrong code page.
      if (message_code_page(row, language) == 1250) {
        EXPECT_EQ(strpbrk(text, "\x81\x83\x88\x90\x98"), nullptr) << row << " " << language;
      }
    }
  }
  EXPECT_EQ(row, 31);
  for (int language = 0; language < LANGUAGE_COUNT; language++)
    EXPECT_EQ(message_catalogue[row].text[language], nullptr);

  // A few stored texts; the texts in OEM code pages are checked as the screen shows them.
  EXPECT_EQ(stored(MSG_FILE_EXISTS, LANGUAGE_POLISH), "Plik ju\xBE istnieje");  // 852
  EXPECT_EQ(stored(MSG_ERROR_TITLE, LANGUAGE_POLISH), "B\xB3\xB9" "d");  // Blad
  EXPECT_EQ(stored(MSG_VIEW_LINE, LANGUAGE_SPANISH), " f=%c l=%c p=%c");

  // Usage texts: first lines, no line break at the end, the German one with its empty lines.
  for (int language = 0; language < LANGUAGE_COUNT; language++) {
    std::string usage = stored(MSG_USAGE, language);
    EXPECT_TRUE(usage.compare(0, 6, "VORAX ") == 0 && usage.back() != '\n') << language;
  }
  EXPECT_EQ(stored(MSG_USAGE, LANGUAGE_CZECH).find("VORAX p\xF8\xEDkaz cesta n\xE1zev_souboru"),
            0u);  // prikaz, nazev
  std::string german = stored(MSG_USAGE, LANGUAGE_GERMAN);
  EXPECT_NE(german.find("|X\n\nVn: "), std::string::npos);
  EXPECT_NE(german.find("[I]\n\nO: \xDC" "berschreiben"), std::string::npos);  // Uberschreiben
}

TEST(Catalogue, LanguageSelectionAndFallback) {
  struct { int primary, language; } map[] = {
      {0x05, LANGUAGE_CZECH},   {0x1B, LANGUAGE_CZECH},   {0x07, LANGUAGE_GERMAN},
      {0x0A, LANGUAGE_SPANISH}, {0x15, LANGUAGE_POLISH},  {0x0C, LANGUAGE_ENGLISH},
      {0x10, LANGUAGE_ENGLISH}, {0x09, LANGUAGE_ENGLISH},
  };
  for (const auto &m : map) EXPECT_EQ(language_from_primary(m.primary), m.language) << m.primary;

  language_guard guard(LANGUAGE_GERMAN);
  EXPECT_STREQ(message_text(MSG_DONE_TITLE), "Ende/fertig");
  EXPECT_STREQ(message_text(35), "Text fehlt: 35");
  language_index = LANGUAGE_POLISH;
  EXPECT_STREQ(message_text(31), "Brakuje tekstu: 31");
  language_index = 5;  // out of range reads as English
  EXPECT_STREQ(message_text(MSG_DONE_TITLE), "Done/ready");
  language_index = -1;
  EXPECT_STREQ(message_text(31), "Text missing: 31");
  EXPECT_STREQ(message_text(0xFFFFFFFFu), "Text missing: -1");  // stops at the marker row
  // Two missing numbers in a row share the buffer: the first text is gone.
  const char *first = message_text(35);
  EXPECT_TRUE(first == message_text(1000) && std::string(first) == "Text missing: 1000");
}

// POSIX converts every text from its stored code page to UTF-8 on its way to the screen.
TEST(Catalogue, ScreenTextsAreUtf8Posix) {
  if (on_windows()) GTEST_SKIP() << "Windows shows the stored bytes";
  language_guard guard(LANGUAGE_CZECH);
  EXPECT_STREQ(display_text(MSG_LENGTH), "D\xC3\xA9lka=");                     // 852
  EXPECT_STREQ(display_text(MSG_FILE_EXISTS), "Soubor ji\xC5\xBE existuje");  // 852
  EXPECT_STREQ(display_text(MSG_PACKED), "Sbaleno: %i soubor\xC5\xAF");       // 1250
  EXPECT_STREQ(display_text(31), "Chyb\xC3\xAD text: 31");
  // The converted copy follows a change of language.
  language_index = LANGUAGE_POLISH;
  EXPECT_STREQ(display_text(MSG_LENGTH), "D\xC5\x82ugo\xC5\x9B\xC4\x87=");
  EXPECT_STREQ(display_text(MSG_ARCHIVE_NOT_OPENED),
               "Plik archiwum \xE2\x80\x9E%s\xE2\x80\x9D nie zosta\xC5\x82 otwarty");
  language_index = LANGUAGE_SPANISH;
  EXPECT_STREQ(display_text(MSG_VERSION), "versi\xC3\xB3n");  // 850

  // Every stored byte becomes exactly one character on screen, nothing cut or lost.
  for (int language = 0; language < LANGUAGE_COUNT; language++) {
    language_index = language;
    for (uint32_t number = 0; number <= 30; number++)
      EXPECT_EQ(utf8_length(display_text(number)), static_cast<int>(strlen(message_text(number))))
          << "message " << number << " language " << language;
  }
}

// Windows passes every text on as its stored bytes: the console shows them in its OEM code page,
// message boxes in the ANSI code page.
TEST(Catalogue, ScreenTextsAreStoredBytesWindows) {
  if (!on_windows()) GTEST_SKIP() << "POSIX converts the texts to UTF-8";
  language_guard guard(LANGUAGE_ENGLISH);
  for (int language = 0; language < LANGUAGE_COUNT; language++) {
    language_index = language;
    for (uint32_t number = 0; number <= 31; number++)
      EXPECT_STREQ(display_text(number), message_text(number))
          << "message " << number << " language " << language;
  }
}

TEST(Catalogue, ConsoleLinesNeverUsePathsAsFormats) {
  language_guard guard(LANGUAGE_ENGLISH);
  testing::internal::CaptureStdout();
  print_plain("100%d %s\\x");
  print_newline();
  print_message(MSG_DONE_TITLE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "100%d %s\\x\nDone/ready");
}
