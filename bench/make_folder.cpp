// make_bench_folder: writes a folder of made-up graphics files for the benchmark. The same kind,
// count and seed always give the same names and the same bytes.
//
//   make_bench_folder KIND COUNT SEED FOLDER [options]
//
//   KIND     vehicle  vehicle files "12345-03.fz2" with the header that option I reads
//            scenery  scenery files of every name kind: s/t/h/b with sub numbers and letters
//                     ("s123-45a.gz2", "t42.gz2"), m ("m3-100-0.gz2"), plain
//                     ("049152-07c.gz2"); U files go into FOLDER/park (see --u)
//            big      COUNT vehicle files of --size-mib MiB each
//   COUNT    how many files go into FOLDER itself
//   SEED     any number; it picks names, sizes and contents
//   FOLDER   created if missing; it must not hold any file yet
//
//   --max-kib N    small files are 2 KiB to N KiB (default 64, at least 2); smaller sizes are
//                  more frequent (log-uniform), as in real collections
//   --large N      how many of the files are 2 to 8 MiB instead (default COUNT / 2000)
//   --size-mib N   size of each file of the big kind (default 64)
//   --u N          scenery: N U files for the archive "park" in FOLDER/park, each written in
//                  both name forms, "park-05-12b.gz2" and "u05-12b-park.gz2" (default 0)
//   --legacy       only names that both programs take: vehicle second numbers 0 to 15 (not 16)
//                  and no m-kind scenery names, which the older program does not know
//   --spread-dates every file gets a last-write time of its own between 1980 and 2107 (without
//                  it, every file keeps the time it was written at)
//
// Every name is unique also after extraction: no two files come back under the same rebuilt
// name in either program, so extracting a folder writes every file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "examples/sample_gfx.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// A small generator of our own (splitmix64), so that the folder is the same with every
// compiler and standard library.
uint64_t random_state = 0;

uint64_t next_random() {
  random_state += 0x9E3779B97F4A7C15ull;
  uint64_t z = random_state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A number from 0 to limit - 1.
uint32_t random_below(uint32_t limit) {
  return limit == 0 ? 0 : (uint32_t)(next_random() % limit);
}

int chance(unsigned percent) { return random_below(100) < percent; }

struct options {
  std::string kind;
  unsigned long count = 0;
  unsigned long seed = 0;
  std::string folder;
  unsigned max_kib = 64;
  long large = -1;  // -1: COUNT / 2000
  unsigned size_mib = 64;
  unsigned long u_count = 0;
  int legacy = 0;
  int spread_dates = 0;
};

struct totals {
  unsigned long files = 0;
  unsigned long long bytes = 0;
};

// Sizes: log-uniform from 2 KiB to max_kib KiB, or 2 to 8 MiB for a large file.
size_t small_size(unsigned max_kib) {
  double low = 2048.0;
  double high = (double)max_kib * 1024.0;
  double t = (double)random_below(1000000) / 1000000.0;
  double value = low;
  if (high > low) value = low * std::exp(t * std::log(high / low));
  return (size_t)value;
}

size_t large_size() { return (size_t)(2u << 20) + random_below(6u << 20); }

// Which of `count` files are large: `large` picks spread over the whole run.
std::vector<char> pick_large(unsigned long count, unsigned long large) {
  std::vector<char> is_large(count, 0);
  if (large > count) large = count;
  unsigned long placed = 0;
  while (placed < large) {
    unsigned long at = (unsigned long)(next_random() % count);
    if (!is_large[at]) {
      is_large[at] = 1;
      ++placed;
    }
  }
  return is_large;
}

int write_bytes(const fs::path &path, const std::vector<uint8_t> &content, totals &sum) {
  std::FILE *out = std::fopen(path.string().c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "make_bench_folder: cannot create %s\n", path.string().c_str());
    return 1;
  }
  size_t written = content.empty() ? 0 : std::fwrite(content.data(), 1, content.size(), out);
  int closed = std::fclose(out);
  if (written != content.size() || closed != 0) {
    std::fprintf(stderr, "make_bench_folder: cannot write %s\n", path.string().c_str());
    return 1;
  }
  ++sum.files;
  sum.bytes += content.size();
  return 0;
}

