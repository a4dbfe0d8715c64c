#include "image/pixmap.hpp"

#include <algorithm>
#include <new>

namespace velmora::image {

Err Pixmap::create(const PixRect& bounds, Pixel fill_value) {
  if (bounds.empty()) return kParamErr;
  const std::int64_t count = std::int64_t{bounds.width()} * bounds.height();
  if (count > kMaxPixels) return kMemFull;
  try {
    pixels_.assign(static_cast<std::size_t>(count), fill_value);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    bounds_ = PixRect{};
    return kMemFull;
  }
  bounds_ = bounds;
  return kNoErr;
}

Err Pixmap::adopt(const PixRect& bounds, std::vector<Pixel>&& pixels) {
  if (bounds.empty() || pixels.size() != static_cast<std::size_t>(bounds.width()) *
                                             static_cast<std::size_t>(bounds.height()))
    return kParamErr;
  pixels_ = std::move(pixels);
  bounds_ = bounds;
  return kNoErr;
}

void Pixmap::fill(const PixRect& r, Pixel p) {
  const PixRect part = intersect(r, bounds_);
  if (part.empty()) return;
  for (std::int32_t y = part.top; y < part.bottom; ++y) {
    Pixel* line = row(y - bounds_.top);
    std::fill(line + (part.left - bounds_.left), line + (part.right - bounds_.left), p);
  }
}

void Pixmap::set_origin(std::int32_t left, std::int32_t top) {
  bounds_ = PixRect{left, top, left + bounds_.width(), top + bounds_.height()};
}

void copy_bits(const Pixmap& src, const PixRect& src_rect, Pixmap& dst, const PixRect& dst_rect) {
  if (src.empty() || dst.empty() || src_rect.empty() || dst_rect.empty()) return;
  const PixRect target = intersect(dst_rect, dst.bounds());
  if (target.empty()) return;
  const std::int64_t sw = src_rect.width(), sh = src_rect.height();
  const std::int64_t dw = dst_rect.width(), dh = dst_rect.height();
  for (std::int32_t y = target.top; y < target.bottom; ++y) {
    // Sample at the pixel centre.
    const std::int64_t sy = src_rect.top + ((2 * (y - dst_rect.top) + 1) * sh) / (2 * dh);
    if (sy < src.bounds().top || sy >= src.bounds().bottom) continue;
    const Pixel* in = src.row(static_cast<std::int32_t>(sy - src.bounds().top));
    Pixel* out = dst.row(y - dst.bounds().top);
    for (std::int32_t x = target.left; x < target.right; ++x) {
      const std::int64_t sx = src_rect.left + ((2 * (x - dst_rect.left) + 1) * sw) / (2 * dw);
      if (sx < src.bounds().left || sx >= src.bounds().right) continue;
      out[x - dst.bounds().left] = in[sx - src.bounds().left];
    }
  }
}

}  // namespace velmora::image
