// Name matching for the directory search, with the rules of the Windows file search.
#include "platform/wildcard.h"

#include <cstring>

#include "platform/platform.h"

namespace {

// Letters compare without regard to case; only a-z and A-Z are folded, every other byte is
// compared as it is.
unsigned char fold_case(unsigned char c) {
  if (c >= 'a' && c <= 'z') return (unsigned char)(c - 'a' + 'A');
  return c;
}

// The bytes of the character that starts at `at`: 1, or with `utf8` the first byte and the
// continuation bytes (10xxxxxx) that follow it.
size_t character_length(const char *at, int utf8) {
  size_t length = 1;
  if (utf8) {
    while ((at[length] & 0xC0) == 0x80) ++length;
  }
  return length;
}

}  // namespace

// The pattern is run as a set of name positions that can be reached after each pattern
// character, so that any number of '*' costs at most pattern length times name length steps.
// The sets live on the stack: a name too long for the program's name buffers matches nothing.
int wildcard_match(const char *pattern, const char *name, int utf8) {
  if (pattern == nullptr || name == nullptr) return 0;
  const size_t name_length = std::strlen(name);
  if (name_length >= NAME_BUFFER_BYTES) return 0;
  unsigned char sets[2][NAME_BUFFER_BYTES + 1];
  unsigned char *reached = sets[0];
  unsigned char *next = sets[1];
  std::memset(reached, 0, name_length + 1);
  reached[0] = 1;

  for (const char *p = pattern; *p != '\0'; ++p) {
    const unsigned char pc = (unsigned char)*p;
    bool any = false;
    std::memset(next, 0, name_length + 1);
    if (pc == '*') {
      // Any run, also an empty one: everything from the first reachable position on.
      size_t first = 0;
      while (first <= name_length && !reached[first]) ++first;
      // Positions inside a UTF-8 character are reached too; they lead nowhere else: a "?" from
      // there ends where it ends from the character's start, and no pattern letter begins there.
      for (size_t n = first; n <= name_length; ++n) next[n] = 1;
      any = first <= name_length;
    } else {
      for (size_t n = 0; n <= name_length; ++n) {
        if (!reached[n]) continue;
        const unsigned char nc = (unsigned char)name[n];
        if (pc == '?') {
          // At a '.' or at the end of the name '?' matches nothing; elsewhere one character.
          if (nc == '\0' || nc == '.') {
            next[n] = 1;
          } else {
            next[n + character_length(name + n, utf8)] = 1;
          }
          any = true;
        } else if (nc != '\0' && fold_case(nc) == fold_case(pc)) {
          next[n + 1] = 1;
          any = true;
        }
      }
    }
    if (!any) return 0;
    unsigned char *swapped = reached;
    reached = next;
    next = swapped;
  }
  return reached[name_length] ? 1 : 0;
}
