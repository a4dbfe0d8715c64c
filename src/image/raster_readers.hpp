// Readers for the picture files SaveImage writes by hand and that no codec library of
// the platform reads: Targa, SGI image, Photoshop (the flat composite) and the picture
// layer's own image file (an image description and its data, handed to the codecs).
#pragma once
#include <cstdint>
#include <span>

#include "host/errors.hpp"
#include "image/description.hpp"
#include "image/pixmap.hpp"
#include "platform/codecs.hpp"

namespace velmora::image {

enum class RasterFormat { tga, sgi, psd, qtif };

// Formats that announce themselves in their first bytes (SGI, Photoshop, image file).
bool sniff_raster_magic(std::span<const std::uint8_t> head, RasterFormat& out);
// Targa has no signature: a header whose every field is one the format allows.  Asked
// only after every other kind has declined.
bool sniff_tga(std::span<const std::uint8_t> head);

// From the headers only.  -8969 damaged or cut short, -8962 a variant not read.
Err describe_raster(RasterFormat format, platform::CodecInput& in, Description& out);
// With a box (both > 0) an image file's inner picture may decode smaller, as the codecs do.
Err decode_raster(RasterFormat format, platform::CodecInput& in, std::int32_t min_width,
                  std::int32_t min_height, Pixmap& out);

}  // namespace velmora::image
