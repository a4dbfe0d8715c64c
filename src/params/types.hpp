// Value types of the parameter language: points, rectangles and colours.
#pragma once
#include <cstdint>

namespace velmora {

struct Point {
  std::int16_t v = 0;
  std::int16_t h = 0;
};

struct Rect {
  std::int16_t top = 0;
  std::int16_t left = 0;
  std::int16_t bottom = 0;
  std::int16_t right = 0;
};

// An 8-bit component c is stored as c * 257.
struct RgbColor {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
};

constexpr bool is_empty(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

}  // namespace velmora
