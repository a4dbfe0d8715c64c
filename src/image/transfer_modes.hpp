// Transfer modes: how a drawn picture's pixels combine with what is already there.
// Modes keep the picture layer's numbering (0 copy ... 64 dither copy, 256.. alpha).
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "image/pixmap.hpp"

namespace velmora::image {

// The GRAPHICSMODE keywords, in the order their 1-based positions are read.
inline constexpr std::string_view kGraphicsModeKeywords =
    "SRCCOPY,SRCOR,SRCXOR,SRCBIC,NOTSRCCOPY,NOTSRCOR,NOTSRCXOR,NOTSRCBIC,blend,addPin,addOver,"
    "subPin,transparent,adMax,subOver,adMin,StraightAlpha,PreWhiteAlpha,PreBlackAlpha,"
    "Composition,StraightAlphaBlend,PreMulColorAlpha,grayishTextOr,hilite,ditherCopy,addMax,"
    "addMin";

inline constexpr std::array<std::int16_t, 27> kGraphicsModeNumbers = {
    0,  1,  2,   3,   4,   5,   6,   7,   32, 33, 34, 35, 36, 37,
    38, 39, 256, 257, 258, 259, 260, 261, 49, 50, 64, 37, 39};

inline constexpr std::int16_t kSrcCopy = 0;

// The mode number for a keyword position; copy for 0 or a position past the list.
constexpr std::int16_t graphics_mode_number(int position) {
  if (position < 1 || position > static_cast<int>(kGraphicsModeNumbers.size())) return kSrcCopy;
  return kGraphicsModeNumbers[static_cast<std::size_t>(position - 1)];
}

// Combines n source pixels into n destination pixels.  `op` is the operand colour
// (0x00RRGGBB).  The destination keeps its own alpha byte.
using BlendRow = void (*)(const Pixel* src, Pixel* dst, std::int32_t n, Pixel op);

// The row function of a mode; unknown modes copy.
BlendRow blend_for(std::int32_t mode);

// One pixel through a mode: for tests and for callers with single pixels.
Pixel blend_pixel(std::int32_t mode, Pixel src, Pixel dst, Pixel op);

}  // namespace velmora::image
