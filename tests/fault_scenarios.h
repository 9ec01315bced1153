// Fault scenarios: a command of either program run in-process on a small scratch folder, first
// without a fault to count its system calls, then once for every call of every kind failing in
// every way that the platform layer tells apart (an error, a short count, nothing moved, an
// interruption), and once more with every later call of the kind failing too. Every scenario runs
// on each system variant of the layer (files without a name, temporary names, ...). After each
// run the scenario checks the result against what that kind and way of failing may give, that no
// handle stayed open, that no unfinished file was left behind and that no file that stood there
// before was lost or turned into anything but what the clean run made of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/test_support.h"

// A file that stands in the scratch folder before the run: its path inside the folder ("/" as
// separator), its content and its last-write time (DOS date high, time low).
struct seed_file {
  std::string path;
  bytes content;
  uint32_t stamp;
};

struct fault_program {
  int (*entry)(int argc, char **argv);  // run_vorax or run_vorax_legacy
  int named_failures;                   // 1: results 11 to 13 carry the file's name (vorax)
  int quiet_option;                     // 1: option Q sends the notices to standard error
};

struct fault_scenario {
  const char *label;              // for the summary line and the scratch folder
  fault_program program;
  std::string command;            // "V2", "X", ...
  std::string directory;          // inside the scratch folder
  std::string archive;            // inside the scratch folder
  std::string options;            // argument 4; empty for none
  std::vector<seed_file> files;   // the start state
};

// Runs the scenario clean and with every call failed in turn, on every system variant; reports
// failures through gtest and prints one summary line per variant.
void run_fault_scenario(const fault_scenario &scenario);

// Races with other processes, made to happen at a known moment, on every system variant: an
// archive that appears before packing's last step, a graphics file that grows before its copy,
// names taken during an extraction.
void run_race_table(const fault_program &program);
// A packing scenario (folder "gfx") run once for every call of its clean run, with its folder
// swapped for another (same names and sizes, other bytes and times) just before that call: the
// archive must hold one folder's files with their own times, and the first folder's whenever the
// swap came once the search had begun (POSIX; Windows opens the folder by its path).
void run_folder_swaps(const fault_scenario &scenario);
// Flushes: the archive before it takes its name, an extracted file only when it replaces one.
void run_flush_counts(const fault_program &program);
#ifndef _WIN32
// SIGINT, SIGTERM and SIGHUP while packing or extracting: the process ends by that signal and
// leaves nothing behind, on every system variant; SIGKILL too where files have no name until
// they are complete.
void run_stop_signals(const fault_program &program);
// A limit on the size of files that packing's archive and extraction's first file pass: a write
// error that leaves nothing behind, on every system variant.
void run_file_size_limit(const fault_program &program);
#endif

// Packing the folder "gfx" into "arc" (the driver adds the extension).
fault_scenario packing(const fault_program &program, const char *label, const char *command,
                       const char *options, const std::vector<seed_file> &files);
// Extracting `archive` (made of `image`) into the folder "out", where the files named in
// `existing` stand already with other content.
fault_scenario extraction(const fault_program &program, const char *label, const char *archive,
                          const bytes &image, const char *options = "",
                          const std::vector<std::string> &existing = {});

// A DOS stamp, other than the archive images' IMAGE_STAMP, for files that stand there before.
const uint32_t OLD_STAMP = 0x3CC14000u;  // 2010-06-01 08:00:00 local time

// A graphics file's stand-in: `size` copies of `fill`.
bytes filled(size_t size, char fill);
// gfx/12345-03.fz2 (5 bytes) and gfx/12345-04.fz2 (3 bytes), which both programs pack.
std::vector<seed_file> vehicle_files(void);

// Archive images that both programs read: the older vehicle layout of those two files, byte for
// byte as the legacy program writes it (82 bytes), and a scenery archive of two entries ("GZX"
// or "UZX", zoom 2).
bytes older_vehicle_image(void);
bytes scenery_image(const char *magic);
