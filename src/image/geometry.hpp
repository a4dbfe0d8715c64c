// Picture geometry: 16.16 fixed-point numbers, integer rectangles and the 3x3
// transformation matrices pictures are drawn through.
#pragma once
#include <cstdint>

namespace velmora::image {

using Fixed = std::int32_t;  // 16.16
inline constexpr Fixed kFixedOne = 0x10000;

constexpr Fixed to_fixed(std::int32_t n) {
  return static_cast<Fixed>(static_cast<std::int64_t>(n) * kFixedOne);
}
// a / b in 16.16, rounded to the nearest; b == 0 gives the largest value of a's sign.
Fixed fixed_ratio(std::int64_t a, std::int64_t b);
Fixed fixed_mul(Fixed a, Fixed b);
// Integer part (towards minus infinity) and nearest integer.
constexpr std::int32_t fixed_floor(Fixed f) {
  return f >> 16;
}
constexpr std::int32_t fixed_round(Fixed f) {
  return static_cast<std::int32_t>((static_cast<std::int64_t>(f) + 0x8000) >> 16);
}

// Pixel rectangles; right and bottom are exclusive.
struct PixRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  constexpr std::int32_t width() const { return right - left; }
  constexpr std::int32_t height() const { return bottom - top; }
  constexpr bool empty() const { return right <= left || bottom <= top; }
  constexpr bool contains(const PixRect& r) const {
    return r.left >= left && r.top >= top && r.right <= right && r.bottom <= bottom;
  }
  friend constexpr bool operator==(const PixRect&, const PixRect&) = default;
};

PixRect intersect(const PixRect& a, const PixRect& b);  // empty rectangle when disjoint
PixRect offset(const PixRect& r, std::int32_t dx, std::int32_t dy);

// An affine matrix in the layout pictures use: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct Matrix {
  Fixed a = kFixedOne;
  Fixed b = 0;
  Fixed c = 0;
  Fixed d = kFixedOne;
  Fixed tx = 0;
  Fixed ty = 0;
  friend constexpr bool operator==(const Matrix&, const Matrix&) = default;
};

constexpr Matrix identity() {
  return Matrix{};
}
// Each of these applies its transform after m's.
Matrix translate(const Matrix& m, Fixed dx, Fixed dy);
Matrix scale(const Matrix& m, Fixed sx, Fixed sy, Fixed about_x, Fixed about_y);
Matrix rotate(const Matrix& m, std::int32_t degrees, Fixed about_x, Fixed about_y);
// First `first`, then `then`.
Matrix concat(const Matrix& first, const Matrix& then);
// False when the matrix collapses the plane (no inverse).
bool invert(const Matrix& m, Matrix& out);
// The matrix mapping `from` onto `to` exactly (independent horizontal and vertical scale).
Matrix rect_to_rect(const PixRect& from, const PixRect& to);

struct FixedPoint {
  Fixed x = 0;
  Fixed y = 0;
};
FixedPoint transform(const Matrix& m, FixedPoint p);
// The smallest pixel rectangle holding the image of r.
PixRect map_rect(const Matrix& m, const PixRect& r);

}  // namespace velmora::image
