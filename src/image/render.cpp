// Each target row is inverse-mapped once: the source position of its first pixel centre
// is computed in floating point, then stepped across the row in 32.32 fixed point.  The
// span of a row that falls inside the source part is solved per row, so the inner loops
// test nothing.  Sampling fills a row buffer; the transfer mode combines it in one call.
#include "image/render.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "image/transfer_modes.hpp"

namespace velmora::image {

namespace {

using Fix32 = std::int64_t;  // 32.32
constexpr double kOne32 = 4294967296.0;
constexpr int kMaxAreaSamples = 16;

struct Inverse {
  double a, b, c, d, tx, ty;  // u = a*x + c*y + tx, v = b*x + d*y + ty
};

bool inverse_of(const Matrix& m, Inverse& out) {
  const double a = m.a / 65536.0, b = m.b / 65536.0, c = m.c / 65536.0, d = m.d / 65536.0;
  const double tx = m.tx / 65536.0, ty = m.ty / 65536.0;
  const double det = a * d - b * c;
  if (std::fabs(det) < 1e-9) return false;
  out.a = d / det;
  out.b = -b / det;
  out.c = -c / det;
  out.d = a / det;
  out.tx = (c * ty - d * tx) / det;
  out.ty = (b * tx - a * ty) / det;
  return true;
}

// Positions and steps far outside any picture are held at distances that keep every
// position of a row (start + width * step) inside 64 bits.
constexpr double kPositionLimit = 268435456.0;  // 2^28 pixels

Fix32 to32(double v, double limit = kPositionLimit) {
  return static_cast<Fix32>(std::clamp(v, -limit, limit) * kOne32);
}

std::int32_t floor32(Fix32 v) {
  return static_cast<std::int32_t>(v >> 32);
}

// The range [first, last] of steps i for which lo <= floor(p0 + i*dp) < hi.
void solve_span(Fix32 p0, Fix32 dp, std::int32_t lo, std::int32_t hi, std::int64_t& first,
                std::int64_t& last) {
  const double p = static_cast<double>(p0) / kOne32;
  const double step = static_cast<double>(dp) / kOne32;
  if (dp == 0) {
    const std::int32_t f = floor32(p0);
    if (f < lo || f >= hi) last = first - 1;
    return;
  }
  double from = (lo - p) / step, to = (hi - p) / step;
  if (step < 0) std::swap(from, to);
  auto whole = [](double v) {
    return static_cast<std::int64_t>(std::clamp(std::ceil(v), -1e15, 1e15));
  };
  first = std::max<std::int64_t>(first, whole(from) - 1);
  last = std::min<std::int64_t>(last, whole(to));
  // The floating-point bounds are a step wide at most; the exact test trims them.
  auto inside = [&](std::int64_t i) {
    const std::int32_t f = floor32(p0 + i * dp);
    return f >= lo && f < hi;
  };
  while (first <= last && !inside(first)) ++first;
  while (last >= first && !inside(last)) --last;
}

Pixel lerp(Pixel p, Pixel q, std::uint32_t w) {  // w in 0..256, weight of q
  const std::uint32_t rb =
      (((p & 0x00FF00FF) * (256 - w) + (q & 0x00FF00FF) * w) >> 8) & 0x00FF00FF;
  const std::uint32_t ag =
      ((((p >> 8) & 0x00FF00FF) * (256 - w) + ((q >> 8) & 0x00FF00FF) * w) >> 8) & 0x00FF00FF;
  return rb | (ag << 8);
}

struct Sampler {
  const Pixmap& pic;
  PixRect part;  // in pixel indices of pic (0-based)

  Pixel at(std::int32_t x, std::int32_t y) const {
    x = std::clamp(x, part.left, part.right - 1);
    y = std::clamp(y, part.top, part.bottom - 1);
    return pic.row(y)[x];
  }
  Pixel nearest(Fix32 u, Fix32 v) const { return at(floor32(u), floor32(v)); }
  Pixel bilinear(Fix32 u, Fix32 v) const {
    u -= Fix32{1} << 31;  // sample centres sit at half pixels
    v -= Fix32{1} << 31;
    const std::int32_t x = floor32(u), y = floor32(v);
    const auto fx = static_cast<std::uint32_t>((u >> 24) & 0xFF);
    const auto fy = static_cast<std::uint32_t>((v >> 24) & 0xFF);
    if (x >= part.left && x + 1 < part.right && y >= part.top && y + 1 < part.bottom) {
      // Inside: the four neighbours straight from their rows.
      const Pixel* r0 = pic.row(y) + x;
      const Pixel* r1 = pic.row(y + 1) + x;
      return lerp(lerp(r0[0], r0[1], fx), lerp(r1[0], r1[1], fx), fy);
    }
    const Pixel top = lerp(at(x, y), at(x + 1, y), fx);
    const Pixel bottom = lerp(at(x, y + 1), at(x + 1, y + 1), fx);
    return lerp(top, bottom, fy);
  }
};

// The exact box average for matrices without rotation or shear: each target pixel is the
// mean of the source pixels under its footprint.  The rows under one target row are
// summed per column once, then each target pixel adds up its columns.
class BoxRow {
 public:
  BoxRow(const Sampler& s, const Inverse& inv)
      : s_(s), half_u_(std::fabs(inv.a) / 2), half_v_(std::fabs(inv.d) / 2) {}

