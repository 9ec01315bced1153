// Helpers shared by the tests: scratch folders, whole-file reads and writes, last-write times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> bytes;

// A fresh empty folder for one test, removed again by the destructor.
class scratch_dir {
 public:
  explicit scratch_dir(const std::string &label);
  ~scratch_dir();
  const std::string &path() const { return path_; }
  // path() + separator + name
  std::string file(const std::string &name) const;

 private:
  std::string path_;
};

void write_file(const std::string &path, const bytes &content);
void write_text_file(const std::string &path, const std::string &content);
bytes read_file(const std::string &path);          // empty when the file cannot be read
bool exists(const std::string &path);
std::vector<std::string> list_names(const std::string &folder);  // sorted, files only

// Sets a file's last-write time from a local DOS date and time; false on failure.
bool set_local_time(const std::string &path, uint16_t dos_date, uint16_t dos_time);
// Reads a file's last-write time as local DOS date and time (through the directory search).
bool get_local_time(const std::string &path, uint16_t *dos_date, uint16_t *dos_time);

// bytes from a string literal, and from a hex text such as "58 51 20 4B"
bytes text_bytes(const std::string &text);
bytes hex_bytes(const std::string &hex);
