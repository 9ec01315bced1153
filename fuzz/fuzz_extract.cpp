// Fuzz target: extraction of an arbitrary archive, linked with either program's parts. The input
// is the archive itself; the low bits of its last byte choose option S, option O, the archive's
// name and the output folder, so that every seed stays a plain archive file.
//
// Checked after every run: the result is 0, 2 or 4 (4 with option S only where a name does not
// fit the deep output folder); nothing appears outside the output folder; no temporary file stays
// behind; the counters agree with the files written; option S writes nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "archive/extract.h"
#include "console/catalogue.h"
#include "pack/entries.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

std::string scratch;       // this process's folder, emptied between inputs
std::string archive_dir;   // scratch/in: the archive only
std::string shallow_out;   // scratch/out
std::string deep_out;      // a folder whose path leaves room for short names only

void fail(const char *what, const std::string &detail) {
  std::fprintf(stderr, "fuzz_extract: %s: %s\n", what, detail.c_str());
  std::abort();
}

void remove_scratch(void) {
  std::error_code ec;
  if (!scratch.empty()) fs::remove_all(scratch, ec);
}

void make_scratch(void) {
  std::random_device random;
  std::error_code ec;
  for (int attempt = 0; attempt < 100 && scratch.empty(); ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("vorax-fuzz-" + std::to_string(random()));
    if (fs::create_directory(candidate, ec)) scratch = candidate.string();
  }
  if (scratch.empty()) fail("no scratch folder", fs::temp_directory_path().string());
  std::atexit(remove_scratch);
  archive_dir = scratch + path_separator + "in";
  shallow_out = scratch + path_separator + "out";
  // 235 characters: "12345-03.fz2" fits behind it, a name of 24 characters or more does not.
  std::string deep = scratch + path_separator + "deep";
  deep_out = deep + path_separator + std::string(235 - deep.size() - 1, 'd');
  fs::create_directories(archive_dir);
  fs::create_directories(shallow_out);
  fs::create_directories(deep_out);
}

// Empties a folder of its files; anything else in it is a fault.
void empty_folder(const std::string &folder) {
  for (const auto &item : fs::directory_iterator(folder)) {
    if (!item.is_regular_file()) fail("not a file", item.path().string());
    fs::remove(item.path());
  }
}

int count_files(const std::string &folder) {
  int count = 0;
  for (const auto &item : fs::directory_iterator(folder)) {
    std::string name = item.path().filename().string();
    if (!item.is_regular_file()) fail("not a file", item.path().string());
    if (name.find(".vx") != std::string::npos) fail("temporary file left", name);
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  make_scratch();
  language_index = LANGUAGE_ENGLISH;
  // Extraction reports every file on standard output; libFuzzer reports on standard error.
  if (std::getenv("VORAX_FUZZ_VERBOSE") == nullptr) std::freopen("/dev/null", "w", stdout);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  uint8_t choice = size > 0 ? data[size - 1] : 0;
  int simulate = choice & 1;
  int overwrite = (choice >> 1) & 1;
  // The base name reaches the names of "UZX" archives and of small-numbered vehicle archives.
  static const char *const archive_names[4] = {
      "park.uz2", "loco.fz2", "a.b",
      "long-base-name-of-many-characters-that-reaches-the-names-of-base-named-archives.uz2"};
  std::string archive = archive_dir + path_separator + archive_names[(choice >> 2) & 3];
  const std::string &out = (choice & 16) ? deep_out : shallow_out;

  {
    std::ofstream file(archive, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(data), (std::streamsize)size);
    if (!file) fail("cannot write the archive", archive);
  }

  int32_t skipped = -1, extracted = -1, found = -1;
  unsigned rc = extract_archive(archive.c_str(), out.c_str(), overwrite, &skipped, &extracted,
                                &found, simulate);
  std::fflush(stdout);

  char detail[200];
  std::snprintf(detail, sizeof detail, "rc %u simulate %d overwrite %d found %d extracted %d "
                "skipped %d", rc, simulate, overwrite, (int)found, (int)extracted, (int)skipped);
  if (rc != 0 && rc != 2 && rc != 4) fail("unexpected result", detail);
  if (rc == 4 && simulate && &out == &shallow_out) fail("4 without a file to write", detail);
  if (rc != 0 && (found | extracted | skipped) != 0) fail("counters after a failure", detail);
  if (rc == 0 && (found < 0 || extracted < 0 || skipped < 0 || found != extracted + skipped))
    fail("counters do not add up", detail);
  if (simulate && extracted != 0) fail("simulation extracted", detail);

  // Nothing but the archive and the two output folders in the scratch folder.
  for (const auto &item : fs::recursive_directory_iterator(scratch)) {
    std::string path = item.path().string();
    if (item.is_directory()) {
      if (path == archive_dir || path == shallow_out || path == deep_out ||
          path == fs::path(deep_out).parent_path().string())
        continue;
      fail("folder created", path);
    }
    if (path == archive) continue;
    std::string parent = item.path().parent_path().string();
    if (parent != shallow_out && parent != deep_out) fail("file outside the output folder", path);
  }
  int files = count_files(out);
  if (simulate && files != 0) fail("simulation wrote files", detail);
  // Without option O every extracted file has a name of its own; with O a later record may
  // replace an earlier one of the same name.
  if (rc == 0 && !simulate && (overwrite ? files > extracted : files != extracted))
    fail("files written do not match the count", detail);
  if (rc == 0 && extracted > 0 && files == 0) fail("extracted files missing", detail);

  empty_folder(shallow_out);
  empty_folder(deep_out);
  fs::remove(archive);
  release_entry_lists();
  reset_packing_state();
  return 0;
}
