// Reading DIBs: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, run-length coded
// (RLE8, RLE4) or with bit-field masks, bottom-up or top-down.  Every row, table entry
// and run is checked against the bytes given.
#include "image/dib.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <new>
#include <vector>

#include "image/byte_cursor.hpp"
#include "image/picture_errors.hpp"
#include "platform/shared/block_reduce.hpp"

namespace velmora::image {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr std::size_t kFileHeader = 14;

struct DibHeader {
  std::size_t header_size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive
  bool top_down = false;
  std::uint16_t bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t xppm = 0, yppm = 0;
  std::uint32_t colours = 0;
  std::array<std::uint32_t, 3> masks{};
  std::uint32_t alpha_mask = 0;  // version 3 headers and later, with bit fields
  std::array<Pixel, 256> palette{};
  std::size_t pixels_offset = 0;  // from the start of the DIB
};

Err parse_header(std::span<const std::uint8_t> dib, std::size_t pixel_offset_hint, DibHeader& h) {
  ByteCursor c(dib);
  h.header_size = c.le32();
  if (!c.ok()) return kBadPictureData;
  std::size_t entry = 4;
  if (h.header_size == 12) {  // the old OS/2 core header
    h.width = c.le16();
    h.height = static_cast<std::int16_t>(c.le16());
    c.skip(2);
    h.bits = c.le16();
    entry = 3;
  } else if (h.header_size >= 40 && h.header_size <= 124) {
    h.width = static_cast<std::int32_t>(c.le32());
    h.height = static_cast<std::int32_t>(c.le32());
    c.skip(2);
    h.bits = c.le16();
    h.compression = c.le32();
    c.skip(4);
    h.xppm = c.le32();
    h.yppm = c.le32();
    h.colours = c.le32();
    c.skip(4);
    if (h.compression == kBitFields) {
      // The masks follow a 40-byte header, or sit inside a larger one.
      c.seek(40);
      for (auto& m : h.masks) m = c.le32();
      if (h.header_size >= 56) h.alpha_mask = c.le32();
    }
  } else {
    return kUnsupportedData;
  }
  if (!c.ok()) return kBadPictureData;
  if (h.height == INT32_MIN || h.width <= 0 || h.height == 0) return kBadPictureData;
  h.top_down = h.height < 0;
  if (h.top_down) h.height = -h.height;
  if (std::int64_t{h.width} * h.height > kMaxPixels) return kMemFull;
  const bool bits_ok =
      h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 || h.bits == 32;
  if (!bits_ok) return kUnsupportedData;
  if ((h.compression == kRle8 && h.bits != 8) || (h.compression == kRle4 && h.bits != 4) ||
      (h.compression == kBitFields && h.bits != 16 && h.bits != 32) || h.compression > kBitFields)
    return kUnsupportedData;
  if (h.compression == kRgb && h.bits == 16) h.masks = {0x7C00, 0x03E0, 0x001F};
  if (h.compression == kRgb && h.bits == 32) h.masks = {0xFF0000, 0x00FF00, 0x0000FF};

  // Colour table.
  std::size_t table_at =
      h.header_size + (h.compression == kBitFields && h.header_size == 40 ? 12 : 0);
  std::uint32_t count = 0;
  if (h.bits <= 8)
    count = h.colours == 0 || h.colours > (1u << h.bits) ? (1u << h.bits) : h.colours;
  else if (h.colours <= 256)
    count = 0;
  h.palette.fill(kBlack);
  c.seek(table_at);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t b = c.u8(), g = c.u8(), r = c.u8();
    if (entry == 4) c.u8();
    if (!c.ok()) return kBadPictureData;
    h.palette[i] = rgb(r, g, b);
  }
  h.pixels_offset = pixel_offset_hint != 0 ? pixel_offset_hint : table_at + count * entry;
  return kNoErr;
}

std::int16_t description_depth(const DibHeader& h) {
  return static_cast<std::int16_t>(h.bits);
}

