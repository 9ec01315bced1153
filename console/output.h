// Output to the user: message boxes (notices on POSIX) and console lines. Catalogue texts reach
// the screen converted for it by the platform (unchanged on Windows, UTF-8 on POSIX); file names
// and paths are always passed on as they are.
#pragma once

#include <cstdint>

// A message in the current language as the console and the notices show it. The result stays
// valid for the life of the process (for a missing number until the next missing number).
const char *display_text(uint32_t number);

// Where composing code takes its texts from: message_text (the stored bytes, which tests compare)
// or display_text (what the user sees).
typedef const char *(*text_lookup)(uint32_t number);

// A modal box with one OK button and the information icon; texts in display form. Once quiet
// notices are set, a notice on standard error instead (the title on a line of its own, then the
// text) that waits for nobody, on every system.
void show_message_box(const char *text, const char *title);
void set_quiet_notices(int quiet);
// show_message_box with the title of message 4 ("Error").
void show_error(const char *text);
// The usage text (message 6) under the title of message 5.
void show_usage(void);

// Console output on standard output.
void print_newline(void);
void print_plain(const char *text);          // a path or name, as it is, never used as a format
void print_message(uint32_t number);         // a catalogue text in display form
