// The console habits of the legacy program: no "Copying files" heading, lines ended by "\r\n"
// written out, and message 13 ending in its own line break.
#include "console/catalogue.h"
#include "console/output.h"
#include "console/habits.h"

void print_copy_heading(void) {}

void end_console_line(void) { print_plain("\r\n"); }

void print_file_exists_line(void) { print_message(MSG_FILE_EXISTS); }
