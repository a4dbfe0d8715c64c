// 32-bit pixmaps ("offscreen worlds"): a rectangle in some coordinate space and one
// 0xAARRGGBB word per pixel, rows top to bottom.
#pragma once
#include <cstdint>
#include <vector>

#include "host/errors.hpp"
#include "image/geometry.hpp"

namespace velmora::image {

using Pixel = std::uint32_t;  // 0xAARRGGBB
inline constexpr Pixel kWhite = 0xFFFFFFFF;
inline constexpr Pixel kBlack = 0xFF000000;

constexpr Pixel rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 0xFF) {
  return (Pixel{a} << 24) | (Pixel{r} << 16) | (Pixel{g} << 8) | Pixel{b};
}
constexpr std::uint8_t red(Pixel p) {
  return static_cast<std::uint8_t>(p >> 16);
}
constexpr std::uint8_t green(Pixel p) {
  return static_cast<std::uint8_t>(p >> 8);
}
constexpr std::uint8_t blue(Pixel p) {
  return static_cast<std::uint8_t>(p);
}
constexpr std::uint8_t alpha(Pixel p) {
  return static_cast<std::uint8_t>(p >> 24);
}

// Pictures larger than this many pixels (1 GiB of pixel words) are refused as too big
// for memory rather than attempted.
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

class Pixmap {
 public:
  Pixmap() = default;

  // A world over `bounds`, every pixel `fill`.  -50 for an empty rectangle, -108 when
  // it is too large or memory runs out.
  Err create(const PixRect& bounds, Pixel fill = kWhite);

  const PixRect& bounds() const { return bounds_; }
  std::int32_t width() const { return bounds_.width(); }
  std::int32_t height() const { return bounds_.height(); }
  bool empty() const { return pixels_.empty(); }

  // Rows by index from the top (0 .. height-1), not by coordinate.
  Pixel* row(std::int32_t y) { return pixels_.data() + static_cast<std::size_t>(y) * width(); }
  const Pixel* row(std::int32_t y) const {
    return pixels_.data() + static_cast<std::size_t>(y) * width();
  }
  // By coordinate; the point must lie inside the bounds.
  Pixel at(std::int32_t x, std::int32_t y) const { return row(y - bounds_.top)[x - bounds_.left]; }
  void set(std::int32_t x, std::int32_t y, Pixel p) { row(y - bounds_.top)[x - bounds_.left] = p; }

  // Takes over `pixels` (width x height of `bounds`, rows top to bottom) as the world's
  // pixels, without a copy.  -50 when their number does not match the bounds.
  Err adopt(const PixRect& bounds, std::vector<Pixel>&& pixels);

  // Fills the part of r inside the bounds.
  void fill(const PixRect& r, Pixel p);
  void erase(Pixel p) { fill(bounds_, p); }
  // Moves the coordinate space without touching the pixels.
  void set_origin(std::int32_t left, std::int32_t top);

  const std::vector<Pixel>& pixels() const { return pixels_; }

 private:
  PixRect bounds_;
  std::vector<Pixel> pixels_;
};

// Copies src_rect of src onto dst_rect of dst (nearest pixel when the sizes differ),
// clipped to both pixmaps.
void copy_bits(const Pixmap& src, const PixRect& src_rect, Pixmap& dst, const PixRect& dst_rect);

}  // namespace velmora::image