  void run(Fix32 u, Fix32 du, Fix32 v, std::int32_t n, Pixel* out) {
    const double vc = static_cast<double>(v) / kOne32;
    std::int32_t y0 = 0, y1 = 0;
    cover(vc, half_v_, s_.part.top, s_.part.bottom, y0, y1);
    const double first = static_cast<double>(u) / kOne32;
    const double last = static_cast<double>(u + (n - 1) * du) / kOne32;
    std::int32_t c_lo = 0, c_hi = 0, unused = 0;
    cover(std::min(first, last), half_u_, s_.part.left, s_.part.right, c_lo, unused);
    cover(std::max(first, last), half_u_, s_.part.left, s_.part.right, unused, c_hi);
    sums_.assign(static_cast<std::size_t>(c_hi - c_lo) * 4, 0);
    for (std::int32_t y = y0; y < y1; ++y) {
      const Pixel* row = s_.pic.row(y);
      std::uint64_t* sum = sums_.data();
      for (std::int32_t c = c_lo; c < c_hi; ++c, sum += 4) {
        const Pixel p = row[c];
        sum[0] += p & 0xFF;
        sum[1] += (p >> 8) & 0xFF;
        sum[2] += (p >> 16) & 0xFF;
        sum[3] += p >> 24;
      }
    }
    const auto rows = static_cast<std::uint64_t>(y1 - y0);
    for (std::int32_t i = 0; i < n; ++i, u += du) {
      std::int32_t c0 = 0, c1 = 0;
      cover(static_cast<double>(u) / kOne32, half_u_, c_lo, c_hi, c0, c1);
      std::uint64_t total[4] = {0, 0, 0, 0};
      const std::uint64_t* sum = sums_.data() + static_cast<std::size_t>(c0 - c_lo) * 4;
      for (std::int32_t c = c0; c < c1; ++c, sum += 4) {
        for (int k = 0; k < 4; ++k) total[k] += sum[k];
      }
      out[i] = average(total, rows * static_cast<std::uint64_t>(c1 - c0));
    }
  }

 private:
  // The pixels [lo, hi) under centre +- half, at least one, within [min, max).
  static void cover(double centre, double half, std::int32_t min, std::int32_t max,
                    std::int32_t& lo, std::int32_t& hi) {
    const double a = std::clamp(centre - half, static_cast<double>(min), static_cast<double>(max));
    const double b = std::clamp(centre + half, static_cast<double>(min), static_cast<double>(max));
    lo = static_cast<std::int32_t>(std::lround(a));
    hi = static_cast<std::int32_t>(std::lround(b));
    if (hi <= lo) {
      const double c =
          std::clamp(std::floor(centre), static_cast<double>(min), static_cast<double>(max - 1));
      lo = static_cast<std::int32_t>(c);
      hi = lo + 1;
    }
  }
  static Pixel average(const std::uint64_t* total, std::uint64_t count) {
    auto channel = [&](int k) { return static_cast<Pixel>((total[k] + count / 2) / count); };
    return (channel(3) << 24) | (channel(2) << 16) | (channel(1) << 8) | channel(0);
  }

