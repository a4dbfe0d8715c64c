// Ratios and half-sums are 16.16 values rounded to the nearest, as the matrices are.
// The placed picture's top-left corner is then moved onto a whole pixel: a picture that
// falls between pixels would be resampled whole, blurring every pixel of it.
#include "image/transform.hpp"

#include <algorithm>
#include <cmath>

#include "image/transfer_modes.hpp"
#include "params/readers.hpp"

namespace velmora::image {

namespace {

inline constexpr std::string_view kFlipKeywords = "HORIZONTAL,VERTICAL,BOTH";
inline constexpr std::string_view kRotateKeywords = "RIGHT,LEFT";
constexpr int kFlipHorizontal = 1, kFlipVertical = 2, kFlipBoth = 3;

// Symmetric, so that every value can be negated (rotation pivots are).
Fixed saturate(std::int64_t v) {
  return static_cast<Fixed>(std::clamp<std::int64_t>(v, -INT32_MAX, INT32_MAX));
}
// Whole numbers and half-sums in 16.16, held at the largest value instead of wrapping
// (sizes, offsets and scrolls come from the parameter text).
Fixed whole(std::int64_t n) {
  return saturate(n * kFixedOne);
}
Fixed half(std::int64_t sum) {
  return saturate(sum * (kFixedOne / 2));
}

Pixel op_color_of(const params::Store& s) {
  RgbColor c{0x8000, 0x8000, 0x8000};
  params::color(s, "OPCOLOR", c);
  return rgb(static_cast<std::uint8_t>(c.red >> 8), static_cast<std::uint8_t>(c.green >> 8),
             static_cast<std::uint8_t>(c.blue >> 8), 0);
}

// WIDTH or HEIGHT: a number, or a percentage of the natural size; 0 or absent keeps it.
std::int32_t scaled_size(const params::Store& s, std::string_view key, std::int32_t natural) {
  const std::int32_t v = params::percentage(s, key, natural);
  return v == 0 ? natural : v;
}

}  // namespace

std::int32_t rotation_degrees(const params::Store& s) {
  switch (params::keyword(s, "ROTATE", kRotateKeywords)) {
    case 1:
      return 90;
    case 2:
      return 270;
    default:
      break;
  }
  const std::int32_t v = params::integer(s, "ROTATE") % 360;
  return v < 0 ? v + 360 : v;
}

Err apply_transform(const params::Store& s, std::int32_t width, std::int32_t height, DrawJob& job) {
  job.natural = PixRect{0, 0, width, height};
  job.source = job.natural;
  if (params::has(s, "TRIMRECT")) {
    Rect trim;
    if (!params::rect(s, "TRIMRECT", trim)) return kParamErr;
    job.source = intersect(PixRect{trim.left, trim.top, trim.right, trim.bottom}, job.natural);
    if (job.source.empty()) return kParamErr;
  }
  const std::int32_t w = job.source.width(), h = job.source.height();

  if (const int q = params::keyword(s, "QUALITY", kQualityKeywords); q > 0) {
    job.quality_level = kQualityLevels[q - 1];
  }
  job.mode = graphics_mode_number(params::keyword(s, "GRAPHICSMODE", kGraphicsModeKeywords));
  job.op_color = op_color_of(s);

  Matrix m = identity();
  const std::int32_t W = scaled_size(s, "WIDTH", w);
  const std::int32_t H = scaled_size(s, "HEIGHT", h);
  if (W != w || H != h) m = scale(m, fixed_ratio(W, w), fixed_ratio(H, h), 0, 0);

  if (const int flip = params::keyword(s, "FLIP", kFlipKeywords); flip > 0) {
    Matrix f = identity();
    if (flip == kFlipHorizontal || flip == kFlipBoth) {
      f.a = -f.a;
      f.tx = whole(W);
    }
    if (flip == kFlipVertical || flip == kFlipBoth) {
      f.d = -f.d;
      f.ty = whole(H);
    }
    m = concat(m, f);
  }

  if (const std::int32_t degrees = rotation_degrees(s); degrees != 0) {
    m = rotate(m, degrees, half(W), half(H));
  }
  job.matrix = m;
  return kNoErr;
}

Fixed fit_scale(DisplayMode mode, Fixed sx, Fixed sy) {
  switch (mode) {
    case DisplayMode::scale_to_fit:
      return std::min(sx, sy);
    case DisplayMode::shrink_to_fit:
      if (sx < kFixedOne && sy < kFixedOne) return std::min(sx, sy);
      if (sx >= kFixedOne) return sy >= kFixedOne ? kFixedOne : sy;
      return sx;
    case DisplayMode::enlarge_to_fit:
      if (sx > kFixedOne && sy > kFixedOne) return std::min(sx, sy);
      if (sx <= kFixedOne) return sy <= kFixedOne ? kFixedOne : sy;
      return sx;
    default:
      return kFixedOne;
  }
}

Matrix place(const Matrix& m, const PixRect& s, const PixRect& d, DisplayMode mode, Anchor anchor,
             Fixed extra_dx, Fixed extra_dy) {
  switch (mode) {
    case DisplayMode::scale_to_fit:
    case DisplayMode::shrink_to_fit:
    case DisplayMode::enlarge_to_fit: {
      const Fixed sx = fixed_ratio(d.width(), s.width());
      const Fixed sy = fixed_ratio(d.height(), s.height());
      const Fixed k = fit_scale(mode, sx, sy);
      const Fixed scx = half(std::int64_t{s.left} + s.right);
      const Fixed scy = half(std::int64_t{s.top} + s.bottom);
      Matrix r = k != kFixedOne ? scale(m, k, k, scx, scy) : m;
      return translate(r, half(std::int64_t{d.left} + d.right - s.left - s.right),
                       half(std::int64_t{d.top} + d.bottom - s.top - s.bottom));
    }
    case DisplayMode::fill:
      return concat(m, rect_to_rect(s, d));
    case DisplayMode::fullscreen:
      return m;
    case DisplayMode::anchored_default:
    case DisplayMode::anchored:
      break;
  }
  Fixed dx = 0, dy = 0;
  switch (anchor) {
    case Anchor::top_left:
      dx = whole(std::int64_t{d.left} - s.left);
      dy = whole(std::int64_t{d.top} - s.top);
      break;
    case Anchor::top_right:
      dx = whole(std::int64_t{d.right} - s.right);
      dy = whole(std::int64_t{d.top} - s.top);
      break;
    case Anchor::bottom_left:
      dx = whole(std::int64_t{d.left} - s.left);
      dy = whole(std::int64_t{d.bottom} - s.bottom);
      break;
    case Anchor::bottom_right:
      dx = whole(std::int64_t{d.right} - s.right);
      dy = whole(std::int64_t{d.bottom} - s.bottom);
      break;
    case Anchor::center_default:
    case Anchor::center:
      dx = half(std::int64_t{d.left} + d.right - s.left - s.right);
      dy = half(std::int64_t{d.top} + d.bottom - s.top - s.bottom);
      break;
  }
  return translate(m, saturate(std::int64_t{dx} + extra_dx), saturate(std::int64_t{dy} + extra_dy));
}

Matrix snap_to_pixels(const Matrix& m, std::int32_t width, std::int32_t height) {
  // The top-left corner of the mapped picture, in 16.16, exactly as the renderer sees it.
  const double a = m.a / 65536.0, b = m.b / 65536.0, c = m.c / 65536.0, d = m.d / 65536.0;
  double minx = 0, miny = 0;
  for (const double x : {0.0, static_cast<double>(width)}) {
    for (const double y : {0.0, static_cast<double>(height)}) {
      minx = std::min(minx, a * x + c * y);
      miny = std::min(miny, b * x + d * y);
    }
  }
  const double left = minx + m.tx / 65536.0, top = miny + m.ty / 65536.0;
  const double dx = std::floor(left + 0.5) - left, dy = std::floor(top + 0.5) - top;
  Matrix r = m;
  r.tx = saturate(static_cast<std::int64_t>(std::llround(m.tx + dx * 65536.0)));
  r.ty = saturate(static_cast<std::int64_t>(std::llround(m.ty + dy * 65536.0)));
  return r;
}

PixRect placed_bounds(const DrawJob& job) {
  return map_rect(job.matrix, PixRect{0, 0, job.source.width(), job.source.height()});
}

void apply_placement(const params::Store& s, const PixRect& dest, DrawJob& job) {
  job.clip = dest;
  const auto mode =
      static_cast<DisplayMode>(params::keyword(s, "DISPLAYMODE", kDisplayModeKeywords));
  const auto anchor = static_cast<Anchor>(params::keyword(s, "ANCHOR", kAnchorKeywords));
  std::int64_t extra_h = 0, extra_v = 0;
  Point p;
  if (params::point(s, "OFFSET", p)) {
    extra_h += p.h;
    extra_v += p.v;
  }
  if (params::point(s, "SCROLL", p)) {
    extra_h -= p.h;
    extra_v -= p.v;
  }
  job.matrix = snap_to_pixels(
      place(job.matrix, placed_bounds(job), dest, mode, anchor, whole(extra_h), whole(extra_v)),
      job.source.width(), job.source.height());
}

}  // namespace velmora::image
