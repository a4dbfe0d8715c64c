// Resampling by area averaging: every destination pixel is the mean of the source area
// it covers, weighted by how much of each source pixel falls inside.  The quality choice
// for large reductions (thumbnails), where picking single pixels would alias.
#pragma once
#include <cstdint>

#include "host/errors.hpp"
#include "image/pixmap.hpp"

namespace velmora::image {

// `out` becomes a world over (0, 0, width, height) holding `src` scaled to that size.
// -50 for an empty source or size, -108 when memory runs out.
Err area_resample(const Pixmap& src, std::int32_t width, std::int32_t height, Pixmap& out);

}  // namespace velmora::image
