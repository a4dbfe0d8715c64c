// Block averaging as rows arrive.  The sums of one block's run of a row are kept in
// 32 bits (a run is at most 65536 pixels, and 65536 * 255 * 255 < 2^32) so that the
// inner loop vectorises; the block sums themselves are 64-bit.
#include "platform/shared/block_reduce.hpp"

#include <algorithm>
#include <new>

namespace velmora::platform {

namespace {

// The sums for the whole result (Order::any) are held within this.
constexpr std::uint64_t kMaxSumBytes = std::uint64_t{128} << 20;
constexpr std::int32_t kMaxRun = 65536;

std::int64_t reduced(std::int64_t n, std::int32_t k) {
  return (n + k - 1) / k;
}

// The four sums of n pixels in a row.  Opaque runs (most of every photo) need no
// products: their weighted sums are 255 times the plain ones.
void sum_run(const std::uint32_t* p, std::int32_t n, std::uint64_t* s) {
  std::uint32_t all = 0xFF, a = 0, r = 0, g = 0, b = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const std::uint32_t v = p[i];
    all &= v >> 24;
    a += v >> 24;
    r += (v >> 16) & 0xFF;
    g += (v >> 8) & 0xFF;
    b += v & 0xFF;
  }
  if (all == 0xFF) {
    s[0] += a;
    s[1] += std::uint64_t{r} * 255;
    s[2] += std::uint64_t{g} * 255;
    s[3] += std::uint64_t{b} * 255;
    return;
  }
  r = g = b = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    // The products fit 16 bits, which SSE2 multiplies eight at a time.
    const std::uint32_t v = p[i];
    const auto pa = static_cast<std::uint16_t>(v >> 24);
    r += static_cast<std::uint16_t>(pa * static_cast<std::uint16_t>((v >> 16) & 0xFF));
    g += static_cast<std::uint16_t>(pa * static_cast<std::uint16_t>((v >> 8) & 0xFF));
    b += static_cast<std::uint16_t>(pa * static_cast<std::uint16_t>(v & 0xFF));
  }
  s[0] += a;
  s[1] += r;
  s[2] += g;
  s[3] += b;
}

}  // namespace

std::int32_t block_factor(std::int64_t width, std::int64_t height, std::int32_t box_w,
                          std::int32_t box_h) {
  if (box_w <= 0 || box_h <= 0 || width <= 0 || height <= 0) return 1;
  const std::int64_t k = std::min(width / box_w, height / box_h);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(k, 1, 0x7FFFFFFF));
}

namespace {

// The blocks of size k a window touches, clipped to the picture: [b0, b1) each way.
struct Blocks {
  std::int64_t x0, y0, x1, y1;
};

Blocks blocks_of(std::int32_t width, std::int32_t height, std::int32_t k,
                 const PixelWindow& window) {
  Blocks b{0, 0, reduced(width, k), reduced(height, k)};
  if (window.empty()) return b;
  const std::int64_t left = std::clamp<std::int64_t>(window.left, 0, width);
  const std::int64_t right = std::clamp<std::int64_t>(window.right, 0, width);
  const std::int64_t top = std::clamp<std::int64_t>(window.top, 0, height);
  const std::int64_t bottom = std::clamp<std::int64_t>(window.bottom, 0, height);
  // A window that misses the picture keeps all of it.
  if (right <= left || bottom <= top) return b;
  return Blocks{left / k, top / k, reduced(right, k), reduced(bottom, k)};
}

}  // namespace

