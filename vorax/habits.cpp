// The console habits of the current program: a "Copying files" heading, lines ended by a
// line break of their own.
#include "console/catalogue.h"
#include "console/output.h"
#include "console/habits.h"

void print_copy_heading(void) {
  print_message(MSG_COPYING);
  print_newline();
}

void end_console_line(void) { print_newline(); }

void print_file_exists_line(void) {
  print_message(MSG_FILE_EXISTS);
  print_newline();
}
