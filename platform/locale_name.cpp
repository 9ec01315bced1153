// The user's primary language from a POSIX locale name such as "cs_CZ.UTF-8".
#include <cstring>

#include "platform/platform.h"

namespace {

struct language_code {
  const char *code;
  int primary_language;
};

const language_code known_languages[] = {
    {"cs", 0x05}, {"sk", 0x1B}, {"de", 0x07}, {"es", 0x0A}, {"pl", 0x15},
};

const int ENGLISH = 0x09;

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

}  // namespace

int primary_language_from_locale(const char *locale) {
  if (locale == nullptr) return ENGLISH;
  // The language code is everything in front of the territory, the code set or the modifier.
  size_t length = std::strcspn(locale, "_.@");
  for (const language_code &known : known_languages) {
    if (std::strlen(known.code) != length) continue;
    size_t i = 0;
    while (i < length && lower_ascii(locale[i]) == known.code[i]) ++i;
    if (i == length) return known.primary_language;
  }
  return ENGLISH;
}
