// The colour modes work on 8-bit channels.  The boolean modes follow the picture
// layer's convention that black is "ink": drawing black with srcOr leaves black, white
// leaves the destination alone, whatever the pixel encoding.
#include "image/transfer_modes.hpp"

#include <algorithm>

namespace velmora::image {

namespace {

constexpr Pixel kRgbMask = 0x00FFFFFF;

constexpr std::uint32_t ch(Pixel p, int shift) {
  return (p >> shift) & 0xFF;
}

// Applies f(source, destination, operand) to each colour channel of each pixel.
template <typename F>
void channels(const Pixel* s, Pixel* d, std::int32_t n, Pixel op, F f) {
  for (std::int32_t i = 0; i < n; ++i) {
    const Pixel sp = s[i], dp = d[i];
    Pixel out = dp & ~kRgbMask;
    for (int shift = 0; shift <= 16; shift += 8) {
      out |= (f(ch(sp, shift), ch(dp, shift), ch(op, shift)) & 0xFF) << shift;
    }
    d[i] = out;
  }
}

// Whole-pixel bit operations: f(source, destination) on the RGB bits.
template <typename F>
void bits(const Pixel* s, Pixel* d, std::int32_t n, F f) {
  for (std::int32_t i = 0; i < n; ++i) d[i] = (d[i] & ~kRgbMask) | (f(s[i], d[i]) & kRgbMask);
}

void copy_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel) { return sp; });
}
void or_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel dp) { return sp & dp; });
}
void xor_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel dp) { return ~(sp ^ dp); });
}
void bic_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel dp) { return dp | ~sp; });
}
void not_copy_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel) { return ~sp; });
}
void not_or_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel dp) { return ~sp & dp; });
}
void not_xor_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel dp) { return sp ^ dp; });
}
void not_bic_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  bits(s, d, n, [](Pixel sp, Pixel dp) { return dp | sp; });
}

// The operand channel is the source's weight: 255 all source, 0 all destination.
void blend_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op, [](std::uint32_t a, std::uint32_t b, std::uint32_t w) {
    return (a * w + b * (255 - w) + 127) / 255;
  });
}
void add_pin_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op, [](std::uint32_t a, std::uint32_t b, std::uint32_t pin) {
    return std::min(a + b, pin);
  });
}
void add_over_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op, [](std::uint32_t a, std::uint32_t b, std::uint32_t) { return a + b; });
}
void sub_pin_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op, [](std::uint32_t a, std::uint32_t b, std::uint32_t pin) {
    const std::int32_t diff = static_cast<std::int32_t>(b) - static_cast<std::int32_t>(a);
    return static_cast<std::uint32_t>(std::max(diff, static_cast<std::int32_t>(pin)));
  });
}
void sub_over_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op, [](std::uint32_t a, std::uint32_t b, std::uint32_t) { return b - a; });
}
void ad_max_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op,
           [](std::uint32_t a, std::uint32_t b, std::uint32_t) { return std::max(a, b); });
}
void ad_min_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op,
           [](std::uint32_t a, std::uint32_t b, std::uint32_t) { return std::min(a, b); });
}
// The operand colour is the one left out.
void transparent_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  for (std::int32_t i = 0; i < n; ++i) {
    if ((s[i] & kRgbMask) != (op & kRgbMask)) d[i] = (d[i] & ~kRgbMask) | (s[i] & kRgbMask);
  }
}

