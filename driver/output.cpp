#include "driver/output.h"
const char *display_text(uint32_t) { return ""; }
void show_message_box(const char *, const char *) {}
void show_error(const char *) {}
void show_usage(void) {}
void print_newline(void) {}
void print_plain(const char *) {}
void print_message(uint32_t) {}
