// PNG through libpng, read through a callback so that a probe stops after the chunks
// before the image data.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <new>
#include <vector>

#include "platform/linux/codec_backends.hpp"

namespace velmora::platform::codecs {

namespace {

struct Reader {
  CodecInput* in;
  std::uint64_t pos = 0;
};

void read_data(png_structp png, png_bytep dst, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (!r->in->read(r->pos, dst, n)) png_error(png, "truncated");
  r->pos += n;
}

void on_error(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void on_warning(png_structp, png_const_charp) {}

struct Session {
  Reader reader;
  png_structp png = nullptr;
  png_infop info = nullptr;
  // Kept here, not on the stack, so that an error's long jump cannot leak them.
  std::vector<std::uint32_t> row;
  std::vector<std::uint64_t> sums;
  explicit Session(CodecInput& in) { reader.in = &in; }
  ~Session() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
  bool open() {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!png) return false;
    info = png_create_info_struct(png);
    if (!info) return false;
    png_set_read_fn(png, &reader, read_data);
    // Refuse absurd sizes from the header before any row buffer exists.
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    return true;
  }
};

std::int16_t depth_of(int colour_type, int bit_depth) {
  switch (colour_type) {
    case PNG_COLOR_TYPE_GRAY:
      return static_cast<std::int16_t>(bit_depth >= 8 ? 40 : 32 + bit_depth);
    case PNG_COLOR_TYPE_PALETTE:
      return static_cast<std::int16_t>(bit_depth);
    case PNG_COLOR_TYPE_RGB:
      return 24;
    default:
      return 32;  // with alpha
  }
}

void describe(png_structp png, png_infop info, CodecProbe& out) {
  out.width = static_cast<std::int32_t>(png_get_image_width(png, info));
  out.height = static_cast<std::int32_t>(png_get_image_height(png, info));
  out.depth = depth_of(png_get_color_type(png, info), png_get_bit_depth(png, info));
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  out.hres = out.vres = 72 << 16;
  if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
    out.hres = dpi_fixed(x * 0.0254);
    out.vres = dpi_fixed(y * 0.0254);
  }
  out.image_count = 1;
}

}  // namespace

CodecStatus png_probe(CodecInput& in, int index, CodecProbe& out) {
  if (index > 0) return CodecStatus::bad_index;
  auto s = std::make_unique<Session>(in);
  if (!s->open()) return CodecStatus::no_memory;
  if (setjmp(png_jmpbuf(s->png))) return CodecStatus::bad_data;
  png_read_info(s->png, s->info);
  describe(s->png, s->info, out);
  return CodecStatus::ok;
}

namespace {

// Pictures at least this many pixels wide are not reduced as they arrive (their rows
// alone would cost too much); they are decoded whole, within the pixel limit.
constexpr std::int64_t kMaxReducedWidth = std::int64_t{1} << 24;

// Rows read one at a time and averaged over k x k blocks (alpha-weighted, so that what
// transparent pixels hide never shows): the decoded picture is w/k x h/k, rounded up.
void read_reduced(png_structp png, std::int32_t w, std::int32_t h, std::int32_t k,
                  std::vector<std::uint32_t>& row, std::vector<std::uint64_t>& sums,
                  DecodedPicture& out) {
  const std::int32_t ow = out.width;
  for (std::int32_t oy = 0; oy < out.height; ++oy) {
    std::fill(sums.begin(), sums.end(), 0);
    const std::int32_t rows = std::min(k, h - oy * k);
    for (std::int32_t r = 0; r < rows; ++r) {
      png_read_row(png, reinterpret_cast<png_bytep>(row.data()), nullptr);
      for (std::int32_t x = 0; x < w; ++x) {
        const std::uint32_t p = row[x];
        const std::uint64_t a = p >> 24;
        std::uint64_t* s = sums.data() + static_cast<std::size_t>(x / k) * 4;
        s[0] += a;
        s[1] += a * ((p >> 16) & 0xFF);
        s[2] += a * ((p >> 8) & 0xFF);
        s[3] += a * (p & 0xFF);
      }
    }
    std::uint32_t* dst = out.pixels.data() + static_cast<std::size_t>(oy) * ow;
    for (std::int32_t ox = 0; ox < ow; ++ox) {
      const std::uint64_t* s = sums.data() + static_cast<std::size_t>(ox) * 4;
      const std::uint64_t count =
          static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(std::min(k, w - ox * k));
      const std::uint64_t a = (s[0] + count / 2) / count;
      auto c = [&](std::uint64_t v) { return s[0] == 0 ? 0 : (v + s[0] / 2) / s[0]; };
      dst[ox] = static_cast<std::uint32_t>((a << 24) | (c(s[1]) << 16) | (c(s[2]) << 8) | c(s[3]));
    }
  }
}

}  // namespace

CodecStatus png_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                       DecodedPicture& out) {
  if (index > 0) return CodecStatus::bad_index;
  auto s = std::make_unique<Session>(in);
  if (!s->open()) return CodecStatus::no_memory;
  volatile CodecStatus failure = CodecStatus::bad_data;
  if (setjmp(png_jmpbuf(s->png))) return failure;
  png_structp png = s->png;
  png_infop info = s->info;
  png_read_info(png, info);
  const auto w = static_cast<std::int32_t>(png_get_image_width(png, info));
  const auto h = static_cast<std::int32_t>(png_get_image_height(png, info));
  // The whole blocks the box allows, when the rows arrive in order.
  std::int32_t k = 1;
  if (min_width > 0 && min_height > 0 && w > 0 && h > 0)
    k = std::max(1, std::min(w / min_width, h / min_height));
  const bool reduce =
      k >= 2 && w < kMaxReducedWidth && png_get_interlace_type(png, info) == PNG_INTERLACE_NONE;
  if (reduce) {
    const std::int32_t ow = (w + k - 1) / k, oh = (h + k - 1) / k;
    std::vector<std::uint32_t>& row = s->row;
    std::vector<std::uint64_t>& sums = s->sums;
    try {
      row.resize(static_cast<std::size_t>(w));
      sums.resize(static_cast<std::size_t>(ow) * 4);
    } catch (const std::bad_alloc&) {
      failure = CodecStatus::no_memory;
      png_error(png, "too big");
    }
    if (too_big(ow, oh) || !allocate(out, ow, oh)) {
      failure = CodecStatus::no_memory;
      png_error(png, "too big");
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_read_update_info(png, info);
    read_reduced(png, w, h, k, row, sums, out);
    return CodecStatus::ok;
  }
  if (too_big(w, h) || !allocate(out, w, h)) {
    failure = CodecStatus::no_memory;
    png_error(png, "too big");
  }
  // Everything becomes 8-bit B, G, R, A in memory: 0xAARRGGBB words on this machine.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  for (int pass = 0; pass < passes; ++pass) {
    for (std::int32_t y = 0; y < h; ++y) {
      png_read_row(png,
                   reinterpret_cast<png_bytep>(out.pixels.data() + static_cast<std::size_t>(y) * w),
                   nullptr);
    }
  }
  return CodecStatus::ok;
}

}  // namespace velmora::platform::codecs
