#include "util/names.h"
char to_upper_ascii(char c) { return c; }
int count_leading_spaces(const char *) { return 0; }
int strip_leading_spaces(char *) { return 0; }
void copy_bytes(void *, const void *, int32_t) {}
void append_char(char *, char) {}
void strip_extension(char *) {}
int copy_text(char *, int, const char *) { return 1; }
int archive_base_name(const char *, char *, int) { return 5; }
int scan_fields(const char *, const char *, int32_t *) { return -1; }
