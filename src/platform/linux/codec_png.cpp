// PNG through libpng, read through a callback so that a probe stops after the chunks
// before the image data.
#include <png.h>

#include <csetjmp>
#include <memory>

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

CodecStatus png_decode(CodecInput& in, int index, DecodedPicture& out) {
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