CodecStatus BlockReducer::start(std::int32_t width, std::int32_t height, std::int32_t k,
                                Order order, DecodedPicture& out, std::uint32_t fill,
                                const PixelWindow& window) {
  if (width <= 0 || height <= 0) return CodecStatus::bad_data;
  k = std::max(k, 1);
  Blocks b = blocks_of(width, height, k, window);
  // At k = 1 the pixels go straight into the result and nothing is summed.
  if (order == Order::any && k > 1) {
    while (static_cast<std::uint64_t>(b.x1 - b.x0) * static_cast<std::uint64_t>(b.y1 - b.y0) * 4 *
               sizeof(std::uint64_t) >
           kMaxSumBytes) {
      k = k < 0x40000000 ? k * 2 : 0x7FFFFFFF;
      b = blocks_of(width, height, k, window);
    }
  }
  const std::int64_t ow = b.x1 - b.x0, oh = b.y1 - b.y0;
  if (ow * oh > kMaxDecodedPixels) return CodecStatus::no_memory;
  width_ = width;
  height_ = height;
  k_ = k;
  order_ = order;
  band_ = -1;
  out_ = &out;
  bx0_ = static_cast<std::int32_t>(b.x0);
  by0_ = static_cast<std::int32_t>(b.y0);
  x_lo_ = static_cast<std::int32_t>(b.x0 * k);
  y_lo_ = static_cast<std::int32_t>(b.y0 * k);
  x_hi_ = static_cast<std::int32_t>(std::min<std::int64_t>(width, b.x1 * k));
  y_hi_ = static_cast<std::int32_t>(std::min<std::int64_t>(height, b.y1 * k));
  try {
    const std::int64_t summed = k == 1 ? 0 : order == Order::any ? ow * oh : ow;
    sums_.assign(static_cast<std::size_t>(summed) * 4, 0);
    out.pixels.assign(static_cast<std::size_t>(ow * oh), fill);
  } catch (const std::bad_alloc&) {
    sums_.clear();
    return CodecStatus::no_memory;
  }
  out.width = static_cast<std::int32_t>(ow);
  out.height = static_cast<std::int32_t>(oh);
  out.left = bx0_;
  out.top = by0_;
  out.whole_width = static_cast<std::int32_t>(reduced(width, k));
  out.whole_height = static_cast<std::int32_t>(reduced(height, k));
  return CodecStatus::ok;
}

std::uint64_t* BlockReducer::sums_for(std::int32_t y) {
  const std::int32_t band = y / k_;
  if (order_ == Order::any)
    return sums_.data() +
           static_cast<std::size_t>(band - by0_) * static_cast<std::size_t>(out_->width) * 4;
  if (band != band_) {
    if (band_ >= 0) flush(band_);
    std::fill(sums_.begin(), sums_.end(), 0);
    band_ = band;
  }
  return sums_.data();
}

std::int32_t BlockReducer::pixels_kept(std::int32_t y, std::int32_t x0, std::int32_t dx,
                                       std::int32_t n, std::int32_t& skip) const {
  skip = 0;
  if (out_ == nullptr || y < y_lo_ || y >= y_hi_ || dx <= 0 || n <= 0) return 0;
  std::int64_t first = 0;
  if (x0 < x_lo_) first = (static_cast<std::int64_t>(x_lo_) - x0 + dx - 1) / dx;
  const std::int64_t x = x0 + first * dx;
  if (first >= n || x >= x_hi_) return 0;
  skip = static_cast<std::int32_t>(first);
  return static_cast<std::int32_t>(std::min<std::int64_t>(n - first, (x_hi_ - 1 - x) / dx + 1));
}

void BlockReducer::add(std::int32_t y, const std::uint32_t* pixels, std::int32_t x0,
                       std::int32_t dx, std::int32_t n) {
  std::int32_t skip = 0;
  n = pixels_kept(y, x0, dx, n, skip);
  if (n == 0) return;
  pixels += skip;
  x0 += skip * dx;
  if (k_ == 1) {
    std::uint32_t* row =
        out_->pixels.data() + static_cast<std::size_t>(y - y_lo_) * out_->width + (x0 - x_lo_);
    for (std::int32_t i = 0; i < n; ++i) row[static_cast<std::int64_t>(i) * dx] = pixels[i];
    return;
  }
  std::uint64_t* sums = sums_for(y);
  if (dx == 1) {
    // Block by block: one run of at most k pixels of the row falls into each.
    std::int32_t x = x0;
    for (std::int32_t i = 0; i < n;) {
      const std::int32_t ox = x / k_;
      const std::int64_t block_end = (static_cast<std::int64_t>(ox) + 1) * k_;
      const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(
          {static_cast<std::int64_t>(n - i), block_end - x, std::int64_t{kMaxRun}}));
      sum_run(pixels + i, run, sums + static_cast<std::size_t>(ox - bx0_) * 4);
      i += run;
      x += run;
    }
    return;
  }
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int64_t x = x0 + static_cast<std::int64_t>(i) * dx;
    sum_run(pixels + i, 1, sums + static_cast<std::size_t>(x / k_ - bx0_) * 4);
  }
}

