// PNG through libpng, read through a callback so that a probe stops after the chunks
// before the image data.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <new>
#include <vector>

#include "platform/linux/codec_backends.hpp"
#include "platform/shared/block_reduce.hpp"

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
  BlockReducer reducer;
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
    // Every chunk's CRC is still checked; zlib's own Adler-32 over the inflated rows
    // would only repeat that check, at a fifth of the decoding time of large pictures.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    // The compressed rows are taken in larger pieces than the library's 8 kB.
    png_set_compression_buffer_size(png, 256 * 1024);
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

// Everything becomes 8-bit B, G, R, A in memory: 0xAARRGGBB words on this machine.
void to_argb(png_structp png) {
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
}

// The rows as libpng hands them over, into the block averages.  An interlaced picture
// arrives as its seven passes of partial rows; every pixel comes once, so each goes
// straight into the sums of its block.
void read_reduced(png_structp png, std::int32_t w, std::int32_t h, bool interlaced, bool rgb,
                  std::vector<std::uint32_t>& row, BlockReducer& reducer) {
  auto* dst = reinterpret_cast<png_bytep>(row.data());
  auto add = [&](std::int32_t y, std::int32_t x0, std::int32_t dx, std::int32_t n) {
    if (rgb) {
      reducer.add_rgb(y, dst, x0, dx, n);
    } else {
      reducer.add(y, row.data(), x0, dx, n);
    }
  };
  if (!interlaced) {
    // The rows below the last one kept are never inflated.
    for (std::int32_t y = 0; y < reducer.last_row(); ++y) {
      png_read_row(png, dst, nullptr);
      add(y, 0, 1, w);
    }
    return;
  }
  for (int pass = 0; pass < 7; ++pass) {
    const auto cols = static_cast<std::int32_t>(PNG_PASS_COLS(static_cast<png_uint_32>(w), pass));
    const auto rows = static_cast<std::int32_t>(PNG_PASS_ROWS(static_cast<png_uint_32>(h), pass));
    if (cols == 0 || rows == 0) continue;
    const auto x0 = static_cast<std::int32_t>(PNG_PASS_START_COL(pass));
    const std::int32_t dx = 1 << PNG_PASS_COL_SHIFT(pass);
    for (std::int32_t i = 0; i < rows; ++i) {
      png_read_row(png, dst, nullptr);
      add(static_cast<std::int32_t>(PNG_ROW_FROM_PASS_ROW(static_cast<png_uint_32>(i), pass)), x0,
          dx, cols);
    }
  }
}

}  // namespace

CodecStatus png_decode(CodecInput& in, int index, std::int32_t min_width, std::int32_t min_height,
                       const PixelWindow& window, DecodedPicture& out) {
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
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const std::int32_t k = w < kMaxReducedWidth ? block_factor(w, h, min_width, min_height) : 1;
  // A part of the picture is taken from its rows as they pass, whatever the scale.
  const bool part = !window.empty() && w < kMaxReducedWidth &&
                    (window.left > 0 || window.top > 0 || window.right < w || window.bottom < h);
  if (k >= 2 || part) {
    try {
      s->row.resize(static_cast<std::size_t>(w));
    } catch (const std::bad_alloc&) {
      failure = CodecStatus::no_memory;
      png_error(png, "too big");
    }
    const CodecStatus st = s->reducer.start(
        w, h, k, interlaced ? BlockReducer::Order::any : BlockReducer::Order::bands, out,
        0xFFFFFFFFu, window);
    if (st != CodecStatus::ok) {
      failure = st;
      png_error(png, "too big");
    }
    // Plain 8-bit RGB rows (most photos) are summed as libpng hands them over, without
    // its per-pixel transformations.
    const bool rgb = png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB &&
                     png_get_bit_depth(png, info) == 8 && !png_get_valid(png, info, PNG_INFO_tRNS);
    if (!rgb) to_argb(png);
    png_read_update_info(png, info);
    read_reduced(png, w, h, interlaced, rgb, s->row, s->reducer);
    s->reducer.finish();
    return CodecStatus::ok;
  }
  if (too_big(w, h) || !allocate(out, w, h)) {
    failure = CodecStatus::no_memory;
    png_error(png, "too big");
  }
  to_argb(png);
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
