// Output to the user: message boxes (notices on POSIX) and console lines. Catalogue texts reach
// the screen converted for it (UTF-8 on POSIX; on Windows their stored bytes, which the platform
// reads in their code page where the screen takes wide text); file names and paths are handed to
// the platform as names, which it shows in full where the screen can (see plat_put_text).
#pragma once

#include <cstddef>
#include <cstdint>

// A message in the current language as the console and the notices show it. The result stays
// valid for the life of the process (for a missing number until the next missing number).
const char *display_text(uint32_t number);

// Where composing code takes its texts from: message_text (the stored bytes, which tests compare)
// or display_text (what the user sees).
typedef const char *(*text_lookup)(uint32_t number);

// A modal box with one OK button and the information icon, under the title of message `title`;
// the text in display form, composed from catalogue texts of the title's code page. Once quiet
// notices are set, a notice on standard error instead (the title on a line of its own, then the
// text) that waits for nobody, on every system.
void show_message_box(const char *text, uint32_t title);
// The same for a text that carries a file name or path at `name_at` for `name_length` bytes.
void show_message_box_with_name(const char *text, size_t name_at, size_t name_length,
                                uint32_t title);
void set_quiet_notices(int quiet);
// show_message_box with the title of message 4 ("Error").
void show_error(const char *text);
// The usage text (message 6) under the title of message 5.
void show_usage(void);

// Console output on standard output.
void print_newline(void);
void print_plain(const char *text);          // ASCII text (numbers, line ends), never a format
void print_name(const char *name);           // a file name or path, never used as a format
void print_message(uint32_t number);         // a catalogue text in display form
// A text in display form composed around message `number` (in its code page), never a format.
void print_text(const char *text, uint32_t number);
