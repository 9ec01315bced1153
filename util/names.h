// Small operations on terminated 8-bit texts, used to parse arguments and build file names. Each
// works in place on the caller's buffer and never allocates.
#pragma once

#include <cstdint>

char to_upper_ascii(char c);                        // a-z upper-cased, every other byte unchanged
int count_leading_spaces(const char *text);         // blanks (0x20) only
int strip_leading_spaces(char *text);               // returns the number removed
void copy_bytes(void *destination, const void *source, int32_t count);  // overlap allowed
void append_char(char *text, char c);               // caller guarantees room for one more
void strip_extension(char *name);                   // last extension of the last component

// Copies `source` into a buffer of `size` bytes. 0, or 1 when it does not fit (nothing copied
// then but an empty text). Used wherever a name is taken into a fixed buffer.
int copy_text(char *destination, int size, const char *source);

// The archive name's base name: its last component (behind the last path stop, see
// is_name_stop) up to its last ".". 0, or 5 when that component holds "*" or "?", the base
// name is empty, or it does not fit `base_size`.
int archive_base_name(const char *archive_name, char *base, int base_size);

// Reads numbers and characters from `text` as the standard formatted input does for a format of
// "%d", "%u", "%c" and literal characters, the same on every system:
//   %d  optional leading white space, an optional sign and decimal digits; a value beyond the
//       32-bit range is read as INT32_MAX or INT32_MIN (so that every range test refuses it)
//   %u  the same, kept as the 32-bit pattern of the unsigned value (a minus sign negates it);
//       beyond the 32-bit range it is read as 0xFFFFFFFF
//   %c  the next character, whatever it is
//   any other character must match itself
// Values go into `values` in order (characters as their byte value 0-255). Returns the number of
// items read; -1 when the text ended before the first item.
int scan_fields(const char *text, const char *format, int32_t *values);