Pixel from_masks(std::uint32_t v, const std::array<std::uint32_t, 3>& masks,
                 std::uint32_t alpha_mask = 0) {
  std::uint8_t c[4] = {0, 0, 0, 0xFF};
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t m = i < 3 ? masks[i] : alpha_mask;
    if (i == 3 && m == 0) break;
    if (m == 0) {
      c[i] = 0;
      continue;
    }
    const int shift = std::countr_zero(m);
    const int width = std::popcount(m >> shift);
    const std::uint32_t max = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1);
    const std::uint32_t part = (v & m) >> shift;
    c[i] = static_cast<std::uint8_t>((static_cast<std::uint64_t>(part) * 255 + max / 2) / max);
  }
  return rgb(c[0], c[1], c[2], c[3]);
}

void convert_row(const DibHeader& h, const std::uint8_t* in, Pixel* out) {
  // The common 32-bit layout needs no mask arithmetic.
  const bool plain32 = h.bits == 32 && h.alpha_mask == 0 && h.masks[0] == 0xFF0000 &&
                       h.masks[1] == 0x00FF00 && h.masks[2] == 0x0000FF;
  for (std::int32_t x = 0; x < h.width; ++x) {
    switch (h.bits) {
      case 1:
        out[x] = h.palette[(in[x / 8] >> (7 - x % 8)) & 1];
        break;
      case 4:
        out[x] = h.palette[(in[x / 2] >> (x % 2 ? 0 : 4)) & 15];
        break;
      case 8:
        out[x] = h.palette[in[x]];
        break;
      case 16:
        out[x] = from_masks(in[2 * x] | (in[2 * x + 1] << 8), h.masks, h.alpha_mask);
        break;
      case 24:
        out[x] = rgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        break;
      default: {
        const std::uint32_t v = in[4 * x] | (in[4 * x + 1] << 8) | (in[4 * x + 2] << 16) |
                                (std::uint32_t{in[4 * x + 3]} << 24);
        out[x] = plain32 ? v | 0xFF000000u : from_masks(v, h.masks, h.alpha_mask);
      }
    }
  }
}

// Run-length coded pixels: runs and literal groups, with end-of-line, end-of-bitmap and
// delta escapes.  Pixels that are never written keep the first palette colour.  Every
// row is handed to emit(y, pixels) once, in the order the stream codes them (y counted
// from the top), when the stream has moved past it.
template <typename Emit>
void decode_rle(const DibHeader& h, ByteCursor& c, std::vector<Pixel>& line, Emit emit) {
  line.assign(static_cast<std::size_t>(h.width), h.palette[0]);
  std::int64_t x = 0, y = 0;
  // Rows before `to` are done: handed on, the current one cleared for the next.
  auto advance = [&](std::int64_t to) {
    for (to = std::min<std::int64_t>(to, h.height); y < to; ++y) {
      emit(static_cast<std::int32_t>(h.top_down ? y : h.height - 1 - y), line.data());
      std::fill(line.begin(), line.end(), h.palette[0]);
    }
  };
  auto put = [&](std::uint8_t index) {
    if (x < h.width) line[static_cast<std::size_t>(x)] = h.palette[index];
    ++x;
  };
  const bool four = h.compression == kRle4;
  while (y < h.height) {
    const std::uint8_t n = c.u8();
    const std::uint8_t v = c.u8();
    if (!c.ok()) break;  // a stream cut short keeps what it drew
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(four ? ((i % 2) ? v & 15 : v >> 4) : v);
      continue;
    }
    if (v == 0) {
      x = 0;
      advance(y + 1);
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      x += c.u8();
      advance(y + c.u8());
    } else {
      const std::size_t bytes = four ? (v + 1u) / 2 : v;
      const auto data = c.take(bytes);
      if (!c.ok()) break;
      for (int i = 0; i < v; ++i)
        put(four ? ((i % 2) ? data[i / 2] & 15 : data[i / 2] >> 4) : data[i]);
      if (bytes % 2) c.skip(1);
    }
  }
  advance(h.height);
}

