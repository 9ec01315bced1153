// Small operations on terminated 8-bit texts: upper-casing, blanks, copies, extensions, the
// archive's base name and a deterministic reader for the numbers in file names.
#include "util/names.h"

#include <cstring>

#include "platform/platform.h"

char to_upper_ascii(char c) {
  if (c >= 'a' && c <= 'z') return (char)(c - 0x20);
  return c;
}

int count_leading_spaces(const char *text) {
  if (text == nullptr) return 0;
  int n = 0;
  while (text[n] == ' ') ++n;
  return n;
}

int strip_leading_spaces(char *text) {
  int n = count_leading_spaces(text);
  if (n == 0) return 0;
  size_t rest = std::strlen(text + n);
  copy_bytes(text, text + n, (int32_t)(rest + 1));  // the terminator moves along
  return n;
}

void copy_bytes(void *destination, const void *source, int32_t count) {
  if (destination == nullptr || source == nullptr || count < 1) return;
  std::memmove(destination, source, (size_t)count);
}

void append_char(char *text, char c) {
  if (text == nullptr || c == '\0') return;
  size_t length = std::strlen(text);
  text[length] = c;
  text[length + 1] = '\0';
}

void strip_extension(char *name) {
  if (name == nullptr) return;
  size_t length = std::strlen(name);
  // Position 0 is never looked at, so that a name such as ".fz2" keeps its only dot.
  for (size_t i = length; i > 1; --i) {
    char c = name[i - 1];
    if (is_name_stop(c)) return;
    if (c == '.') {
      name[i - 1] = '\0';
      return;
    }
  }
}

int copy_text(char *destination, int size, const char *source) {
  if (destination == nullptr || size < 1) return 1;
  if (source == nullptr) {
    destination[0] = '\0';
    return 1;
  }
  int length = 0;
  while (length < size && source[length] != '\0') ++length;
  if (length >= size) {
    destination[0] = '\0';
    return 1;
  }
  std::memmove(destination, source, (size_t)length + 1);
  return 0;
}

int archive_base_name(const char *archive_name, char *base, int base_size) {
  if (base != nullptr && base_size > 0) base[0] = '\0';
  if (archive_name == nullptr || base == nullptr || base_size < 1) return 5;

  const char *component = archive_name;
  for (const char *p = archive_name; *p != '\0'; ++p) {
    if (is_name_stop(*p)) component = p + 1;
  }
  const char *dot = nullptr;
  for (const char *p = component; *p != '\0'; ++p) {
    if (*p == '*' || *p == '?') return 5;
    if (*p == '.') dot = p;
  }
  size_t length = dot != nullptr ? (size_t)(dot - component) : std::strlen(component);
  if (length == 0 || length >= (size_t)base_size) return 5;
  std::memcpy(base, component, length);
  base[length] = '\0';
  return 0;
}

// ---------------------------------------------------------------------------------------------
// scan_fields

namespace {

// White space as the C locale's isspace() knows it.
int is_white(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

enum number_result { NUMBER_READ, NUMBER_NONE, NUMBER_END };

// Reads optional white space, an optional sign and decimal digits from *text. NUMBER_END when
// the text ends before anything but white space; NUMBER_NONE when no digit follows (nothing is
// stored then). *magnitude saturates above the 32-bit range, which is all the callers need to
// tell.
number_result read_number(const char **text, int *negative, uint64_t *magnitude) {
  const char *p = *text;
  while (is_white(*p)) ++p;
  if (*p == '\0') {
    *text = p;
    return NUMBER_END;
  }
  *negative = 0;
  if (*p == '+' || *p == '-') {
    *negative = *p == '-';
    ++p;
  }
  if (*p < '0' || *p > '9') {
    *text = p;
    return NUMBER_NONE;
  }
  const uint64_t limit = 0x100000000ull;  // anything at or above this is out of range anyway
  uint64_t value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value < limit) value = value * 10 + (uint64_t)(*p - '0');
    ++p;
  }
  *text = p;
  *magnitude = value < limit ? value : limit;
  return NUMBER_READ;
}

int32_t signed_value(int negative, uint64_t magnitude) {
  if (negative) {
    if (magnitude >= 0x80000000ull) return INT32_MIN;
    return -(int32_t)magnitude;
  }
  if (magnitude > 0x7FFFFFFFull) return INT32_MAX;
  return (int32_t)magnitude;
}

int32_t unsigned_pattern(int negative, uint64_t magnitude) {
  if (magnitude > 0xFFFFFFFFull) return (int32_t)0xFFFFFFFFu;
  uint32_t value = (uint32_t)magnitude;
  if (negative) value = 0u - value;
  return (int32_t)value;
}

// The answer when the text runs out: -1 before the first item, as the standard input does.
int text_ended(int count) { return count == 0 ? -1 : count; }

}  // namespace

int scan_fields(const char *text, const char *format, int32_t *values) {
  if (text == nullptr || format == nullptr) return -1;
  int count = 0;
  const char *p = text;
  for (const char *f = format; *f != '\0'; ++f) {
    if (*f != '%') {
      if (*p == '\0') return text_ended(count);
      if (*p != *f) return count;
      ++p;
      continue;
    }
    ++f;
    if (*f == 'd' || *f == 'u') {
      int negative = 0;
      uint64_t magnitude = 0;
      number_result r = read_number(&p, &negative, &magnitude);
      if (r == NUMBER_END) return text_ended(count);
      if (r == NUMBER_NONE) return count;
      int32_t value = *f == 'd' ? signed_value(negative, magnitude)
                                : unsigned_pattern(negative, magnitude);
      if (values != nullptr) values[count] = value;
      ++count;
    } else if (*f == 'c') {
      if (*p == '\0') return text_ended(count);
      if (values != nullptr) values[count] = (int32_t)(unsigned char)*p;
      ++p;
      ++count;
    } else if (*f == '%') {
      if (*p == '\0') return text_ended(count);
      if (*p != '%') return count;
      ++p;
    } else {
      // Not a conversion this reader knows (or a lone '%' at the end): stop here.
      return count;
    }
  }
  return count;
}
