// The library backends behind platform/encoders.hpp, and the colour reduction they share.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/encoders.hpp"

namespace velmora::platform::encoders {

EncodeStatus jpeg_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out);
EncodeStatus png_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out);
EncodeStatus tiff_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out);
EncodeStatus gif_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out);

// Pixels as indices into a palette of 0x00RRGGBB colours.
struct Indexed {
  std::vector<std::uint8_t> indices;  // one a pixel
  std::vector<std::uint32_t> palette;
};

// Reduces the picture to at most 2^bits (1..8) colours: 1 bit is black and white,
// 2..8 bits are the picture's own colours when it has few enough, else a median-cut
// palette whose entries are the means of the pixels they stand for.  With `grey`, the
// palette is 2^bits evenly spaced grey levels.  False when memory runs out.
bool reduce_colours(const EncodeRequest& r, int bits, bool grey, Indexed& out);

// The grey level of a pixel (ITU-R BT.601 weights).
inline std::uint8_t luminance(std::uint32_t p) {
  const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return static_cast<std::uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

// A component kept at five bits, spread back over eight (0x1F -> 0xFF).
inline std::uint8_t five_bits(std::uint8_t c) {
  const std::uint8_t v = c >> 3;
  return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

// Bits of colour index a depth asks for (1..8), 0 for direct colour.
inline int index_bits(std::int16_t depth) {
  return depth >= 1 && depth <= 8 ? depth : 0;
}
// Bits of grey a depth asks for (2, 4, 8), 0 for colour.
inline int grey_bits(std::int16_t depth) {
  return depth > 32 ? depth - 32 : 0;
}

// Packs one row of indices or grey levels of `bits` each, most significant first.
void pack_row(const std::uint8_t* values, std::int32_t width, int bits, std::uint8_t* out);

}  // namespace velmora::platform::encoders
