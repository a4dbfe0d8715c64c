// PNG through libpng into memory: palette rows for the indexed depths, grey rows for
// the grey depths, RGB otherwise (16 bits per pixel keeps five bits a component and says
// so in an sBIT chunk).  The resolution goes into pHYs in pixels per metre.
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <memory>
#include <new>

#include "platform/linux/encoder_backends.hpp"

namespace velmora::platform::encoders {

namespace {

void write_data(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), data, data + n);
  } catch (const std::bad_alloc&) {
    png_error(png, "no memory");
  }
}
void flush_data(png_structp) {}
void on_error(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void on_warning(png_structp, png_const_charp) {}

struct Session {
  png_structp png = nullptr;
  png_infop info = nullptr;
  Indexed indexed;
  std::vector<png_byte> row;
  std::vector<png_color> palette;
  ~Session() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

png_uint_32 per_metre(std::int32_t fixed) {
  return static_cast<png_uint_32>(std::lround(fixed / 65536.0 / 0.0254));
}

// One row of the picture as the chosen colour type wants it.
void fill_row(const EncodeRequest& r, const Session& s, std::int32_t y, int bits, bool indexed,
              bool alpha, png_byte* row) {
  const std::size_t start = static_cast<std::size_t>(y) * r.width;
  if (indexed) {
    pack_row(s.indexed.indices.data() + start, r.width, bits, row);
    return;
  }
  const std::uint32_t* src = r.pixels + start;
  if (alpha) {
    for (std::int32_t x = 0; x < r.width; ++x) {
      const std::uint32_t p = src[x];
      row[4 * x] = static_cast<png_byte>(p >> 16);
      row[4 * x + 1] = static_cast<png_byte>(p >> 8);
      row[4 * x + 2] = static_cast<png_byte>(p);
      row[4 * x + 3] = static_cast<png_byte>(p >> 24);
    }
    return;
  }
  const bool five = r.depth == 16;
  for (std::int32_t x = 0; x < r.width; ++x) {
    const std::uint32_t p = src[x];
    const auto c = [five](std::uint32_t v) {
      const auto b = static_cast<std::uint8_t>(v);
      return five ? five_bits(b) : b;
    };
    row[3 * x] = c(p >> 16);
    row[3 * x + 1] = c(p >> 8);
    row[3 * x + 2] = c(p);
  }
}

}  // namespace

EncodeStatus png_encode(const EncodeRequest& r, std::vector<std::uint8_t>& out) {
  out.clear();
  auto s = std::make_unique<Session>();
  const int grey = grey_bits(r.depth);
  const int bits = grey ? grey : index_bits(r.depth);
  const bool indexed = bits > 0;
  const bool alpha = r.alpha && !indexed && r.depth != 16;
  if (indexed && !reduce_colours(r, bits, grey > 0, s->indexed)) return EncodeStatus::no_memory;
  try {
    s->row.resize(static_cast<std::size_t>(r.width) * (alpha ? 4 : 3));
    for (const std::uint32_t c : s->indexed.palette) {
      s->palette.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                            static_cast<png_byte>(c)});
    }
  } catch (const std::bad_alloc&) {
    return EncodeStatus::no_memory;
  }
  s->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  if (!s->png) return EncodeStatus::no_memory;
  s->info = png_create_info_struct(s->png);
  if (!s->info) return EncodeStatus::no_memory;
  if (setjmp(png_jmpbuf(s->png))) {
    out.clear();
    return EncodeStatus::failed;
  }
  png_set_write_fn(s->png, &out, write_data, flush_data);
  const int colour_type = grey      ? PNG_COLOR_TYPE_GRAY
                          : indexed ? PNG_COLOR_TYPE_PALETTE
                          : alpha   ? PNG_COLOR_TYPE_RGB_ALPHA
                                    : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(s->png, s->info, static_cast<png_uint_32>(r.width),
               static_cast<png_uint_32>(r.height), indexed ? bits : 8, colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colour_type == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(s->png, s->info, s->palette.data(), static_cast<int>(s->palette.size()));
  }
  if (r.depth == 16) {
    png_color_8 significant{5, 5, 5, 0, 0};
    png_set_sBIT(s->png, s->info, &significant);
  }
  png_set_pHYs(s->png, s->info, per_metre(r.hres), per_metre(r.vres), PNG_RESOLUTION_METER);
  png_write_info(s->png, s->info);
  for (std::int32_t y = 0; y < r.height; ++y) {
    fill_row(r, *s, y, bits, indexed, alpha, s->row.data());
    png_write_row(s->png, s->row.data());
  }
  png_write_end(s->png, s->info);
  return EncodeStatus::ok;
}

}  // namespace velmora::platform::encoders
