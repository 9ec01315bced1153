// What both drivers share after the command line: the existence test of the archive, the final
// message (composed apart from being shown, so that tests compare its stored bytes) and the exit
// status it gives.
#pragma once

#include <cstdint>

#include "console/output.h"
#include "driver/command_line.h"

// Exit statuses of both programs, for scripts: the command did its work (extraction that kept
// existing files included); it was refused before it started (usage, archive not opened,
// archive exists); it ran and failed (every final message under the title "Error").
enum { EXIT_DONE = 0, EXIT_REFUSED = 1, EXIT_FAILED = 2 };

// The texts of the final box: the text and the message number of its title. A file name inside
// the text stands at `name_at` for `name_length` bytes (0: none), so that it can be shown as a
// name (see show_message_box_with_name).
struct final_message {
  char text[2048];
  uint32_t title;
  size_t name_at;
  size_t name_length;
};

// Puts into out->text the stored or display text `format` with `name` for its one "%s" (its only
// conversion besides "%%"), and notes where the name stands; a format without "%s" marks none.
void compose_with_name(const char *format, const char *name, final_message *out);

// Notes that `name` stands in out->text at byte `at`; nothing is noted (no name) when `at` is
// negative or the name does not stand whole inside the text, as when the text was cut.
void mark_name(final_message *out, long at, const char *name);

// Runs X as both programs do (into the directory, with options O and S) and composes its final
// message.
void run_extraction(const command_line *cmd, final_message *out);

// Composes the final message of an extraction result.
void compose_extract_result(unsigned result, int32_t found, int32_t extracted, int32_t skipped,
                            text_lookup lookup, final_message *out);

// Composes "Archive file "%s" not opened" (message 2) or "... already exists" (message 3).
void compose_archive_refusal(uint32_t number, const char *archive_name, text_lookup lookup,
                             final_message *out);

// The existence test of the archive file: X needs it to exist, packing refuses an existing one
// without option O. Shows the error box and returns 1 when the command is refused, else 0.
int refuse_archive(const command_line *cmd);

// Shows a final message in its box.
void show_final(const final_message *message);

// The exit status of a command that ran: EXIT_FAILED when its final message is an error, else
// EXIT_DONE.
int final_status(const final_message *message);
