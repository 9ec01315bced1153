// The console habits of the current program: a "Copying files" heading, lines ended by a
// line break of their own.
#include "driver/catalogue.h"
#include "driver/output.h"
#include "driver/program.h"

void print_copy_heading(void) {
  print_message(MSG_COPYING);
  print_newline();
}

void end_console_line(void) { print_newline(); }

void print_file_exists_line(void) {
  print_message(MSG_FILE_EXISTS);
  print_newline();
}
