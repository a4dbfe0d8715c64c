// Area averaging in two passes (rows, then columns).  Positions are kept in integers by
// measuring both scales in units of 1/(source size * destination size): source pixel i
// spans [i*dst, (i+1)*dst) and destination pixel j spans [j*src, (j+1)*src).
#include "image/area_reduce.hpp"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace velmora::image {

namespace {

using Sums = std::array<std::uint64_t, 4>;

// Colours are weighted by their alpha, so that what a transparent pixel hides never
// bleeds into its neighbours; the mean is a straight (not premultiplied) colour again.
void add(Sums& s, Pixel p, std::uint64_t weight) {
  const std::uint64_t a = alpha(p);
  const std::uint64_t wa = weight * a;
  s[0] += wa;
  s[1] += wa * red(p);
  s[2] += wa * green(p);
  s[3] += wa * blue(p);
}

Pixel mean(const Sums& s, std::uint64_t total) {
  const auto a = static_cast<std::uint8_t>((s[0] + total / 2) / total);
  if (s[0] == 0) return rgb(0, 0, 0, 0);
  auto c = [&](std::uint64_t v) { return static_cast<std::uint8_t>((v + s[0] / 2) / s[0]); };
  return rgb(c(s[1]), c(s[2]), c(s[3]), a);
}

// Resamples `count` lines of `src_n` samples (`src_step` apart within a line, `src_line`
// apart between lines) onto lines of `dst_n` samples.
void resample_lines(const Pixel* src, std::int64_t src_n, std::int64_t src_step,
                    std::int64_t src_line, Pixel* dst, std::int64_t dst_n, std::int64_t dst_step,
                    std::int64_t dst_line, std::int64_t count) {
  for (std::int64_t line = 0; line < count; ++line) {
    const Pixel* s = src + line * src_line;
    Pixel* d = dst + line * dst_line;
    for (std::int64_t j = 0; j < dst_n; ++j) {
      const std::int64_t begin = j * src_n;
      const std::int64_t end = begin + src_n;
      Sums sums{};
      for (std::int64_t i = begin / dst_n; i < src_n && i * dst_n < end; ++i) {
        const std::int64_t lo = std::max(begin, i * dst_n);
        const std::int64_t hi = std::min(end, (i + 1) * dst_n);
        if (hi > lo) add(sums, s[i * src_step], static_cast<std::uint64_t>(hi - lo));
      }
      d[j * dst_step] = mean(sums, static_cast<std::uint64_t>(src_n));
    }
  }
}

}  // namespace

Err area_resample(const Pixmap& src, std::int32_t width, std::int32_t height, Pixmap& out) {
  if (src.empty() || width <= 0 || height <= 0) return kParamErr;
  const std::int32_t sw = src.width();
  const std::int32_t sh = src.height();
  Pixmap across;  // rows resampled: width x source height
  if (const Err e = across.create(PixRect{0, 0, width, sh}); e != kNoErr) return e;
  resample_lines(src.row(0), sw, 1, sw, across.row(0), width, 1, width, sh);
  Pixmap result;
  if (const Err e = result.create(PixRect{0, 0, width, height}); e != kNoErr) return e;
  resample_lines(across.row(0), sh, width, 1, result.row(0), height, width, 1, width);
  out = std::move(result);
  return kNoErr;
}

}  // namespace velmora::image
