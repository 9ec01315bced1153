#include "tests/test_support.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/platform.h"

namespace fs = std::filesystem;

scratch_dir::scratch_dir(const std::string &label) {
  static std::atomic<int> counter{0};
  fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "vorax-test-%s-%ld-%d", label.c_str(),
                  (long)std::time(nullptr) % 100000, counter++);
    fs::path candidate = base / suffix;
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      return;
    }
  }
}

scratch_dir::~scratch_dir() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

std::string scratch_dir::file(const std::string &name) const {
  return path_ + path_separator + name;
}

void write_file(const std::string &path, const bytes &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(content.data()), (std::streamsize)content.size());
}

void write_text_file(const std::string &path, const std::string &content) {
  write_file(path, text_bytes(content));
}

bytes read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return bytes();
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string &path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::vector<std::string> list_names(const std::string &folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto &item : fs::directory_iterator(folder, ec)) {
    if (item.is_regular_file()) names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool set_local_time(const std::string &path, uint16_t dos_date, uint16_t dos_time) {
  plat_file file = plat_open_existing_for_write(path.c_str());
  if (file == PLAT_NO_FILE) return false;
  int failed = plat_set_file_time(file, dos_date, dos_time);
  failed |= plat_close(file);
  return failed == 0;
}

bool get_local_time(const std::string &path, uint16_t *dos_date, uint16_t *dos_time) {
  plat_search search = nullptr;
  plat_found_file found;
  if (plat_find_first(path.c_str(), &search, &found) != 0) return false;
  plat_find_close(search);
  *dos_date = found.dos_date;
  *dos_time = found.dos_time;
  return true;
}

bytes text_bytes(const std::string &text) { return bytes(text.begin(), text.end()); }

bytes hex_bytes(const std::string &hex) {
  bytes out;
  int high = -1;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back((uint8_t)(high * 16 + v));
      high = -1;
    }
  }
  return out;
}