Err locate(std::span<const std::uint8_t> bytes, bool packed, std::span<const std::uint8_t>& dib,
           std::size_t& pixel_offset) {
  pixel_offset = 0;
  if (packed) {
    dib = bytes;
    return kNoErr;
  }
  if (!looks_like_bmp(bytes)) return kNoImporter;
  ByteCursor c(bytes);
  c.skip(10);
  const std::uint32_t off = c.le32();
  dib = bytes.subspan(kFileHeader);
  if (off >= kFileHeader && off < bytes.size()) pixel_offset = off - kFileHeader;
  return kNoErr;
}

}  // namespace

bool looks_like_bmp(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeader + 4 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const std::uint32_t header =
      bytes[14] | (bytes[15] << 8) | (bytes[16] << 16) | (std::uint32_t{bytes[17]} << 24);
  return header == 12 || (header >= 40 && header <= 124);
}

Fixed resolution_from_per_metre(std::uint32_t per_metre) {
  if (per_metre == 0) return to_fixed(72);
  const double dpi = per_metre * 0.0254;
  if (dpi > 32767) return to_fixed(32767);
  return static_cast<Fixed>(std::llround(dpi * 65536.0));
}

Err describe_dib(std::span<const std::uint8_t> bytes, bool packed, Description& out) {
  std::span<const std::uint8_t> dib;
  std::size_t pixel_offset = 0;
  if (const Err err = locate(bytes, packed, dib, pixel_offset); err != kNoErr) return err;
  DibHeader h;
  if (const Err err = parse_header(dib, pixel_offset, h); err != kNoErr) return err;
  out = Description{};
  out.bounds = PixRect{0, 0, h.width, h.height};
  out.depth = description_depth(h);
  out.hres = resolution_from_per_metre(h.xppm);
  out.vres = resolution_from_per_metre(h.yppm);
  return kNoErr;
}

Err read_dib(std::span<const std::uint8_t> bytes, bool packed, Pixmap& out) {
  std::span<const std::uint8_t> dib;
  std::size_t pixel_offset = 0;
  if (const Err err = locate(bytes, packed, dib, pixel_offset); err != kNoErr) return err;
  DibHeader h;
  if (const Err err = parse_header(dib, pixel_offset, h); err != kNoErr) return err;
  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bits + 31) / 32) * 4;
  // Uncompressed rows that cannot all be there are refused before the world is made.
  if (h.pixels_offset > dib.size() ||
      (!rle && stride * static_cast<std::size_t>(h.height) > dib.size() - h.pixels_offset))
    return kBadPictureData;
  Pixmap world;
  if (const Err err = world.create(PixRect{0, 0, h.width, h.height}); err != kNoErr) return err;
  ByteCursor c(dib);
  if (!c.seek(h.pixels_offset)) return kBadPictureData;
  if (rle) {
    std::vector<Pixel> line;
    decode_rle(h, c, line,
               [&](std::int32_t y, const Pixel* row) { std::copy_n(row, h.width, world.row(y)); });
  } else {
    for (std::int32_t y = 0; y < h.height; ++y) {
      const auto data = c.take(stride);
      if (!c.ok()) return kBadPictureData;
      const std::int32_t row = h.top_down ? y : h.height - 1 - y;
      convert_row(h, data.data(), world.row(row));
    }
    // Many writers declare an alpha mask and leave it zero everywhere: such a bitmap is
    // opaque, not invisible.
    if (h.alpha_mask != 0 && std::all_of(world.pixels().begin(), world.pixels().end(),
                                         [](Pixel p) { return alpha(p) == 0; })) {
      for (std::int32_t y = 0; y < world.height(); ++y) {
        for (std::int32_t x = 0; x < world.width(); ++x) world.row(y)[x] |= 0xFF000000u;
      }
    }
  }
  out = std::move(world);
  return kNoErr;
}