// A vehicle file of about `size` bytes: the header, then pixel data up to the size.
std::vector<uint8_t> vehicle_content(const std::string &name, size_t size, uint32_t seed) {
  sample_vehicle_header header;
  header.version = chance(85) ? 0x0385 : 0x0383;
  header.header_value = header.version == 0x0385 ? random_below(0x40) : random_below(0x20);
  static const uint32_t flag_bits[] = {0x100, 0x400, 0x800, 0x1000};
  header.view_flags = 0;
  for (uint32_t bit : flag_bits) {
    if (chance(40)) header.view_flags |= bit;
  }
  header.length = (uint16_t)(60 + random_below(120));
  header.side_height = (uint16_t)(28 + random_below(24));
  header.width = (uint16_t)(24 + random_below(12));
  header.front_height = (uint16_t)(header.side_height + random_below(8));
  std::vector<uint8_t> out = make_vehicle_gfx(name, header, 0, seed);
  if (size > out.size()) {
    out.reserve(size);
    sample_put_pixels(out, size - out.size(), seed);
  }
  return out;
}

std::vector<uint8_t> scenery_content(const std::string &name, size_t size, uint32_t seed) {
  std::vector<uint8_t> probe = make_scenery_gfx(name, 0, seed);
  size_t pixels = size > probe.size() ? size - probe.size() : 0;
  return make_scenery_gfx(name, pixels, seed);
}

// ---- names

// Vehicle names "NNNNN-SS.fz2": sets of consecutive second numbers from 0 under first numbers
// drawn at random, as vehicle sets are numbered. Never 00000-00.
std::vector<std::string> vehicle_names(unsigned long count, int legacy) {
  const unsigned seconds = legacy ? 16 : 17;
  const unsigned long capacity = 100000ul * seconds - 1;
  std::vector<std::string> names;
  if (count > capacity) return names;
  std::vector<char> used(100000, 0);
  unsigned long firsts_left = 100000;
  while (names.size() < count && firsts_left > 0) {
    uint32_t first = random_below(100000);
    if (used[first]) {
      if (firsts_left * 4 < 100000) {
        // Nearly full: take the next free number instead of drawing again and again.
        while (used[first]) first = (first + 1) % 100000;
      } else {
        continue;
      }
    }
    used[first] = 1;
    --firsts_left;
    unsigned set_size = 1 + random_below(seconds);
    // Once the free first numbers run short, fill every set to the top.
    if ((unsigned long long)firsts_left * seconds < count - names.size() + seconds) {
      set_size = seconds;
    }
    for (unsigned second = 0; second < set_size && names.size() < count; ++second) {
      if (first == 0 && second == 0) continue;
      char name[32];
      std::snprintf(name, sizeof name, "%05u-%02u.fz2", first, second);
      names.push_back(name);
    }
  }
  return names;
}

const char *letter_text(unsigned letter) {
  static const char *const letters[] = {"", "a", "b", "c", "d"};
  return letters[letter % 5];
}

// One scenery name of the S scheme, unique by what extraction rebuilds from it. `taken` holds
// the identities used so far: kind and numbers, without the letter, because extraction puts
// "a" where no letter was stored (current program) and drops "c" and "d" (older program).
std::string scenery_name(int legacy, std::set<std::string> &taken) {
  char identity[64];
  char name[64];
  for (;;) {
    unsigned roll = random_below(100);
    if (roll < 72) {
      // Letter kinds: s, t, h, b; numbers written as people write them (s12, s012), so the
      // byte order of the names is not the order of their numbers.
      char kind = "sthb"[random_below(4)];
      uint32_t number = random_below(16384);
      int has_sub = chance(85);
      uint32_t sub = has_sub ? random_below(chance(90) ? 64 : 1000) : 0;
      std::snprintf(identity, sizeof identity, "%c%u-%u", kind, number, sub);
      if (!taken.insert(identity).second) continue;
      const char *number_form = chance(30) ? "%c%03u" : "%c%u";
      char head[32];
      std::snprintf(head, sizeof head, number_form, kind, number);
      if (has_sub) {
        const char *sub_form = chance(30) ? "%s-%03u%s.gz2" : "%s-%u%s.gz2";
        std::snprintf(name, sizeof name, sub_form, head, sub, letter_text(random_below(5)));
      } else {
        std::snprintf(name, sizeof name, "%s.gz2", head);
      }
      return name;
    }
    if (roll < 82 && !legacy) {
      // m kind: two numbers, the second 0 to 511, and a last 0; number = i * 512 + j.
      uint32_t i = random_below(32);
      uint32_t j = random_below(512);
      std::snprintf(identity, sizeof identity, "m%u", i * 512 + j);
      if (!taken.insert(identity).second) continue;
      std::snprintf(name, sizeof name, "m%u-%u-0.gz2", i, j);
      return name;
    }
    // Plain kind: a leading 0, the number 49152 to 65535, a part 0 to 99 and a letter.
    uint32_t number = 49152 + random_below(16384);
    int has_part = chance(80);
    uint32_t part = has_part ? random_below(100) : 0;
    std::snprintf(identity, sizeof identity, "p%u-%u", number, part);
    if (!taken.insert(identity).second) continue;
    const char *letter = letter_text(random_below(5));
    if (has_part) {
      const char *part_form = chance(70) ? "0%05u-%02u%s.gz2" : "0%05u-%u%s.gz2";
      std::snprintf(name, sizeof name, part_form, number, part, letter);
    } else {
      std::snprintf(name, sizeof name, "0%05u%s.gz2", number, letter);
    }
    return name;
  }
}

