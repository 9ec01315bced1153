// The command line as both programs read it: what it asks for, and the rules by which each
// program reads it.
#pragma once

#include <cstddef>
#include <cstdint>

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
  char directory[NAME_BUFFER_BYTES];
  char archive_name[NAME_BUFFER_BYTES];
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