  const Sampler& s_;
  double half_u_, half_v_;
  std::vector<std::uint64_t> sums_;
};

struct AreaGrid {
  int nx = 1, ny = 1;  // samples across and down one target pixel
};

AreaGrid area_grid(const Inverse& inv) {
  auto count = [](double extent) {
    return std::clamp(static_cast<int>(std::ceil(extent - 1e-6)), 1, kMaxAreaSamples);
  };
  return {count(std::max(std::fabs(inv.a), std::fabs(inv.b))),
          count(std::max(std::fabs(inv.c), std::fabs(inv.d)))};
}

// Modes that draw the picture itself (as opposed to combining it with the target) lay
// a transparent pixel over the target.
bool lays_over(std::int32_t mode) {
  return mode == 0 || mode == 64 || (mode >= 256 && mode <= 261);
}

constexpr std::uint32_t div255(std::uint32_t v) {
  return (v + 128 + ((v + 128) >> 8)) >> 8;
}

Pixel unpremultiply(Pixel p) {
  const std::uint32_t a = alpha(p);
  if (a == 0xFF || a == 0) return a == 0 ? 0 : p;
  auto c = [a](std::uint32_t v) { return std::min<std::uint32_t>(255, (v * 255 + a / 2) / a); };
  return rgb(static_cast<std::uint8_t>(c(red(p))), static_cast<std::uint8_t>(c(green(p))),
             static_cast<std::uint8_t>(c(blue(p))), static_cast<std::uint8_t>(a));
}

// Samples (premultiplied when the picture has transparency) laid over the target row.
void composite_row(const RenderJob& job, const BlendRow blend, const Pixel* s, Pixel* d,
                   std::int32_t n) {
  const bool over = lays_over(job.mode);
  for (std::int32_t i = 0; i < n; ++i) {
    const Pixel sp = job.premultiplied ? s[i] : (s[i] | 0xFF000000u);
    const std::uint32_t a = alpha(sp);
    if (a == 0) continue;
    const Pixel dp = d[i];
    const std::uint32_t da = job.target_alpha ? alpha(dp) : 0xFF;
    const std::uint32_t keep = div255(da * (255 - a));  // the target's share, 0..255
    const std::uint32_t out_a = a + keep;
    Pixel drawn = sp;  // premultiplied colour of the picture's contribution
    if (!over) {
      // The mode's result where the picture covers, the target where it does not.
      Pixel m = dp;
      const Pixel straight = unpremultiply(sp) | 0xFF000000u;
      blend(&straight, &m, 1, job.op_color);
      auto mix = [a](std::uint32_t c) { return div255(c * a); };
      drawn = rgb(static_cast<std::uint8_t>(mix(red(m))), static_cast<std::uint8_t>(mix(green(m))),
                  static_cast<std::uint8_t>(mix(blue(m))), static_cast<std::uint8_t>(a));
    }
    auto channel = [&](std::uint32_t src, std::uint32_t dst) {
      const std::uint32_t premul = src + div255(dst * keep);  // over the target
      if (!job.target_alpha) return std::min<std::uint32_t>(premul, 255);
      return std::min<std::uint32_t>(255, (premul * 255 + out_a / 2) / out_a);
    };
    const std::uint32_t r = channel(red(drawn), red(dp));
    const std::uint32_t g = channel(green(drawn), green(dp));
    const std::uint32_t b = channel(blue(drawn), blue(dp));
    const std::uint32_t alpha_byte =
        job.target_alpha ? std::min<std::uint32_t>(out_a, 255) : alpha(dp);
    d[i] = (alpha_byte << 24) | (r << 16) | (g << 8) | b;
  }
}

}  // namespace

bool has_transparency(const Pixmap& picture) {
  for (const Pixel p : picture.pixels()) {
    if (alpha(p) != 0xFF) return true;
  }
  return false;
}

void premultiply(Pixmap& picture) {
  for (std::int32_t y = 0; y < picture.height(); ++y) {
    Pixel* row = picture.row(y);
    for (std::int32_t x = 0; x < picture.width(); ++x) {
      const Pixel p = row[x];
      const std::uint32_t a = alpha(p);
      if (a == 0xFF) continue;
      row[x] = rgb(static_cast<std::uint8_t>(div255(red(p) * a)),
                   static_cast<std::uint8_t>(div255(green(p) * a)),
                   static_cast<std::uint8_t>(div255(blue(p) * a)), static_cast<std::uint8_t>(a));
    }
  }
}

void flatten_onto_white(Pixmap& world) {
  for (std::int32_t y = 0; y < world.height(); ++y) {
    Pixel* row = world.row(y);
    for (std::int32_t x = 0; x < world.width(); ++x) {
      const Pixel p = row[x];
      const std::uint32_t a = alpha(p);
      if (a == 0xFF) continue;
      auto over = [a](std::uint8_t c) {
        return static_cast<std::uint8_t>(div255(c * a + 255 * (255 - a)));
      };
      row[x] = rgb(over(red(p)), over(green(p)), over(blue(p)));
    }
  }
}

Quality quality_from_level(std::int32_t level) {
  if (level < 512) return Quality::nearest;
  if (level == 512) return Quality::bilinear;
  return Quality::area;
}

PixRect render(const Pixmap& picture, const RenderJob& job, const RenderTarget& target) {
  if (picture.empty() || target.pixels == nullptr) return {};
  // The part in pixel indices of the picture.
  const PixRect pb = picture.bounds();
  PixRect part = intersect(job.source, pb);
  if (part.empty()) return {};
  Inverse inv{};
  if (!inverse_of(job.matrix, inv)) return {};
  PixRect area = intersect(intersect(job.clip, target.bounds), map_rect(job.matrix, part));
  if (area.empty()) return {};
  part = offset(part, -pb.left, -pb.top);
  const double shift_x = pb.left, shift_y = pb.top;

  Quality quality = job.quality;
  const AreaGrid grid = area_grid(inv);
  // Averaging pays off only where a target pixel spans two source pixels or more.
  const bool big_reduction = std::max(std::fabs(inv.a), std::fabs(inv.b)) >= 2.0 ||
                             std::max(std::fabs(inv.c), std::fabs(inv.d)) >= 2.0;
  if (quality == Quality::area && !big_reduction) quality = Quality::bilinear;

  const Sampler sampler{picture, part};
  std::optional<BoxRow> box;
  if (quality == Quality::area && job.matrix.b == 0 && job.matrix.c == 0) box.emplace(sampler, inv);
  const BlendRow blend = blend_for(job.mode);
  std::vector<Pixel> samples(static_cast<std::size_t>(area.width()));
  const double step_limit = kPositionLimit / std::max(1, area.width());
  const Fix32 du = to32(inv.a, step_limit), dv = to32(inv.b, step_limit);
  PixRect touched;

  for (std::int32_t y = area.top; y < area.bottom; ++y) {
    const double cx = area.left + 0.5, cy = y + 0.5;
    const Fix32 u0 = to32(inv.a * cx + inv.c * cy + inv.tx - shift_x);
    const Fix32 v0 = to32(inv.b * cx + inv.d * cy + inv.ty - shift_y);
    std::int64_t first = 0, last = area.width() - 1;
    solve_span(u0, du, part.left, part.right, first, last);
    solve_span(v0, dv, part.top, part.bottom, first, last);
    if (first > last) continue;
    const auto n = static_cast<std::int32_t>(last - first + 1);
    Fix32 u = u0 + first * du, v = v0 + first * dv;
    switch (quality) {
      case Quality::nearest:
        for (std::int32_t i = 0; i < n; ++i, u += du, v += dv) samples[i] = sampler.nearest(u, v);
        break;
      case Quality::bilinear:
        for (std::int32_t i = 0; i < n; ++i, u += du, v += dv) samples[i] = sampler.bilinear(u, v);
        break;
      case Quality::area: {
        if (box) {
          box->run(u, du, v, n, samples.data());
          break;
        }
        // Turned or sheared: samples on an even grid inside the target pixel, averaged.
        Fix32 offsets_u[kMaxAreaSamples * kMaxAreaSamples];
        Fix32 offsets_v[kMaxAreaSamples * kMaxAreaSamples];
        int k = 0;
        for (int sy = 0; sy < grid.ny; ++sy) {
          for (int sx = 0; sx < grid.nx; ++sx, ++k) {
            const double ox = (sx + 0.5) / grid.nx - 0.5, oy = (sy + 0.5) / grid.ny - 0.5;
            offsets_u[k] = to32(inv.a * ox + inv.c * oy);
            offsets_v[k] = to32(inv.b * ox + inv.d * oy);
          }
        }
        for (std::int32_t i = 0; i < n; ++i, u += du, v += dv) {
          std::uint32_t sum[4] = {0, 0, 0, 0};
          for (int j = 0; j < k; ++j) {
            const Pixel p = sampler.nearest(u + offsets_u[j], v + offsets_v[j]);
            sum[0] += p & 0xFF;
            sum[1] += (p >> 8) & 0xFF;
            sum[2] += (p >> 16) & 0xFF;
            sum[3] += p >> 24;
          }
          const auto kk = static_cast<std::uint32_t>(k);
          samples[i] = ((sum[3] + kk / 2) / kk << 24) | ((sum[2] + kk / 2) / kk << 16) |
                       ((sum[1] + kk / 2) / kk << 8) | ((sum[0] + kk / 2) / kk);
        }
        break;
      }
    }
    const std::int32_t x0 = area.left + static_cast<std::int32_t>(first);
    Pixel* row = target.pixels +
                 static_cast<std::ptrdiff_t>(y - target.bounds.top) * target.row_pixels +
                 (x0 - target.bounds.left);
    if (job.premultiplied || job.target_alpha) {
      composite_row(job, blend, samples.data(), row, n);
    } else {
      blend(samples.data(), row, n, job.op_color);
    }
    const PixRect line{x0, y, x0 + n, y + 1};
    touched = touched.empty() ? line
                              : PixRect{std::min(touched.left, line.left), touched.top,
                                        std::max(touched.right, line.right), line.bottom};
  }
  return touched;
}

}  // namespace velmora::image
