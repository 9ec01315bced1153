#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifndef VORAX_PROGRAM
#error "VORAX_PROGRAM must name the built program"
#endif

namespace fs = std::filesystem;

// Paths are held as the programs hold names: UTF-8 on Windows, the system's bytes on POSIX.
static fs::path fs_path(const std::string &path) { return fs::u8path(path); }

#ifdef _WIN32
// A UTF-8 text as UTF-16, for the wide calls.
static std::wstring wide(const std::string &text) {
  int count = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (count <= 0) return std::wstring();
  std::wstring out((size_t)count, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], count);
  out.resize((size_t)count - 1);
  return out;
}
#endif

scratch_dir::scratch_dir(const std::string &label) {
  static int counter = 0;
  std::error_code ec;
  // A name not taken yet, also by another test process: the label, the time and a counter.
  for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
    std::string name = "vorax-test-" + label + "-" + std::to_string(std::time(nullptr) % 100000);
    fs::path candidate = fs::temp_directory_path() / (name + "-" + std::to_string(counter++));
    if (fs::create_directory(candidate, ec)) path_ = candidate.u8string();
  }
}

scratch_dir::~scratch_dir() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(fs_path(path_), ec);
}

std::string scratch_dir::file(const std::string &name) const { return join(path_, name); }

std::string join(const std::string &directory, const std::string &name) {
  return directory + path_separator + name;
}

std::string native(std::string path) {
  for (char &c : path) c = c == '/' ? path_separator : c;
  return path;
}

std::string make_folder(const scratch_dir &dir, const std::string &name) {
  fs::create_directories(fs_path(dir.file(name)));
  return dir.file(name);
}

void write_file(const std::string &path, const bytes &content) {
  std::ofstream out(fs_path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(content.data()), (std::streamsize)content.size());
}

