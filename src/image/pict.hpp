// PICT pictures: recording a world as a version 2 picture (one DirectBitsRect of its
// bounds onto themselves) and reading pictures made of the common bitmap opcodes.
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

// The picture record (no header area).  -50 when the bounds do not fit the 16-bit
// coordinates of a picture, -108 when memory runs out.
Err write_pict(const Pixmap& world, Fixed hres, Fixed vres, std::vector<std::uint8_t>& out,
               std::uint16_t mode = kDitherCopy);

// True when the bytes hold a picture record, with or without the header area.
bool looks_like_pict(std::span<const std::uint8_t> bytes);
// Frame, resolution and depth of the first bitmap, without drawing.
Err describe_pict(std::span<const std::uint8_t> bytes, Description& out);
// Draws every bitmap opcode into a white world over the picture's frame.
Err read_pict(std::span<const std::uint8_t> bytes, Pixmap& out);

}  // namespace velmora::image
