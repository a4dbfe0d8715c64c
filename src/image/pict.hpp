// PICT pictures: recording a world as a version 2 picture (one bitmap of its bounds
// onto themselves, at the world's depth) and reading pictures made of the common bitmap opcodes.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "host/errors.hpp"
#include "image/description.hpp"
#include "image/pixmap.hpp"

namespace velmora::image {

// A PICT file carries this many meaningless bytes in front of the picture record.
inline constexpr std::size_t kPictHeaderArea = 512;
// The transfer mode a recording copies with.
inline constexpr std::uint16_t kDitherCopy = 64;

// The picture record (no header area) of the world at a world depth: 32 direct
// colour, 16 five bits per colour, 1 to 8 and the grey scales 34, 36 and 40 colour
// indexes (when the world uses no more colours than they hold; else direct colour).  -50 when the
// bounds do not fit the 16-bit coordinates of a picture, -108 when memory runs out.
Err write_pict(const Pixmap& world, Fixed hres, Fixed vres, std::vector<std::uint8_t>& out,
               std::uint16_t mode = kDitherCopy, std::int16_t depth = 32);

// True when a picture of this size can be recorded (its frame fits 16-bit coordinates):
// callers ask before decoding, so a picture that cannot be recorded costs nothing.
bool pict_can_hold(std::int64_t width, std::int64_t height);

// True when the bytes hold a picture record, with or without the header area.
bool looks_like_pict(std::span<const std::uint8_t> bytes);
// Frame, resolution and depth of the first bitmap, without drawing.
Err describe_pict(std::span<const std::uint8_t> bytes, Description& out);
// How many of the bytes the picture takes, through its end opcode (counted from the
// start of `bytes`); false when they end before it or hold no picture.
bool pict_length(std::span<const std::uint8_t> bytes, std::size_t& length);
// Draws every bitmap opcode into a white world over the picture's frame.
Err read_pict(std::span<const std::uint8_t> bytes, Pixmap& out);

}  // namespace velmora::image
