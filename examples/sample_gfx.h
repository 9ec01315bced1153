// Graphics files made up by this project: a short readable text header ended by 0x1A, the binary
// header that option I reads from vehicle files, and a few hundred bytes of pixel-like data. Used
// by make_samples to write examples/gfx and by the end-to-end tests to fill their folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What option I reads behind the 0x1A of a vehicle file.
struct sample_vehicle_header {
  int version;             // 0x0385 or 0x0383
  unsigned header_value;   // two bytes in version 0x0385, one byte in 0x0383
  uint32_t view_flags;     // bits 8 front view 2, 10 side view 2, 11 right doors, 12 left doors
  uint16_t length;
  uint16_t side_height;
  uint16_t width;
  uint16_t front_height;
};

inline void sample_put_u16(std::vector<uint8_t> &out, unsigned value) {
  out.push_back((uint8_t)(value & 0xFF));
  out.push_back((uint8_t)((value >> 8) & 0xFF));
}

inline void sample_put_u32(std::vector<uint8_t> &out, uint32_t value) {
  sample_put_u16(out, value & 0xFFFF);
  sample_put_u16(out, value >> 16);
}

inline void sample_put_text(std::vector<uint8_t> &out, const std::string &text) {
  out.insert(out.end(), text.begin(), text.end());
}

// Rows of palette indices with runs of equal colour, as sprite data tends to look. The same seed
// always gives the same bytes; different seeds give different bytes.
inline void sample_put_pixels(std::vector<uint8_t> &out, size_t count, uint32_t seed) {
  uint32_t state = seed * 2654435761u + 12345u;
  uint8_t colour = 0;
  size_t run = 0;
  for (size_t i = 0; i < count; ++i) {
    if (run == 0) {
      state = state * 1103515245u + 12345u;
      colour = (uint8_t)(16 + ((state >> 16) % 200));
      run = 1 + ((state >> 8) % 9);
    }
    out.push_back(colour);
    --run;
  }
}

// A vehicle graphics file: text header, 0x1A, a 32-bit value, version bytes (high byte first),
// header value, view flags and the four dimensions in the order of the file's version, then
// `pixel_bytes` bytes of pixel data.
inline std::vector<uint8_t> make_vehicle_gfx(const std::string &label,
                                             const sample_vehicle_header &header,
                                             size_t pixel_bytes, uint32_t seed) {
  std::vector<uint8_t> out;
  sample_put_text(out, "vorax sample vehicle " + label + "\r\n");
  out.push_back(0x1A);
  sample_put_u32(out, 0x00010000u + seed);
  out.push_back((uint8_t)(header.version >> 8));
  out.push_back((uint8_t)(header.version & 0xFF));
  if (header.version == 0x0383) {
    out.push_back((uint8_t)(header.header_value & 0xFF));
  } else {
    sample_put_u16(out, header.header_value);
    sample_put_u32(out, header.view_flags);
  }
  sample_put_u16(out, header.length);
  sample_put_u16(out, header.side_height);
  sample_put_u16(out, header.width);
  sample_put_u16(out, header.front_height);
  if (header.version == 0x0383) sample_put_u16(out, header.view_flags & 0xFFFF);
  sample_put_pixels(out, pixel_bytes, seed);
  return out;
}

// A scenery graphics file: text header, 0x1A, width and height, then pixel data. Packing reads
// scenery files by name only; the content just has to be recognisable after a round trip.
inline std::vector<uint8_t> make_scenery_gfx(const std::string &label, size_t pixel_bytes,
                                             uint32_t seed) {
  std::vector<uint8_t> out;
  sample_put_text(out, "vorax sample scenery " + label + "\r\n");
  out.push_back(0x1A);
  sample_put_u16(out, 64);
  sample_put_u16(out, (unsigned)(pixel_bytes / 64 + 1));
  sample_put_pixels(out, pixel_bytes, seed);
  return out;
}
