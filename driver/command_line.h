// The command-line driver: one command per start. Parses the command line, refuses a missing or
// an existing archive file, runs one worker and turns its result into the final message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/output.h"
#include "platform/platform.h"

// What the command line asks for.
struct command_line {
  int extract;              // X
  int vehicle;              // V, W
  int select_by_name;       // W, U
  int zoom_digit;           // 1, 2 or 4 (0 for X)
  int overwrite;            // option O
  int simulate;             // option S
  int info;                 // option I
  int quiet;                // option Q (vorax only): final message on standard error, no box
  char directory[NAME_BUFFER_SIZE];
  char archive_name[NAME_BUFFER_SIZE];
};

// How a program reads its command line.
struct command_rules {
  int field_size;        // bytes taken from the command and options arguments (at most 20)
  int field_used;        // of these, the characters that count
  const char *commands;  // the command letters it knows
  const char *options;   // the option letters it knows (others are ignored)
};

// Parses arguments 1 to 4 (argv[0] is the program) by the rules. 0, or 1 when the usage box is
// due: fewer than three arguments, an unknown command, a missing digit, or a directory or archive
// name that does not fit its 260-character field.
int parse_arguments(int argc, char **argv, const command_rules *rules, command_line *cmd);

// parse_arguments with the current program's rules.
int parse_command_line(int argc, char **argv, command_line *cmd);

// Exit statuses of both programs, for scripts: the command did its work (extraction that kept
// existing files included); it was refused before it started (usage, archive not opened,
// archive exists); it ran and failed (every final message under the title "Error").
enum { EXIT_DONE = 0, EXIT_REFUSED = 1, EXIT_FAILED = 2 };

// The texts of the final box: the text and the message number of its title.
struct final_message {
  char text[2048];
  uint32_t title;
};

// Composes the final message of a packing result (the current program's table).
void compose_pack_result(unsigned result, const command_line *cmd, const char *failed_name,
                         text_lookup lookup, final_message *out);

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

// The whole program: returns the process exit status.
int run_vorax(int argc, char **argv);