// ---- the kinds

int write_vehicles(const options &opt, const fs::path &folder, totals &sum) {
  std::vector<std::string> names = vehicle_names(opt.count, opt.legacy);
  if (names.size() != opt.count) {
    std::fprintf(stderr, "make_bench_folder: at most %lu vehicle names exist\n",
                 100000ul * (opt.legacy ? 16 : 17) - 1);
    return 1;
  }
  unsigned long large = opt.large < 0 ? opt.count / 2000 : (unsigned long)opt.large;
  std::vector<char> is_large = pick_large(opt.count, large);
  for (unsigned long i = 0; i < opt.count; ++i) {
    size_t size = is_large[i] ? large_size() : small_size(opt.max_kib);
    uint32_t seed = (uint32_t)next_random();
    if (write_bytes(folder / names[i], vehicle_content(names[i], size, seed), sum)) return 1;
  }
  return 0;
}

int write_big(const options &opt, const fs::path &folder, totals &sum) {
  std::vector<std::string> names = vehicle_names(opt.count, opt.legacy);
  if (names.size() != opt.count) return 1;
  size_t size = (size_t)opt.size_mib << 20;
  for (unsigned long i = 0; i < opt.count; ++i) {
    uint32_t seed = (uint32_t)next_random();
    if (write_bytes(folder / names[i], vehicle_content(names[i], size, seed), sum)) return 1;
  }
  return 0;
}

// U files for the archive "park": number 0 to 89, part 0 to 99, in the current program's form
// "park-05-12b.gz2" and the older program's form "u05-12b-park.gz2".
int write_u_files(const options &opt, const fs::path &folder, totals &sum) {
  const unsigned long capacity = 90ul * 100ul;
  if (opt.u_count > capacity) {
    std::fprintf(stderr, "make_bench_folder: at most %lu U files exist\n", capacity);
    return 1;
  }
  fs::path park = folder / "park";
  std::error_code ec;
  fs::create_directories(park, ec);
  if (ec) {
    std::fprintf(stderr, "make_bench_folder: cannot create %s\n", park.string().c_str());
    return 1;
  }
  std::vector<char> used(capacity, 0);
  for (unsigned long i = 0; i < opt.u_count; ++i) {
    uint32_t key = random_below((uint32_t)capacity);
    while (used[key]) key = (key + 1) % capacity;
    used[key] = 1;
    uint32_t number = key / 100;
    uint32_t part = key % 100;
    const char *letter = letter_text(random_below(5));
    char current[64];
    char older[64];
    if (part == 0 && chance(50)) {
      std::snprintf(current, sizeof current, "park-%02u%s.gz2", number, letter);
      std::snprintf(older, sizeof older, "u%02u%s-park.gz2", number, letter);
    } else {
      std::snprintf(current, sizeof current, "park-%02u-%02u%s.gz2", number, part, letter);
      std::snprintf(older, sizeof older, "u%02u-%02u%s-park.gz2", number, part, letter);
    }
    size_t size = small_size(opt.max_kib);
    uint32_t seed = (uint32_t)next_random();
    if (write_bytes(park / current, scenery_content(current, size, seed), sum)) return 1;
    if (write_bytes(park / older, scenery_content(older, size, seed), sum)) return 1;
  }
  return 0;
}

