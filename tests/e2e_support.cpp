#include "tests/e2e_support.h"

#include <cstdlib>

#include "platform/platform.h"
#include "tests/test_support.h"

#ifndef VORAX_PROGRAM
#error "VORAX_PROGRAM must name the built program"
#endif

namespace {

// The command interpreter that std::system starts: a POSIX shell, or cmd.exe on Windows (also
// under Wine). The path separator tells them apart without asking the system.
bool windows_shell() { return path_separator == '\\'; }

// One argument for the shell, taken literally.
std::string quote(const std::string &text) {
  std::string out;
  if (windows_shell()) {
    // The runtime splits at blanks outside double quotes; a backslash escapes a double quote.
    out = "\"";
    for (char c : text) {
      if (c == '"') out += '\\';
      out += c;
    }
    out += "\"";
  } else {
    out = "'";
    for (char c : text) {
      if (c == '\'') {
        out += "'\\''";
      } else {
        out += c;
      }
    }
    out += "'";
  }
  return out;
}

// std::system answers a wait status on POSIX (exit code in bits 8 to 15, a signal in bits 0 to
// 6) and the exit code itself on Windows.
int exit_status(int raw) {
  if (raw == -1) return -1;
  if (windows_shell()) return raw;
  if ((raw & 0x7F) != 0) return 128 + (raw & 0x7F);
  return (raw >> 8) & 0xFF;
}

std::string as_text(const bytes &content) { return std::string(content.begin(), content.end()); }

}  // namespace

program_run run_vorax_program(const std::vector<std::string> &args, const std::string &language) {
  // One folder for the captured output of every run of this test process.
  static scratch_dir capture("capture");
  static int run_number = 0;
  ++run_number;
  std::string out_file = capture.file("out" + std::to_string(run_number) + ".txt");
  std::string err_file = capture.file("err" + std::to_string(run_number) + ".txt");

  std::string command;
  if (!windows_shell()) {
    // The program takes its language from the first non-empty of these three.
    command = "LC_ALL= LC_MESSAGES= LANG=" + quote(language.empty() ? "C" : language) + " ";
  }
  command += quote(VORAX_PROGRAM);
  for (const std::string &arg : args) command += " " + quote(arg);
  command += " >" + quote(out_file) + " 2>" + quote(err_file);
  // cmd.exe drops the first and the last double quote of a command line that starts with one.
  if (windows_shell()) command = "\"" + command + "\"";

  program_run run;
  run.status = exit_status(std::system(command.c_str()));
  run.out = as_text(read_file(out_file));
  run.err = as_text(read_file(err_file));
  return run;
}

int language_can_be_set(void) { return windows_shell() ? 0 : 1; }

std::string notice(const std::string &title, const std::string &text) {
  return title + "\n" + text + "\n";
}

std::string banner(void) { return "\nXQ Dezo-Reruzer Version 0.023 02/2011\n"; }

std::string join(const std::string &directory, const std::string &name) {
  return directory + path_separator + name;
}
