// Running the built program from the end-to-end tests: arguments in, exit status and the exact
// bytes of standard output and standard error out.
#pragma once

#include <string>
#include <vector>

struct program_run {
  int status;        // exit status; 128 + signal number when the program was killed
  std::string out;   // everything written to standard output
  std::string err;   // everything written to standard error (the notices)
};

// Runs the program VORAX_PROGRAM with `args` (each passed as one argument, quoted for the
// shell). `language` is the locale the program sees (as LANG, with LC_ALL and LC_MESSAGES
// emptied); empty means "C", which gives English.
program_run run_vorax_program(const std::vector<std::string> &args,
                              const std::string &language = std::string());

// 1 when run_vorax_program can hand the program a language. Under Windows the language comes
// from the user's settings, not from the command that starts the program.
int language_can_be_set(void);

// What a notice looks like on standard error: the title on a line of its own, then the text.
std::string notice(const std::string &title, const std::string &text);

// The banner that every run prints first (English), with the empty line in front of it.
std::string banner(void);

// directory + separator + name, as the program composes paths.
std::string join(const std::string &directory, const std::string &name);