namespace {

// What is read of a BMP file for its headers and colour table: the file header, the
// largest info header with its masks, 256 entries of four bytes.
constexpr std::size_t kBmpHeadBytes = kFileHeader + 124 + 12 + 256 * 4;
// Uncompressed rows are read in pieces of about this size.
constexpr std::size_t kRowChunkBytes = std::size_t{4} << 20;
// Pictures up to this many pixels are decoded whole even when they are drawn smaller, so
// that they are resampled exactly; larger ones are averaged in blocks as their rows are
// read (the blocks at the right and bottom edges are then drawn as large as the others).
constexpr std::int64_t kWholePixels = std::int64_t{1} << 25;
// The most of a run-length coded stream that is read.
constexpr std::uint64_t kMaxRleBytes = std::uint64_t{256} << 20;

// Stored rows [first, last) of an uncompressed bitmap, converted, read in pieces of about
// kRowChunkBytes; each is handed to take(stored row, pixels), which answers whether to go
// on.
template <typename Take>
Err each_stored_row(platform::CodecInput& in, std::uint64_t at, const DibHeader& h,
                    std::size_t stride, std::int64_t first, std::int64_t last, Take take) {
  std::vector<std::uint8_t> chunk;
  std::vector<Pixel> row;
  try {
    row.resize(static_cast<std::size_t>(h.width));
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  const std::size_t per_chunk = std::max<std::size_t>(1, kRowChunkBytes / stride);
  for (std::int64_t r = first; r < last;) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(per_chunk, last - r));
    try {
      chunk.resize(n * stride);
    } catch (const std::bad_alloc&) {
      return kMemFull;
    }
    if (!in.read(at + static_cast<std::uint64_t>(r) * stride, chunk.data(), chunk.size()))
      return kBadPictureData;
    for (std::size_t i = 0; i < n; ++i, ++r) {
      convert_row(h, chunk.data() + i * stride, row.data());
      if (!take(r, row)) return kNoErr;
    }
  }
  return kNoErr;
}

// Whether any pixel of the uncompressed rows has a non-zero alpha (the rows read once,
// a piece at a time, until one does).
Err any_alpha(platform::CodecInput& in, std::uint64_t at, const DibHeader& h, std::size_t stride,
              bool& found) {
  found = false;
  return each_stored_row(
      in, at, h, stride, 0, h.height, [&](std::int64_t, const std::vector<Pixel>& row) {
        found = std::any_of(row.begin(), row.end(), [](Pixel p) { return alpha(p) != 0; });
        return !found;
      });
}

Err from_codec(platform::CodecStatus status) {
  return status == platform::CodecStatus::no_memory ? kMemFull : kBadPictureData;
}

}  // namespace

