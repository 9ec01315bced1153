// make_samples: writes the sample folder of graphics files that the demo packs and extracts.
//
//   make_samples [folder]        (default: examples/gfx)
//
// The folder receives vehicle files (zoom 2 and 4, numbered and base-named) and scenery files
// (zoom 1, 2 and 4, every name kind); the base-named scenery set goes into the subfolder park/,
// because S2 over the main folder would refuse its names. The bytes are the same on every run;
// the files' last-write times are simply the time of the run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "examples/sample_gfx.h"

namespace fs = std::filesystem;

namespace {

int write_sample(const fs::path &folder, const char *name, const std::vector<uint8_t> &content) {
  fs::path target = folder / name;
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(content.data()), (std::streamsize)content.size());
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_samples: cannot write %s\n", target.string().c_str());
    return 1;
  }
  std::printf("%6u  %s\n", (unsigned)content.size(), target.string().c_str());
  return 0;
}

struct vehicle_sample {
  const char *name;
  sample_vehicle_header header;
  unsigned pixel_bytes;
};

// View flags: 0x100 front view 2, 0x400 side view 2, 0x800 right doors, 0x1000 left doors.
const vehicle_sample vehicle_samples[] = {
  {"10412-00.fz2", {0x0385, 0x0012, 0x1D00, 120, 40, 30, 44}, 420},
  {"10412-01.fz2", {0x0385, 0x0012, 0x0D00, 120, 40, 30, 44}, 400},
  {"10412-02.fz2", {0x0385, 0x0014, 0x0900, 118, 40, 30, 44}, 380},
  {"10413-00.fz2", {0x0385, 0x0012, 0x0500, 96, 38, 30, 42}, 350},
  {"20001-03.fz2", {0x0383, 0x07, 0x0000, 64, 36, 28, 36}, 260},
  {"20001-04.fz2", {0x0383, 0x07, 0x0800, 64, 36, 28, 36}, 280},
  {"31570-16.fz2", {0x0385, 0x0021, 0x1400, 140, 44, 32, 46}, 450},
  {"52000-05.fz2", {0x0385, 0x0003, 0x0100, 80, 30, 26, 34}, 300},
  {"10412-00.fz4", {0x0385, 0x0012, 0x1D00, 240, 80, 60, 88}, 760},
  {"10412-01.fz4", {0x0385, 0x0012, 0x0D00, 240, 80, 60, 88}, 720},
  {"20001-03.fz4", {0x0383, 0x07, 0x0000, 128, 72, 56, 72}, 520},
  {"loco-01-00.fz2", {0x0385, 0x0030, 0x1500, 150, 46, 32, 48}, 460},
  {"loco-01-01.fz2", {0x0385, 0x0030, 0x1500, 150, 46, 32, 48}, 440},
  {"loco-02-00.fz2", {0x0383, 0x31, 0x0400, 110, 42, 30, 44}, 330},
};

struct scenery_sample {
  const char *name;
  unsigned pixel_bytes;
};

const scenery_sample scenery_samples[] = {
  {"s123-45a.gz2", 260},   {"s123-46b.gz2", 240},  {"t42-7.gz2", 200},
  {"h5-2.gz2", 180},       {"b17.gz2", 150},       {"m3-100-0.gz2", 220},
  {"049152-01a.gz2", 300}, {"050000-12.gz2", 280}, {"065535c.gz2", 160},
  {"s123-45a.gz1", 120},   {"049152-01a.gz1", 140},
  {"s123-45a.gz4", 420},   {"t42-7.gz4", 380},
};

const scenery_sample park_samples[] = {
  {"park-05-12b.gz2", 230}, {"park-05-13.gz2", 210}, {"park-07-00a.gz2", 190},
};

}  // namespace

int main(int argc, char **argv) {
  fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path("examples") / "gfx";
  fs::path park = folder / "park";
  std::error_code ec;
  fs::create_directories(park, ec);
  if (ec) {
    std::fprintf(stderr, "make_samples: cannot create %s\n", park.string().c_str());
    return 1;
  }
  int failed = 0;
  uint32_t seed = 1;
  for (const vehicle_sample &v : vehicle_samples) {
    failed |=
        write_sample(folder, v.name, make_vehicle_gfx(v.name, v.header, v.pixel_bytes, seed++));
  }
  for (const scenery_sample &s : scenery_samples) {
    failed |= write_sample(folder, s.name, make_scenery_gfx(s.name, s.pixel_bytes, seed++));
  }
  for (const scenery_sample &s : park_samples) {
    failed |= write_sample(park, s.name, make_scenery_gfx(s.name, s.pixel_bytes, seed++));
  }
  return failed;
}
