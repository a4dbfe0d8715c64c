// What a picture reader tells about a picture without drawing it: the facts of the
// picture layer's image description.
#pragma once
#include <cstdint>

#include "image/geometry.hpp"

namespace velmora::image {

struct Description {
  PixRect bounds;             // natural bounds
  std::int16_t depth = 32;    // 1..32 colour; 34, 36, 40 grey scales of 2, 4, 8 bits
  Fixed hres = to_fixed(72);  // pixels per inch
  Fixed vres = to_fixed(72);
  std::int16_t clut_id = -1;  // -1: no colour table
  std::int32_t image_count = 1;
};

// A resolution in pixels per metre (the unit of BMP and PNG) as dots per inch, or 72
// when the picture does not say.
Fixed resolution_from_per_metre(std::uint32_t per_metre);

}  // namespace velmora::image
