// The legacy program's catalogue: messages 0 to 19, the current program's texts except the usage
// text, the extraction result and "file already exists".
#include <gtest/gtest.h>

#include <string>

#include "console/catalogue.h"
#include "console/catalogue_rows.h"

namespace {

struct language_guard {
  explicit language_guard(int language) { language_index = language; }
  ~language_guard() { language_index = LANGUAGE_ENGLISH; }
};

std::string legacy(uint32_t number, int language) {
  const char *text = message_catalogue[number].text[language];
  return text ? text : "<absent>";
}

std::string current(uint32_t number, int language) { return current_rows[number].text[language]; }

}  // namespace

TEST(LegacyCatalogue, RowsAndFallback) {
  int row = 0;
  for (; message_catalogue[row].number != CATALOGUE_END; row++) {
    ASSERT_EQ(message_catalogue[row].number, static_cast<uint32_t>(row));
    for (int language = 0; language < LANGUAGE_COUNT; language++) {
      ASSERT_NE(message_catalogue[row].text[language], nullptr) << row << " " << language;
      bool changed = row == MSG_USAGE || row == MSG_EXTRACT_RESULT || row == MSG_FILE_EXISTS;
      if (!changed) {
        EXPECT_EQ(legacy(row, language), current(row, language)) << row;
      }
    }
  }
  EXPECT_EQ(row, 20);
  for (int language = 0; language < LANGUAGE_COUNT; language++)
    EXPECT_EQ(message_catalogue[row].text[language], nullptr);

  language_guard guard(LANGUAGE_ENGLISH);
  EXPECT_STREQ(message_text(MSG_DATA_ERROR), "Data error");
  EXPECT_STREQ(message_text(MSG_COLLECTING), "Text missing: 20");
  EXPECT_STREQ(message_text(MSG_VIEW_CHARACTERS), "Text missing: 30");
  language_index = LANGUAGE_GERMAN;
  EXPECT_STREQ(message_text(MSG_COLLECTING), "Text fehlt: 20");
}

TEST(LegacyCatalogue, ChangedTexts) {
  EXPECT_EQ(legacy(MSG_USAGE, LANGUAGE_ENGLISH),
            "VORAX command directory filename [options]\n\n"
            "Commands: V2|V4|S1|S2|S4|U1|U2|U4|X\n"
            "V2: \"directory\\*.fz2\" => \"filename.fz2\"\n"
            "V4: \"directory\\*.fz4\" => \"filename.fz4\"\n"
            "Sn: \"directory\\*.gzn\" => \"filename\"\n"
            "Un: \"directory\\u?\?-?\?\?-filename.gzn\" => \"filename[.uzn]\"\n"
            "X: in \"filename\" stored files => \"directory\\*.*\"\n\n"
            "Options: [O][S]\n"
            "O: Overwrite existing files\n"
            "S: Simulation mode (write nothing)\n\n"
            "No spaces in names\n"
            "Commands/Options case insensitive");
  for (int language = 0; language < LANGUAGE_COUNT; language++) {
    std::string usage = legacy(MSG_USAGE, language);
    EXPECT_TRUE(usage.compare(0, 6, "VORAX ") == 0 && usage.back() != '\n') << language;
    EXPECT_NE(usage.find(": V2|V4|S1|S2|S4|U1|U2|U4|X\nV2: "), std::string::npos) << language;
    EXPECT_NE(usage.find(": [O][S]\nO: "), std::string::npos) << language;
    EXPECT_EQ(usage.find("W2"), std::string::npos) << language;
    EXPECT_EQ(usage.find("\nI: "), std::string::npos) << language;

    // Message 7 is the current text with every "%d" read as "%i".
    std::string result = current(MSG_EXTRACT_RESULT, language);
    for (size_t at = result.find("%d"); at != std::string::npos; at = result.find("%d", at))
      result[at + 1] = 'i';
    EXPECT_EQ(legacy(MSG_EXTRACT_RESULT, language), result) << language;

    // Message 13 is the current text, same bytes and code page, with a line break added.
    EXPECT_EQ(legacy(MSG_FILE_EXISTS, language), current(MSG_FILE_EXISTS, language) + "\n");
  }
  EXPECT_EQ(legacy(MSG_EXTRACT_RESULT, LANGUAGE_SPANISH),
            "Ficheros encontrados: %i  generados: %i  cancelados: %i");
  EXPECT_EQ(legacy(MSG_FILE_EXISTS, LANGUAGE_POLISH), "Plik ju\xBE istnieje\n");  // 852, juz
  EXPECT_EQ(legacy(MSG_FILE_EXISTS, LANGUAGE_CZECH), "Soubor ji\xA7 existuje\n");  // 852, jiz
  EXPECT_EQ(legacy(MSG_FILE_EXISTS, LANGUAGE_GERMAN), "Datei existiert schon\n");

  // German keeps no empty line after the commands line nor after the options line.
  std::string german = legacy(MSG_USAGE, LANGUAGE_GERMAN);
  EXPECT_NE(german.find("Kommandos: V2|V4|S1|S2|S4|U1|U2|U4|X\nV2: \"Verzeichnis"),
            std::string::npos);
  EXPECT_NE(german.find("Optionen: [O][S]\nO: \xDC" "berschreiben"), std::string::npos);
}
