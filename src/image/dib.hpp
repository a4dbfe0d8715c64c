// Device-independent bitmaps: BMP files and packed DIBs (a BITMAPINFOHEADER or one of
// its larger successors, the colour table, the pixel rows), read and written.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "host/errors.hpp"
#include "image/description.hpp"
#include "image/pixmap.hpp"
#include "platform/codecs.hpp"

namespace velmora::image {

// "BM" followed by a plausible file header.
bool looks_like_bmp(std::span<const std::uint8_t> bytes);

// `bytes`: a BMP file, or a packed DIB when `packed` is true.
Err describe_dib(std::span<const std::uint8_t> bytes, bool packed, Description& out);
Err read_dib(std::span<const std::uint8_t> bytes, bool packed, Pixmap& out);

// A BMP file read from `in` a band of rows at a time into the block averages, so that it
// is never held whole: reduced to cover a box (both sides > 0) and kept only where the
// window is (empty: everywhere), as the picture codecs do; uncompressed rows outside the
// window are never read, run-length coded data no longer than its pixels can need.
// `out` as the codecs give it; the errors of read_dib().
Err read_bmp(platform::CodecInput& in, std::int32_t min_width, std::int32_t min_height,
             const platform::PixelWindow& window, platform::DecodedPicture& out);

// 24 bits per pixel, bottom-up, BI_RGB; resolution in dots per inch.  With `file_header`
// the 14-byte "BM" header comes first.
Err write_dib(const Pixmap& world, Fixed hres, Fixed vres, bool file_header,
              std::vector<std::uint8_t>& out);

}  // namespace velmora::image