int write_scenery(const options &opt, const fs::path &folder, totals &sum) {
  std::set<std::string> taken;
  std::vector<std::string> names;
  names.reserve(opt.count);
  for (unsigned long i = 0; i < opt.count; ++i) names.push_back(scenery_name(opt.legacy, taken));
  unsigned long large = opt.large < 0 ? opt.count / 2000 : (unsigned long)opt.large;
  std::vector<char> is_large = pick_large(opt.count, large);
  for (unsigned long i = 0; i < opt.count; ++i) {
    size_t size = is_large[i] ? large_size() : small_size(opt.max_kib);
    uint32_t seed = (uint32_t)next_random();
    if (write_bytes(folder / names[i], scenery_content(names[i], size, seed), sum)) return 1;
  }
  return opt.u_count > 0 ? write_u_files(opt, folder, sum) : 0;
}

// ---- command line

int read_number(const char *text, unsigned long *out) {
  char *end = nullptr;
  if (text == nullptr || *text < '0' || *text > '9') return 1;
  unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0') return 1;
  *out = value;
  return 0;
}

int usage() {
  std::fprintf(stderr,
               "usage: make_bench_folder vehicle|scenery|big COUNT SEED FOLDER\n"
               "       [--max-kib N] [--large N] [--size-mib N] [--u N] [--legacy]\n"
               "       [--spread-dates]\n");
  return 2;
}

int parse_options(int argc, char **argv, options &opt) {
  if (argc < 5) return 1;
  opt.kind = argv[1];
  if (opt.kind != "vehicle" && opt.kind != "scenery" && opt.kind != "big") return 1;
  if (read_number(argv[2], &opt.count) || read_number(argv[3], &opt.seed)) return 1;
  opt.folder = argv[4];
  for (int i = 5; i < argc; ++i) {
    std::string arg = argv[i];
    unsigned long value = 0;
    if (arg == "--legacy") {
      opt.legacy = 1;
      continue;
    }
    if (arg == "--spread-dates") {
      opt.spread_dates = 1;
      continue;
    }
    if (i + 1 >= argc || read_number(argv[i + 1], &value)) return 1;
    ++i;
    if (arg == "--max-kib" && value >= 2 && value <= 1024 * 1024) {
      opt.max_kib = (unsigned)value;
    } else if (arg == "--large" && value <= 100000000ul) {
      opt.large = (long)value;
    } else if (arg == "--size-mib" && value >= 1 && value <= 1024) {
      opt.size_mib = (unsigned)value;
    } else if (arg == "--u") {
      opt.u_count = value;
    } else {
      return 1;
    }
  }
  return 0;
}

// Gives every file of the folder (and of its subfolders) a last-write time of its own, drawn
// evenly from 1980-01-02 to 2107-12-30, so that hardly two files share a date, as in a
// collection that grew over years. Its own random numbers, so that names and contents stay those
// of the same seed without the option. 0, or 1 when a time cannot be set.
int spread_dates(const fs::path &folder, unsigned long seed) {
  std::vector<std::string> files;
  for (const auto &item : fs::recursive_directory_iterator(folder)) {
    if (item.is_regular_file()) files.push_back(item.path().string());
  }
  std::sort(files.begin(), files.end());
  random_state = seed * 0x9E3779B97F4A7C15ull + 7;
  const uint64_t first = 315619200ull;    // 1980-01-02 00:00:00 UTC
  const uint64_t last = 4354732800ull;    // 2107-12-30 00:00:00 UTC
  for (const std::string &file : files) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = (time_t)(first + next_random() % (last - first));
    times[1].tv_nsec = 0;
    if (utimensat(AT_FDCWD, file.c_str(), times, 0) != 0) {
      std::fprintf(stderr, "make_bench_folder: cannot set the time of %s\n", file.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  options opt;
  if (parse_options(argc, argv, opt)) return usage();
  random_state = opt.seed * 0x2545F4914F6CDD1Dull + 1;

  fs::path folder(opt.folder);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "make_bench_folder: cannot create %s\n", opt.folder.c_str());
    return 1;
  }
  if (!fs::is_empty(folder, ec) || ec) {
    std::fprintf(stderr, "make_bench_folder: %s is not empty\n", opt.folder.c_str());
    return 1;
  }

  totals sum;
  int failed = 0;
  if (opt.kind == "vehicle") {
    failed = write_vehicles(opt, folder, sum);
  } else if (opt.kind == "scenery") {
    failed = write_scenery(opt, folder, sum);
  } else {
    failed = write_big(opt, folder, sum);
  }
  if (failed) return 1;
  if (opt.spread_dates && spread_dates(folder, opt.seed) != 0) return 1;
  std::printf("%lu files, %llu bytes in %s\n", sum.files, sum.bytes, opt.folder.c_str());
  return 0;
}
