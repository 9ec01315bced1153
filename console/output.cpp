// Output to the user: catalogue texts converted for the screen, notices and console lines.
#include "console/output.h"

#include "console/catalogue.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

// Large enough for the longest text (the usage text) after conversion to UTF-8, where a letter of
// an 8-bit code page can take up to three bytes.
enum { DISPLAY_TEXT_SIZE = 2048 };

// The catalogue holds messages 0 to 30; each has its own converted copy, so that texts shown
// together (a text and its title) never share a buffer.
enum { CACHED_MESSAGES = 31 };

static char display_cache[CACHED_MESSAGES][DISPLAY_TEXT_SIZE];
static bool display_cache_filled[CACHED_MESSAGES];
static int display_cache_language[CACHED_MESSAGES];  // language_index the copy was made in

// The converted fallback text for a number the catalogue does not hold.
static char display_missing[DISPLAY_TEXT_SIZE];

// Converts one stored text into `out`. Returns 0, or 1 when the conversion failed; the buffer then
// holds what the platform produced, or the stored bytes when it produced nothing.
static int convert_for_display(uint32_t number, char *out, size_t out_size) {
  const char *stored = message_text(number);
  int rc = plat_convert_text(stored, message_code_page(number, language_index), out, out_size);
  if (rc != 0 && out[0] == '\0') snprintf(out, out_size, "%s", stored);
  return rc;
}

const char *display_text(uint32_t number) {
  if (number >= CACHED_MESSAGES) {
    convert_for_display(number, display_missing, sizeof display_missing);
    return display_missing;
  }
  if (!display_cache_filled[number] || display_cache_language[number] != language_index) {
    char *out = display_cache[number];
    // A failed conversion is kept for this call only and tried again next time.
    display_cache_filled[number] = convert_for_display(number, out, DISPLAY_TEXT_SIZE) == 0;
    display_cache_language[number] = language_index;
  }
  return display_cache[number];
}

// Option Q: the notices go to standard error and nothing waits, so that scripts run unattended.
static int quiet_notices;

void set_quiet_notices(int quiet) { quiet_notices = quiet; }

// The code page that the stored bytes of message `number` are in, in the current language.
static int code_page_of(uint32_t number) { return message_code_page(number, language_index); }

void show_message_box_with_name(const char *text, size_t name_at, size_t name_length,
                                uint32_t title) {
  if (text == nullptr) text = "";
  if (name_at + name_length > strlen(text)) name_at = name_length = 0;  // no name: all display
  const char *title_text = display_text(title);
  const int code_page = code_page_of(title);
  if (!quiet_notices) {
    const plat_shown_text shown = {text, name_at, name_length, code_page};
    plat_show_notice(&shown, title_text);
    return;
  }
  fflush(stdout);  // the notice follows the progress lines
  plat_put_text(1, title_text, code_page);
  plat_put_text(1, "\n", code_page);
  // The text in its pieces: what comes before the name, the name, what follows it.
  char piece[2 * DISPLAY_TEXT_SIZE];
  snprintf(piece, sizeof piece, "%.*s", (int)name_at, text);
  plat_put_text(1, piece, code_page);
  snprintf(piece, sizeof piece, "%.*s", (int)name_length, text + name_at);
  plat_put_text(1, piece, PLAT_NAME_TEXT);
  plat_put_text(1, text + name_at + name_length, code_page);
  plat_put_text(1, "\n", code_page);
  fflush(stderr);
}

void show_message_box(const char *text, uint32_t title) {
  show_message_box_with_name(text, 0, 0, title);
}

void show_error(const char *text) { show_message_box(text, MSG_ERROR_TITLE); }

void show_usage(void) { show_message_box(display_text(MSG_USAGE), MSG_USAGE_TITLE); }

void print_newline(void) { print_plain("\n"); }

void print_plain(const char *text) { print_text(text, MSG_TEXT_MISSING); }

void print_name(const char *name) { plat_put_text(0, name, PLAT_NAME_TEXT); }

void print_message(uint32_t number) { print_text(display_text(number), number); }

void print_text(const char *text, uint32_t number) {
  plat_put_text(0, text, code_page_of(number));
}
