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

// The size of the thumbnail of a width x height picture in a box: one scale for both
// sides, the smaller of the two box ratios, never enlarging; each side at least 1.
PixRect thumbnail_size(std::int64_t width, std::int64_t height, std::int32_t box_w,
                       std::int32_t box_h);

}  // namespace velmora::image