bytes read_file(const std::string &path) {
  std::ifstream in(fs_path(path), std::ios::binary);
  if (!in) return bytes();
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

names list_names(const std::string &folder) {
  names found;
  std::error_code ec;
  for (const auto &item : fs::directory_iterator(fs_path(folder), ec)) {
    if (item.is_regular_file()) found.push_back(item.path().filename().u8string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<char *> argument_vector(std::vector<std::string> &args) {
  std::vector<char *> argv;
  for (std::string &arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  return argv;
}

names temporary_files(const std::string &root) {
  names found;
  for (const auto &item : fs::recursive_directory_iterator(fs_path(root))) {
    std::string name = item.path().filename().u8string();
    if (name.rfind(".vx", 0) == 0) found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

namespace {

// Opens an existing file for writing, never creating or truncating it, by the system's own calls
// (the platform layer has no such function: only tests set times on files they did not write).
plat_file open_existing_for_write(const std::string &path) {
#ifdef _WIN32
  HANDLE handle = CreateFileW(wide(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? PLAT_NO_FILE : (plat_file)handle;
#else
  int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  return fd < 0 ? PLAT_NO_FILE : (plat_file)fd;
#endif
}

bool close_own(plat_file file) {
#ifdef _WIN32
  return CloseHandle((HANDLE)file) != 0;
#else
  return close((int)file) == 0;
#endif
}

}  // namespace

bool set_local_time(const std::string &path, uint16_t dos_date, uint16_t dos_time) {
  plat_file file = open_existing_for_write(path);
  if (file == PLAT_NO_FILE) return false;
  int failed = plat_set_file_time(file, dos_date, dos_time);
  return close_own(file) && failed == 0;
}

uint32_t stamp_of(const std::string &path) {
  plat_search search = nullptr;
  plat_found_file found;
  if (plat_find_first(path.c_str(), &search, &found) != 0) return 0;
  plat_find_close(search);
  return (uint32_t)found.dos_date << 16 | found.dos_time;
}

#ifdef _WIN32
namespace {
// Seconds from 1601-01-01, where file times start, to 1970-01-01; file times count 100 ns.
const int64_t EPOCH_GAP = 11644473600LL;
}  // namespace

bool set_utc_time(const std::string &path, int64_t moment) {
  plat_file file = open_existing_for_write(path);
  if (file == PLAT_NO_FILE) return false;
  uint64_t ticks = (uint64_t)(moment + EPOCH_GAP) * 10000000u;
  FILETIME time = {(DWORD)ticks, (DWORD)(ticks >> 32)};
  bool set = SetFileTime((HANDLE)file, nullptr, nullptr, &time) != 0;
  return close_own(file) && set;
}

int64_t utc_time_of(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  uint64_t ticks = (uint64_t)data.ftLastWriteTime.dwHighDateTime << 32 |
                   data.ftLastWriteTime.dwLowDateTime;
  return (int64_t)(ticks / 10000000u) - EPOCH_GAP;
}

berlin_zone::berlin_zone() {
  const char *zone = std::getenv("VORAX_TEST_ZONE");
  in_zone_ = zone != nullptr && std::string(zone) == "Europe/Berlin";
}

berlin_zone::~berlin_zone() {}
#else
bool set_utc_time(const std::string &path, int64_t moment) {
  struct timespec times[2];
  times[0].tv_sec = (time_t)moment;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

int64_t utc_time_of(const std::string &path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
  return (int64_t)info.st_mtime;
}

berlin_zone::berlin_zone() {
  if (!fs::exists("/usr/share/zoneinfo/Europe/Berlin")) return;
  const char *value = std::getenv("TZ");
  had_ = value != nullptr;
  if (had_) before_ = value;
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  set_ = in_zone_ = true;
}

berlin_zone::~berlin_zone() {
  if (!set_) return;
  if (had_) {
    setenv("TZ", before_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
#endif

bool put_file(const std::string &path, const bytes &content, uint32_t stamp) {
  write_file(path, content);
  return set_local_time(path, (uint16_t)(stamp >> 16), (uint16_t)stamp);
}

bytes text_bytes(const std::string &text) { return bytes(text.begin(), text.end()); }

bytes hex_bytes(const std::string &hex) {
  std::string digits;
  for (char c : hex) {
    if (std::isxdigit((unsigned char)c)) digits += c;
  }
  bytes out;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back((uint8_t)std::stoi(digits.substr(i, 2), nullptr, 16));
  return out;
}

void put32(bytes &b, uint32_t value) {
  for (int i = 0; i < 4; ++i) b.push_back((uint8_t)(value >> (8 * i)));
}

uint32_t u32_at(const bytes &b, size_t pos) {
  if (pos + 4 > b.size()) return 0xFFFFFFFFu;  // as the end mark, so that walks stop
  return (uint32_t)b[pos] | (uint32_t)b[pos + 1] << 8 | (uint32_t)b[pos + 2] << 16 |
         (uint32_t)b[pos + 3] << 24;
}

bytes vehicle_header(char zoom, bool current) {
  bytes b = text_bytes(std::string("XQ KARV Vehicle gfx Zoom") + zoom + "\x1A");
  if (current) b.push_back(0x00);
  for (char c : std::string("FZX") + zoom) b.push_back((uint8_t)c);
  if (current) put32(b, 0x03860000u);
  return b;
}

bytes scenery_header(const char *magic, char zoom, bool marker) {
  bytes b = text_bytes(std::string("XQ KARV Scenery gfx Zoom") + zoom + "\r\ncreated by VORAX\x1A");
  if (marker) b.push_back(0x00);
  for (char c : std::string(magic) + zoom) b.push_back((uint8_t)c);
  return b;
}

bytes archive_image(bytes b, const std::vector<record> &records, uint32_t end_mark) {
  uint32_t entry = records.empty() ? 4 : (uint32_t)records[0].keys.size() * 4 + 4;
  uint32_t running = (uint32_t)records.size() * entry + 4;
  for (const record &r : records) {
    for (uint32_t k : r.keys) put32(b, k);
    running -= entry;
    put32(b, running);
    running += (uint32_t)r.data.size() + entry + 4;
  }
  put32(b, end_mark);
  for (const record &r : records) {
    for (uint32_t k : r.keys) put32(b, k);
    put32(b, (uint32_t)r.data.size());
    put32(b, IMAGE_STAMP);
    b.insert(b.end(), r.data.begin(), r.data.end());
  }
  return b;
}

std::string example_folder(const scratch_dir &dir) {
  std::string gfx = make_folder(dir, "gfx");
  EXPECT_TRUE(put_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA")));
  EXPECT_TRUE(put_file(join(gfx, "12345-04.fz2"), text_bytes("BBB")));
  return gfx;
}

int check_offsets(const bytes &b, size_t header_size, size_t keys) {
  size_t entry_size = keys * 4 + 4;
  size_t count = 0;
  while (u32_at(b, header_size + count * entry_size) != 0xFFFFFFFFu) ++count;
  size_t record = header_size + count * entry_size + 4;
  for (size_t i = 0; i < count && record <= b.size(); ++i) {
    size_t entry = header_size + i * entry_size;
    EXPECT_EQ(entry + entry_size + u32_at(b, entry + keys * 4), record) << "entry " << i;
    for (size_t k = 0; k < keys; ++k) {
      EXPECT_EQ(u32_at(b, entry + 4 * k), u32_at(b, record + 4 * k)) << "entry " << i;
    }
    record += keys * 4 + 8 + u32_at(b, record + keys * 4);
  }
  EXPECT_EQ(record, b.size());
  return (int)count;
}

// ---------------------------------------------------------------------------------------------
// Running the built program

namespace {

// One argument for the shell that std::system starts (a POSIX shell, or cmd.exe on Windows, also
// under Wine), taken literally.
std::string quote(const std::string &text) {
  std::string out = on_windows() ? "\"" : "'";
  for (char c : text) {
    if (on_windows()) {
      // The runtime splits at blanks outside double quotes; a backslash escapes a double quote.
      if (c == '"') out += '\\';
      out += c;
    } else {
      out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
  }
  return out + (on_windows() ? "\"" : "'");
}

// Runs a command line through the shell; on Windows through the wide call, so that names in
// UTF-8 arrive whole.
int system_command(const std::string &command) {
#ifdef _WIN32
  return _wsystem(wide(command).c_str());
#else
  return std::system(command.c_str());
#endif
}

// std::system answers a wait status on POSIX and the exit code itself on Windows.
int exit_status(int raw) {
  if (raw == -1 || on_windows()) return raw;
  if ((raw & 0x7F) != 0) return 128 + (raw & 0x7F);
  return (raw >> 8) & 0xFF;
}

}  // namespace

static program_run run_program(const char *program, const std::vector<std::string> &args,
                               const std::string &language) {
  static scratch_dir capture("capture");  // the captured output of every run of this process
  static int run_number = 0;
  ++run_number;
  std::string out_file = capture.file("out" + std::to_string(run_number) + ".txt");
  std::string err_file = capture.file("err" + std::to_string(run_number) + ".txt");

  std::string command;
  if (!on_windows()) {
    // The program takes its language from the first non-empty of these three.
    command = "LC_ALL= LC_MESSAGES= LANG=" + quote(language.empty() ? "C" : language) + " ";
    // A program's entry lists stay reachable until it ends, so the sanitizer build's leak check
    // runs on the programs without the suppressions that the in-process tests need: any block
    // a program loses is reported, and its exit status shows it.
    command += "LSAN_OPTIONS= ";
  }
  command += quote(program);
  for (const std::string &arg : args) command += " " + quote(arg);
  command += " >" + quote(out_file) + " 2>" + quote(err_file);
  // cmd.exe drops the first and the last double quote of a command line that starts with one.
  if (on_windows()) command = "\"" + command + "\"";

  program_run run;
  run.status = exit_status(system_command(command));
  // Wine's cmd.exe now and then fails to find a program that is there ("not recognized", 9009),
  // or does not start at all (-1), while other Wine processes start; a real run never answers
  // either, so try again.
  for (int retry = 0; retry < 3 && on_windows() && (run.status == 9009 || run.status == -1);
       ++retry) {
    run.status = exit_status(system_command(command));
  }
  bytes out = read_file(out_file), err = read_file(err_file);
  run.out.assign(out.begin(), out.end());
  run.err.assign(err.begin(), err.end());
  return run;
}

program_run run_vorax_program(const std::vector<std::string> &args, const std::string &language) {
  return run_program(VORAX_PROGRAM, args, language);
}

program_run run_legacy_program(const std::vector<std::string> &args, const std::string &language) {
  return run_program(VORAX_LEGACY_PROGRAM, args, language);
}

bool on_windows(void) { return path_separator == '\\'; }

long heap_in_use(void) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
  struct mallinfo2 info = mallinfo2();
  return (long)(info.uordblks + info.hblkhd);
#else
  return -1;
#endif
}

int ansi_code_page(void) {
#ifdef _WIN32
  return (int)GetACP();
#else
  return 0;
#endif
}

std::string notice(const std::string &title, const std::string &text) {
  return on_windows() ? std::string() : title + "\n" + text + "\n";
}

std::string console_bytes(const std::string &text) {
  if (!on_windows()) return text;
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string banner(void) { return console_bytes("\nXQ Dezo-Reruzer Version 0.023 02/2011\n"); }
