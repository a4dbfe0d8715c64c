// Fixed-point arithmetic saturates instead of wrapping, so a wild matrix yields a wild
// but well-defined rectangle that the clipping downstream discards.
#include "image/geometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace velmora::image {

namespace {

constexpr std::int64_t kFixedMax = std::numeric_limits<Fixed>::max();
constexpr std::int64_t kFixedMin = std::numeric_limits<Fixed>::min();

Fixed saturate(std::int64_t v) {
  return static_cast<Fixed>(std::clamp(v, kFixedMin, kFixedMax));
}

// Rounded a*b/65536 on 64 bits; the product of two 32-bit values cannot overflow.
std::int64_t mul64(std::int64_t a, std::int64_t b) {
  const std::int64_t p = a * b;
  return p >= 0 ? (p + 0x8000) >> 16 : -((-p + 0x8000) >> 16);
}

std::int32_t clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

Fixed fixed_ratio(std::int64_t a, std::int64_t b) {
  if (b == 0) return a < 0 ? static_cast<Fixed>(kFixedMin) : static_cast<Fixed>(kFixedMax);
  // Guard the shift: beyond this the answer saturates anyway.
  constexpr std::int64_t kLimit = std::int64_t{1} << 46;
  if (a > kLimit || a < -kLimit)
    return (a < 0) != (b < 0) ? static_cast<Fixed>(kFixedMin) : static_cast<Fixed>(kFixedMax);
  const std::int64_t num = a * kFixedOne;
  const bool negative = (num < 0) != (b < 0);
  const std::int64_t an = num < 0 ? -num : num;
  const std::int64_t bn = b < 0 ? -b : b;
  const std::int64_t q = (an + bn / 2) / bn;
  return saturate(negative ? -q : q);
}

Fixed fixed_mul(Fixed a, Fixed b) {
  return saturate(mul64(a, b));
}

PixRect intersect(const PixRect& a, const PixRect& b) {
  PixRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (r.empty()) return PixRect{};
  return r;
}

PixRect offset(const PixRect& r, std::int32_t dx, std::int32_t dy) {
  return PixRect{clamp32(std::int64_t{r.left} + dx), clamp32(std::int64_t{r.top} + dy),
                 clamp32(std::int64_t{r.right} + dx), clamp32(std::int64_t{r.bottom} + dy)};
}

Matrix concat(const Matrix& m, const Matrix& n) {
  Matrix r;
  r.a = saturate(mul64(m.a, n.a) + mul64(m.b, n.c));
  r.b = saturate(mul64(m.a, n.b) + mul64(m.b, n.d));
  r.c = saturate(mul64(m.c, n.a) + mul64(m.d, n.c));
  r.d = saturate(mul64(m.c, n.b) + mul64(m.d, n.d));
  r.tx = saturate(mul64(m.tx, n.a) + mul64(m.ty, n.c) + n.tx);
  r.ty = saturate(mul64(m.tx, n.b) + mul64(m.ty, n.d) + n.ty);
  return r;
}

Matrix translate(const Matrix& m, Fixed dx, Fixed dy) {
  Matrix r = m;
  r.tx = saturate(std::int64_t{m.tx} + dx);
  r.ty = saturate(std::int64_t{m.ty} + dy);
  return r;
}

Matrix scale(const Matrix& m, Fixed sx, Fixed sy, Fixed about_x, Fixed about_y) {
  Matrix s;
  s.a = sx;
  s.d = sy;
  s.tx = saturate(about_x - mul64(about_x, sx));
  s.ty = saturate(about_y - mul64(about_y, sy));
  return concat(m, s);
}

Matrix rotate(const Matrix& m, std::int32_t degrees, Fixed about_x, Fixed about_y) {
  degrees %= 360;
  if (degrees < 0) degrees += 360;
  Fixed cosv = 0;
  Fixed sinv = 0;
  // Quarter turns exactly; other angles through the floating-point functions.
  switch (degrees) {
    case 0:
      cosv = kFixedOne;
      break;
    case 90:
      sinv = kFixedOne;
      break;
    case 180:
      cosv = -kFixedOne;
      break;
    case 270:
      sinv = -kFixedOne;
      break;
    default: {
      const double rad = degrees * std::numbers::pi / 180.0;
      cosv = static_cast<Fixed>(std::lround(std::cos(rad) * kFixedOne));
      sinv = static_cast<Fixed>(std::lround(std::sin(rad) * kFixedOne));
    }
  }
  // Screen coordinates grow downwards, so a positive angle turns clockwise.
  Matrix r;
  r.a = cosv;
  r.b = sinv;
  r.c = -sinv;
  r.d = cosv;
  // Negated in 64 bits: the most negative pivot has no 32-bit negation.
  Matrix result = translate(m, saturate(-std::int64_t{about_x}), saturate(-std::int64_t{about_y}));
  result = concat(result, r);
  return translate(result, about_x, about_y);
}

bool invert(const Matrix& m, Matrix& out) {
  // Determinant in 32.32 to keep its precision.
  const double det =
      (static_cast<double>(m.a) * m.d - static_cast<double>(m.b) * m.c) / (65536.0 * 65536.0);
  if (std::fabs(det) < 1.0 / 65536.0) return false;
  const double a = m.a / 65536.0, b = m.b / 65536.0, c = m.c / 65536.0, d = m.d / 65536.0;
  const double tx = m.tx / 65536.0, ty = m.ty / 65536.0;
  auto fx = [](double v) { return saturate(std::llround(v * 65536.0)); };
  out.a = fx(d / det);
  out.b = fx(-b / det);
  out.c = fx(-c / det);
  out.d = fx(a / det);
  out.tx = fx((c * ty - d * tx) / det);
  out.ty = fx((b * tx - a * ty) / det);
  return true;
}

Matrix rect_to_rect(const PixRect& from, const PixRect& to) {
  Matrix r;
  r.a = fixed_ratio(to.width(), from.width());
  r.d = fixed_ratio(to.height(), from.height());
  r.tx =
      saturate(std::int64_t{to.left} * kFixedOne - mul64(std::int64_t{from.left} * kFixedOne, r.a));
  r.ty =
      saturate(std::int64_t{to.top} * kFixedOne - mul64(std::int64_t{from.top} * kFixedOne, r.d));
  return r;
}

FixedPoint transform(const Matrix& m, FixedPoint p) {
  return FixedPoint{saturate(mul64(p.x, m.a) + mul64(p.y, m.c) + m.tx),
                    saturate(mul64(p.x, m.b) + mul64(p.y, m.d) + m.ty)};
}

PixRect map_rect(const Matrix& m, const PixRect& r) {
  // In floating point: pictures wider than the 16.16 range (32767 pixels) still map.
  const double a = m.a / 65536.0, b = m.b / 65536.0, c = m.c / 65536.0, d = m.d / 65536.0;
  const double tx = m.tx / 65536.0, ty = m.ty / 65536.0;
  const double xs[2] = {static_cast<double>(r.left), static_cast<double>(r.right)};
  const double ys[2] = {static_cast<double>(r.top), static_cast<double>(r.bottom)};
  double minx = 0, maxx = 0, miny = 0, maxy = 0;
  bool first = true;
  for (double x : xs) {
    for (double y : ys) {
      const double px = a * x + c * y + tx, py = b * x + d * y + ty;
      minx = first ? px : std::min(minx, px);
      maxx = first ? px : std::max(maxx, px);
      miny = first ? py : std::min(miny, py);
      maxy = first ? py : std::max(maxy, py);
      first = false;
    }
  }
  // Round each edge to the nearest pixel boundary (halves up, as the fixed-point
  // rounding does).
  auto edge = [](double v) {
    return static_cast<std::int32_t>(std::clamp(std::floor(v + 0.5), -2147483647.0, 2147483647.0));
  };
  return PixRect{edge(minx), edge(miny), edge(maxx), edge(maxy)};
}

}  // namespace velmora::image