// Alpha modes read the picture's own alpha.  `matte` is the colour a premultiplied
// source was composed over; the result is source + (1 - alpha) * (destination - matte).
template <typename Matte>
void matte_alpha(const Pixel* s, Pixel* d, std::int32_t n, Pixel op, Matte matte) {
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t inv = 255 - static_cast<std::int32_t>(alpha(s[i]));
    Pixel out = d[i] & ~kRgbMask;
    for (int shift = 0; shift <= 16; shift += 8) {
      const auto sc = static_cast<std::int32_t>(ch(s[i], shift));
      const auto dc = static_cast<std::int32_t>(ch(d[i], shift));
      const auto mc = static_cast<std::int32_t>(matte(ch(op, shift)));
      const std::int32_t v = sc + (inv * (dc - mc) + (dc >= mc ? 127 : -127)) / 255;
      out |= static_cast<Pixel>(std::clamp(v, 0, 255)) << shift;
    }
    d[i] = out;
  }
}
void straight_alpha_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel) {
  for (std::int32_t i = 0; i < n; ++i) {
    const std::uint32_t a = alpha(s[i]);
    Pixel out = d[i] & ~kRgbMask;
    for (int shift = 0; shift <= 16; shift += 8) {
      out |= ((ch(s[i], shift) * a + ch(d[i], shift) * (255 - a) + 127) / 255) << shift;
    }
    d[i] = out;
  }
}
// Straight alpha further weighted per channel by the operand colour.
void straight_alpha_blend_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  for (std::int32_t i = 0; i < n; ++i) {
    const std::uint32_t a = alpha(s[i]);
    Pixel out = d[i] & ~kRgbMask;
    for (int shift = 0; shift <= 16; shift += 8) {
      const std::uint32_t w = (a * ch(op, shift) + 127) / 255;
      out |= ((ch(s[i], shift) * w + ch(d[i], shift) * (255 - w) + 127) / 255) << shift;
    }
    d[i] = out;
  }
}
void pre_white_alpha_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  matte_alpha(s, d, n, op, [](std::uint32_t) { return 255u; });
}
void pre_black_alpha_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  matte_alpha(s, d, n, op, [](std::uint32_t) { return 0u; });
}
void pre_mul_color_alpha_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  matte_alpha(s, d, n, op, [](std::uint32_t c) { return c; });
}

// Dimmed ink: the source is lightened halfway to white, then drawn as srcOr.
void grayish_text_or_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  channels(s, d, n, op, [](std::uint32_t a, std::uint32_t b, std::uint32_t) {
    return std::min((a + 255) / 2, b);
  });
}
// Where the source has ink, the background (white) and the highlight colour (the
// operand) trade places; elsewhere nothing changes.
void hilite_row(const Pixel* s, Pixel* d, std::int32_t n, Pixel op) {
  for (std::int32_t i = 0; i < n; ++i) {
    if ((s[i] & kRgbMask) == kRgbMask) continue;
    const Pixel dc = d[i] & kRgbMask;
    if (dc == kRgbMask) {
      d[i] = (d[i] & ~kRgbMask) | (op & kRgbMask);
    } else if (dc == (op & kRgbMask)) {
      d[i] = (d[i] & ~kRgbMask) | kRgbMask;
    }
  }
}

struct ModeRow {
  std::int32_t mode;
  BlendRow row;
};

constexpr ModeRow kModeRows[] = {
    {0, copy_row},
    {1, or_row},
    {2, xor_row},
    {3, bic_row},
    {4, not_copy_row},
    {5, not_or_row},
    {6, not_xor_row},
    {7, not_bic_row},
    {32, blend_row},
    {33, add_pin_row},
    {34, add_over_row},
    {35, sub_pin_row},
    {36, transparent_row},
    {37, ad_max_row},
    {38, sub_over_row},
    {39, ad_min_row},
    {49, grayish_text_or_row},
    {50, hilite_row},
    {64, copy_row},
    {256, straight_alpha_row},
    {257, pre_white_alpha_row},
    {258, pre_black_alpha_row},
    {259, straight_alpha_row},
    {260, straight_alpha_blend_row},
    {261, pre_mul_color_alpha_row},
};

}  // namespace

BlendRow blend_for(std::int32_t mode) {
  for (const ModeRow& m : kModeRows) {
    if (m.mode == mode) return m.row;
  }
  return copy_row;
}

Pixel blend_pixel(std::int32_t mode, Pixel src, Pixel dst, Pixel op) {
  blend_for(mode)(&src, &dst, 1, op);
  return dst;
}

}  // namespace velmora::image