void BlockReducer::add_rgb(std::int32_t y, const std::uint8_t* rgb, std::int32_t x0,
                           std::int32_t dx, std::int32_t n) {
  std::int32_t skip = 0;
  n = pixels_kept(y, x0, dx, n, skip);
  if (n == 0) return;
  rgb += static_cast<std::size_t>(skip) * 3;
  x0 += skip * dx;
  if (k_ == 1) {
    std::uint32_t* row =
        out_->pixels.data() + static_cast<std::size_t>(y - y_lo_) * out_->width + (x0 - x_lo_);
    for (std::int32_t i = 0; i < n; ++i, rgb += 3)
      row[static_cast<std::int64_t>(i) * dx] =
          0xFF000000u | (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
    return;
  }
  std::uint64_t* sums = sums_for(y);
  auto add_sums = [](std::uint64_t* s, std::uint64_t count, std::uint32_t r, std::uint32_t g,
                     std::uint32_t b) {
    s[0] += 255 * count;
    s[1] += std::uint64_t{r} * 255;
    s[2] += std::uint64_t{g} * 255;
    s[3] += std::uint64_t{b} * 255;
  };
  if (dx != 1) {
    for (std::int32_t i = 0; i < n; ++i, rgb += 3) {
      const std::int64_t x = x0 + static_cast<std::int64_t>(i) * dx;
      add_sums(sums + static_cast<std::size_t>(x / k_ - bx0_) * 4, 1, rgb[0], rgb[1], rgb[2]);
    }
    return;
  }
  std::int32_t x = x0;
  for (std::int32_t i = 0; i < n;) {
    const std::int32_t ox = x / k_;
    const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(
        {static_cast<std::int64_t>(n - i), (static_cast<std::int64_t>(ox) + 1) * k_ - x,
         std::int64_t{kMaxRun}}));
    std::uint32_t r = 0, g = 0, b = 0;
    const std::uint8_t* p = rgb + static_cast<std::size_t>(i) * 3;
    for (std::int32_t j = 0; j < run; ++j) {
      r += p[3 * j];
      g += p[3 * j + 1];
      b += p[3 * j + 2];
    }
    add_sums(sums + static_cast<std::size_t>(ox - bx0_) * 4, static_cast<std::uint64_t>(run), r, g,
             b);
    i += run;
    x += run;
  }
}

void BlockReducer::flush(std::int32_t band) {
  const std::int32_t ow = out_->width;
  const std::uint64_t* sums = sums_.data();
  if (order_ == Order::any)
    sums += static_cast<std::size_t>(band - by0_) * static_cast<std::size_t>(ow) * 4;
  const std::int64_t top = static_cast<std::int64_t>(band) * k_;
  const std::uint64_t rows = static_cast<std::uint64_t>(std::min<std::int64_t>(k_, height_ - top));
  std::uint32_t* dst = out_->pixels.data() + static_cast<std::size_t>(band - by0_) * ow;
  for (std::int32_t i = 0; i < ow; ++i) {
    const std::uint64_t* s = sums + static_cast<std::size_t>(i) * 4;
    const std::int64_t left = static_cast<std::int64_t>(bx0_ + i) * k_;
    const std::uint64_t count =
        rows * static_cast<std::uint64_t>(std::min<std::int64_t>(k_, width_ - left));
    const std::uint64_t a = (s[0] + count / 2) / count;
    auto c = [&](std::uint64_t v) { return s[0] == 0 ? 0 : (v + s[0] / 2) / s[0]; };
    dst[i] = static_cast<std::uint32_t>((a << 24) | (c(s[1]) << 16) | (c(s[2]) << 8) | c(s[3]));
  }
}

void BlockReducer::finish() {
  if (out_ == nullptr) return;
  if (k_ > 1 && order_ == Order::bands && band_ >= 0) flush(band_);
  if (k_ > 1 && order_ == Order::any) {
    for (std::int32_t band = by0_; band < by0_ + out_->height; ++band) flush(band);
  }
  band_ = -1;
  out_ = nullptr;
  sums_.clear();
  sums_.shrink_to_fit();
}

}  // namespace velmora::platform
