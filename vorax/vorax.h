// The current program: its command-line rules, its packing results and the whole run.
#pragma once

#include "driver/command_line.h"
#include "driver/final_message.h"

// parse_arguments with the current program's rules.
int parse_command_line(int argc, char **argv, command_line *cmd);

// Composes the final message of a packing result (the current program's table).
void compose_pack_result(unsigned result, const command_line *cmd, const char *failed_name,
                         text_lookup lookup, final_message *out);

// The whole program: returns the process exit status.
int run_vorax(int argc, char **argv);
