// Pictures of any size in a small file, for tests of pictures too large to hold: an
// uncompressed RGB TIFF of w x h (h a multiple of 16) whose strips of 16 rows all share
// one block of data.  Its colour at (x, y) is stripes_at(x, y), 0x00RRGGBB.
#pragma once
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velmora::testing {

inline std::uint32_t stripes_at(std::int64_t x, std::int64_t y) {
  return static_cast<std::uint32_t>(((x & 0xFF) << 16) | (((x >> 8) & 0xFF) << 8) |
                                    ((y % 16) * 13 + (x % 7)));
}

inline void write_stripes(const std::string& path, std::uint32_t w, std::uint32_t h) {
  const std::uint32_t strips = h / 16, strip_bytes = w * 16 * 3;
  std::vector<unsigned char> b(8);
  auto put16 = [&](std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  for (std::uint32_t y = 0; y < 16; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::uint32_t c = stripes_at(x, y);
      b.insert(b.end(), {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                         static_cast<unsigned char>(c)});
    }
  const auto bits_at = static_cast<std::uint32_t>(b.size());
  put16(8), put16(8), put16(8);
  const auto offsets_at = static_cast<std::uint32_t>(b.size());
  for (std::uint32_t i = 0; i < strips; ++i) put32(8);
  const auto counts_at = static_cast<std::uint32_t>(b.size());
  for (std::uint32_t i = 0; i < strips; ++i) put32(strip_bytes);
  const auto ifd = static_cast<std::uint32_t>(b.size());
  const std::uint32_t entries[][4] = {{256, 4, 1, w}, {257, 4, 1, h},  {258, 3, 3, bits_at},
                                      {259, 3, 1, 1}, {262, 3, 1, 2},  {273, 4, strips, offsets_at},
                                      {277, 3, 1, 3}, {278, 4, 1, 16}, {279, 4, strips, counts_at}};
  put16(static_cast<std::uint32_t>(std::size(entries)));
  for (const auto& e : entries) {
    put16(e[0]), put16(e[1]), put32(e[2]);
    if (e[1] == 3 && e[2] == 1) {
      put16(e[3]), put16(0);
    } else {
      put32(e[3]);
    }
  }
  put32(0);
  b[0] = b[1] = 'I';
  b[2] = 42;
  for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<unsigned char>(ifd >> (8 * i));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace velmora::testing
