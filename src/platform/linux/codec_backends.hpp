// The library backends behind platform/codecs.hpp.
#pragma once
#include <cmath>
#include <new>

#include "platform/codecs.hpp"

namespace velmora::platform::codecs {

CodecStatus jpeg_probe(CodecInput& in, int index, CodecProbe& out);
CodecStatus jpeg_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                        const PixelWindow& window, DecodedPicture& out);
CodecStatus png_probe(CodecInput& in, int index, CodecProbe& out);
CodecStatus png_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                       const PixelWindow& window, DecodedPicture& out);
CodecStatus tiff_probe(CodecInput& in, int index, CodecProbe& out);
CodecStatus tiff_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                        const PixelWindow& window, DecodedPicture& out);
CodecStatus gif_probe(CodecInput& in, int index, CodecProbe& out);
CodecStatus gif_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                       const PixelWindow& window, DecodedPicture& out);

// Dots per inch as 16.16, from a count per unit length in inches.
inline std::int32_t dpi_fixed(double per_inch) {
  if (!(per_inch > 0)) return 72 << 16;
  if (per_inch > 32767) per_inch = 32767;
  return static_cast<std::int32_t>(std::llround(per_inch * 65536.0));
}

inline bool too_big(std::int64_t w, std::int64_t h) {
  return w <= 0 || h <= 0 || w * h > kMaxDecodedPixels;
}

// Sizes the pixel buffer; false when memory runs out.
inline bool allocate(DecodedPicture& out, std::int32_t w, std::int32_t h) {
  try {
    out.pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFFFFFFFFu);
  } catch (const std::bad_alloc&) {
    return false;
  }
  out.width = w;
  out.height = h;
  return true;
}

}  // namespace velmora::platform::codecs