Err read_bmp(platform::CodecInput& in, std::int32_t min_width, std::int32_t min_height,
             const platform::PixelWindow& window, platform::DecodedPicture& out) {
  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), kBmpHeadBytes)));
  if (!in.read(0, head.data(), head.size())) return kBadPictureData;
  if (!looks_like_bmp(head)) return kNoImporter;
  ByteCursor fc(head);
  fc.skip(10);
  const std::uint32_t off = fc.le32();
  const std::uint64_t dib_size = in.size() - kFileHeader;
  const std::size_t hint = off >= kFileHeader && off < in.size() ? off - kFileHeader : 0;
  DibHeader h;
  if (const Err err = parse_header(std::span(head).subspan(kFileHeader), hint, h); err != kNoErr)
    return err;
  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  const std::size_t stride = ((static_cast<std::size_t>(h.width) * h.bits + 31) / 32) * 4;
  if (h.pixels_offset > dib_size ||
      (!rle && stride * static_cast<std::size_t>(h.height) > dib_size - h.pixels_offset))
    return kBadPictureData;
  const std::uint64_t at = kFileHeader + h.pixels_offset;

  platform::BlockReducer reducer;
  const std::int32_t k = std::int64_t{h.width} * h.height <= kWholePixels
                             ? 1
                             : platform::block_factor(h.width, h.height, min_width, min_height);
  if (const platform::CodecStatus st = reducer.start(
          h.width, h.height, k, platform::BlockReducer::Order::bands, out, kWhite, window);
      st != platform::CodecStatus::ok)
    return from_codec(st);
  std::vector<Pixel> row;
  try {
    row.resize(static_cast<std::size_t>(h.width));
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  if (rle) {
    // A stream that codes each pixel once needs at most two bytes a pixel and one
    // end-of-line code a row; that much is read first.  But runs may go on past a row's
    // end and escapes may draw nothing, so a stream that runs past what was read is read
    // again from the front, twice as far each time (at most kMaxRleBytes), and decoded
    // afresh: a small picture at the front of a vast file still reads only its front.
    const std::uint64_t available =
        std::min<std::uint64_t>(dib_size - h.pixels_offset, kMaxRleBytes);
    std::uint64_t want = std::min(available, static_cast<std::uint64_t>(h.width) * h.height * 2 +
                                                 static_cast<std::uint64_t>(h.height) * 2 + 2);
    std::vector<std::uint8_t> data;
    for (;;) {
      try {
        data.resize(static_cast<std::size_t>(want));
      } catch (const std::bad_alloc&) {
        return kMemFull;
      }
      if (!in.read(at, data.data(), data.size())) return kBadPictureData;
      ByteCursor c(data);
      decode_rle(h, c, row, [&](std::int32_t y, const Pixel* line) { reducer.add_row(y, line); });
      if (c.ok() || want == available) break;
      want = std::min(available, want * 2);
      if (const platform::CodecStatus st = reducer.start(
              h.width, h.height, k, platform::BlockReducer::Order::bands, out, kWhite, window);
          st != platform::CodecStatus::ok)
        return from_codec(st);
    }
    reducer.finish();
    return kNoErr;
  }
  // Many writers declare an alpha mask and leave it zero everywhere: such a bitmap is
  // opaque, not invisible.
  bool opaque = false;
  if (h.alpha_mask != 0) {
    bool found = false;
    if (const Err err = any_alpha(in, at, h, stride, found); err != kNoErr) return err;
    opaque = !found;
  }
  // The stored rows holding the kept ones, in the order they are stored.
  const std::int64_t first = h.top_down ? reducer.first_row() : h.height - reducer.last_row();
  const std::int64_t last = h.top_down ? reducer.last_row() : h.height - reducer.first_row();
  if (const Err err = each_stored_row(
          in, at, h, stride, first, last,
          [&](std::int64_t r, std::vector<Pixel>& pixels) {
            if (opaque)
              for (Pixel& p : pixels) p |= 0xFF000000u;
            reducer.add_row(static_cast<std::int32_t>(h.top_down ? r : h.height - 1 - r),
                            pixels.data());
            return true;
          });
      err != kNoErr)
    return err;
  reducer.finish();
  return kNoErr;
}

Err write_dib(const Pixmap& world, Fixed hres, Fixed vres, bool file_header,
              std::vector<std::uint8_t>& out) {
  if (world.empty()) return kParamErr;
  const std::size_t stride = ((static_cast<std::size_t>(world.width()) * 3 + 3) / 4) * 4;
  const std::size_t image = stride * world.height();
  const std::size_t head = (file_header ? kFileHeader : 0) + 40;
  auto per_metre = [](Fixed dpi) {
    return static_cast<std::uint32_t>(std::llround(dpi / 65536.0 / 0.0254));
  };
  try {
    out.assign(head + image, 0);
  } catch (const std::bad_alloc&) {
    out.clear();
    return kMemFull;
  }
  std::size_t p = 0;
  auto put16 = [&](std::uint32_t v) {
    out[p++] = static_cast<std::uint8_t>(v);
    out[p++] = static_cast<std::uint8_t>(v >> 8);
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  if (file_header) {
    out[p++] = 'B';
    out[p++] = 'M';
    put32(static_cast<std::uint32_t>(out.size()));
    put32(0);
    put32(static_cast<std::uint32_t>(head));
  }
  put32(40);
  put32(static_cast<std::uint32_t>(world.width()));
  put32(static_cast<std::uint32_t>(world.height()));
  put16(1);
  put16(24);
  put32(kRgb);
  put32(static_cast<std::uint32_t>(image));
  put32(per_metre(hres));
  put32(per_metre(vres));
  put32(0);
  put32(0);
  for (std::int32_t y = 0; y < world.height(); ++y) {
    const Pixel* row = world.row(world.height() - 1 - y);
    std::uint8_t* dst = out.data() + head + stride * y;
    for (std::int32_t x = 0; x < world.width(); ++x) {
      dst[3 * x] = blue(row[x]);
      dst[3 * x + 1] = green(row[x]);
      dst[3 * x + 2] = red(row[x]);
    }
  }
  return kNoErr;
}

}  // namespace velmora::image
