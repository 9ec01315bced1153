// Helpers shared by the tests: scratch folders, whole-file reads and writes, last-write times,
// archive images made by hand, and runs of the built program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> bytes;
typedef std::vector<std::string> names;

// A fresh empty folder for one test, removed again by the destructor.
class scratch_dir {
 public:
  explicit scratch_dir(const std::string &label);
  ~scratch_dir();
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const;  // path() + separator + name

 private:
  std::string path_;
};

std::string join(const std::string &directory, const std::string &name);
std::string native(std::string path);  // "a/b" with the platform's separator in place of '/'
std::string make_folder(const scratch_dir &dir, const std::string &name);  // created if missing
void write_file(const std::string &path, const bytes &content);
bytes read_file(const std::string &path);          // empty when the file cannot be read
names list_names(const std::string &folder);       // sorted, files only (temporary ones too)
names temporary_files(const std::string &root);    // the programs' ".vx" files below, sorted

// True when `text` ends with `end`.
bool ends_with(const std::string &text, const std::string &end);

// The argument vector of `args` as a program's main or exec takes it: pointers into the strings
// (which must outlive it), then a null.
std::vector<char *> argument_vector(std::vector<std::string> &args);

// The items of a list linked through `next`, in list order.
template <class T>
std::vector<T *> order_of(T *head) {
  std::vector<T *> out;
  for (T *e = head; e != nullptr; e = e->next) out.push_back(e);
  return out;
}

// Last-write times as local DOS date and time. set_local_time: false on failure. stamp_of (DOS
// date high, time low) reads it through the directory search; 0 when it cannot.
bool set_local_time(const std::string &path, uint16_t dos_date, uint16_t dos_time);
uint32_t stamp_of(const std::string &path);

// Last-write times as seconds since 1970-01-01 00:00:00 UTC, set and read by the system's own
// calls. set_utc_time: false on failure; utc_time_of: -1 when the time cannot be read.
bool set_utc_time(const std::string &path, int64_t moment);
int64_t utc_time_of(const std::string &path);

// Puts the process in the time zone Europe/Berlin while it lives, and the zone it had back
// after. POSIX sets TZ; a Windows process keeps the zone it was started in, so there it is only
// in Berlin when ctest started it so (VORAX_TEST_ZONE=Europe/Berlin beside TZ, which Wine
// follows). in_zone() is false when the zone cannot be had: the test is skipped.
class berlin_zone {
 public:
  berlin_zone();
  ~berlin_zone();
  bool in_zone() const { return in_zone_; }

 private:
  bool in_zone_ = false, set_ = false, had_ = false;
  std::string before_;
};

// The last-write time of the worked examples' files: 14 February 2011 10:30:00 local time, as
// the archive images' records (IMAGE_STAMP below).
const uint32_t EXAMPLE_STAMP = 0x3E4E53C0u;
// Writes a file and gives it a last-write time; false when the time cannot be set.
bool put_file(const std::string &path, const bytes &content, uint32_t stamp = EXAMPLE_STAMP);

bytes text_bytes(const std::string &text);
bytes hex_bytes(const std::string &hex);     // "58 51 20 4B"
void put32(bytes &b, uint32_t value);        // little-endian
uint32_t u32_at(const bytes &b, size_t pos);  // 0xFFFFFFFF beyond the end

// Archive images. archive_image adds the directory with correct offsets, the end mark and one
// record per entry, each stamped IMAGE_STAMP.
const uint32_t IMAGE_STAMP = 0x3E4E53C0u;  // 2011-02-14 10:30:00 local time
struct record {
  std::vector<uint32_t> keys;
  bytes data;
};
bytes vehicle_header(char zoom, bool current);
bytes scenery_header(const char *magic, char zoom, bool marker = false);
bytes archive_image(bytes header, const std::vector<record> &records,
                    uint32_t end_mark = 0xFFFFFFFFu);

// A folder "gfx" holding the files of the worked vehicle example: 12345-03.fz2 of 5 "A" and
// 12345-04.fz2 of 3 "B", both stamped EXAMPLE_STAMP.
std::string example_folder(const scratch_dir &dir);

// Walks the directory of an archive image: every offset, counted from the byte behind it, must
// land on the record that repeats the entry's keys, and the records must fill the file to its
// end. Returns the number of entries.
int check_offsets(const bytes &b, size_t header_size, size_t keys);

// True on Windows, told by the path separator.
bool on_windows(void);

// The user's ANSI code page on Windows (1250, 1252, ...); 0 on POSIX.
int ansi_code_page(void);

// The bytes of the heap in use (glibc's count, mapped blocks included), so that a test can see
// memory that is never given back even where the leak check cannot; -1 where it cannot be had.
long heap_in_use(void);

// Runs the built program with `args`; `language` is the locale it sees (empty: "C", English; on
// POSIX only: on Windows the language is the user's setting).
struct program_run {
  int status;        // exit status; 128 + signal number when the program was killed
  std::string out;   // standard output
  std::string err;   // standard error (the notices)
};
program_run run_vorax_program(const std::vector<std::string> &args,
                              const std::string &language = std::string());
// The same for the legacy program.
program_run run_legacy_program(const std::vector<std::string> &args,
                               const std::string &language = std::string());

// What standard error receives for a notice: on POSIX the title on a line of its own, then the
// text; on Windows nothing, the notice being a message box.
std::string notice(const std::string &title, const std::string &text);
// Text as the console file receives it: on Windows standard output is in text mode, so every
// "\n" arrives as "\r\n".
std::string console_bytes(const std::string &text);
std::string banner(void);  // the English banner with the empty line in front of it, as above
