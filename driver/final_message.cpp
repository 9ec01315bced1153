// What both drivers share after the command line: the existence test of the archive file, running
// an extraction, the final messages of extraction and refusals, showing a final message, and its
// exit status.
#include <cstdio>
#include <cstring>

#include "archive/extract.h"
#include "console/catalogue.h"
#include "driver/final_message.h"
#include "util/stream.h"

void run_extraction(const command_line *cmd, final_message *out) {
  int32_t skipped = 0, extracted = 0, found = 0;
  unsigned result = extract_archive(cmd->archive_name, cmd->directory, cmd->overwrite, &skipped,
                                    &extracted, &found, cmd->simulate);
  compose_extract_result(result, found, extracted, skipped, display_text, out);
}

// The bytes that `format` puts out in front of its "%s"; -1 when there is none (or, against the
// rule, another conversion comes first).
static int prefix_length(const char *format) {
  int length = 0;
  for (const char *p = format; *p != '\0'; ++p, ++length) {
    if (*p != '%') continue;
    if (p[1] == 's') return length;
    if (p[1] != '%') return -1;
    ++p;  // "%%" puts out one "%"
  }
  return -1;
}

void compose_with_name(const char *format, const char *name, final_message *out) {
  std::snprintf(out->text, sizeof out->text, format, name);
  mark_name(out, prefix_length(format), name);
}

void mark_name(final_message *out, long at, const char *name) {
  const size_t length = std::strlen(name);
  out->name_at = 0;
  out->name_length = 0;
  if (at >= 0 && (size_t)at + length <= std::strlen(out->text)) {
    out->name_at = (size_t)at;
    out->name_length = length;
  }
}

void compose_extract_result(unsigned result, int32_t found, int32_t extracted, int32_t skipped,
                            text_lookup lookup, final_message *out) {
  out->name_at = out->name_length = 0;
  if (result == 0) {
    out->title = MSG_DONE_TITLE;
    std::snprintf(out->text, sizeof out->text, lookup(MSG_EXTRACT_RESULT), found, extracted,
                  skipped);
  } else {
    out->title = MSG_ERROR_TITLE;
    std::snprintf(out->text, sizeof out->text, "%s%d", lookup(MSG_EXTRACT_RC), (int)result);
  }
}

void compose_archive_refusal(uint32_t number, const char *archive_name, text_lookup lookup,
                             final_message *out) {
  out->title = MSG_ERROR_TITLE;
  compose_with_name(lookup(number), archive_name, out);
}

void show_final(const final_message *message) {
  show_message_box_with_name(message->text, message->name_at, message->name_length,
                             message->title);
}

int final_status(const final_message *message) {
  return message->title == MSG_ERROR_TITLE ? EXIT_FAILED : EXIT_DONE;
}

int refuse_archive(const command_line *cmd) {
  final_message message;
  if (cmd->extract && !file_exists(cmd->archive_name)) {
    compose_archive_refusal(MSG_ARCHIVE_NOT_OPENED, cmd->archive_name, display_text, &message);
  } else if (!cmd->extract && !cmd->overwrite && name_taken(cmd->archive_name)) {
    // Anything standing under the name counts, also a file that cannot be opened.
    compose_archive_refusal(MSG_ARCHIVE_EXISTS, cmd->archive_name, display_text, &message);
  } else {
    return 0;
  }
  show_final(&message);
  return 1;
}
