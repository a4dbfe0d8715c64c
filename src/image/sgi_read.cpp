// Reading SGI image files: verbatim or run-length coded, 1 to 4 channels (grey, grey
// and alpha, RGB, RGBA; further channels are passed over), 8 or 16 bits a channel (16
// keep their high byte).  Rows are stored from the bottom up, one channel after the
// other; coded rows are found through the offset and length tables.
#include <vector>

#include "image/byte_cursor.hpp"
#include "image/picture_errors.hpp"
#include "image/raster_formats.hpp"
#include "image/raster_readers.hpp"

namespace velmora::image {

namespace {

constexpr std::uint16_t kMagic = 474;
constexpr std::uint32_t kNormalColours = 0;

struct SgiHeader {
  bool rle = false;
  std::uint8_t bytes_per_channel = 1;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t channels = 1;
  std::uint32_t colour_map = 0;
};

bool parse_header(std::span<const std::uint8_t> head, SgiHeader& h) {
  ByteCursor c(head);
  if (c.be16() != kMagic) return false;
  const std::uint8_t storage = c.u8();
  h.bytes_per_channel = c.u8();
  const std::uint16_t dimensions = c.be16();
  h.width = c.be16();
  h.height = c.be16();
  h.channels = c.be16();
  c.skip(4 + 4 + 4 + 80);  // smallest and largest value, reserved, name
  h.colour_map = c.be32();
  if (!c.ok() || storage > 1 || dimensions < 1 || dimensions > 3) return false;
  if (h.bytes_per_channel != 1 && h.bytes_per_channel != 2) return false;
  h.rle = storage == 1;
  if (dimensions < 2) h.height = 1;
  if (dimensions < 3) h.channels = 1;
  return h.width > 0 && h.height > 0 && h.channels > 0;
}

std::uint32_t unit_at(const std::uint8_t* p, std::size_t unit) {
  return unit == 1 ? p[0] : (std::uint32_t{p[0]} << 8) | p[1];
}

// One coded row of `out.size()` values; false when the codes run past the row or its
// bytes end first.
bool unpack_row(std::span<const std::uint8_t> in, std::size_t unit, std::span<std::uint8_t> out) {
  ByteCursor c(in);
  std::size_t filled = 0;
  while (filled < out.size() && c.remaining() >= unit) {
    const auto code = c.take(unit);
    const std::uint32_t v = unit_at(code.data(), unit);
    const std::size_t count = v & 0x7F;
    if (count == 0) break;
    if (count > out.size() - filled) return false;
    if (v & 0x80) {
      const auto run = c.take(count * unit);
      if (!c.ok()) return false;
      for (std::size_t k = 0; k < count; ++k) out[filled++] = run[k * unit];
    } else {
      const auto value = c.take(unit);
      if (!c.ok()) return false;
      for (std::size_t k = 0; k < count; ++k) out[filled++] = value[0];
    }
  }
  return filled == out.size();
}

// Lays one channel's row onto a world row: `channel` of at most 4 used.
void merge(std::span<const std::uint8_t> values, int channel, std::uint16_t channels, Pixel* row) {
  for (std::size_t x = 0; x < values.size(); ++x) {
    const Pixel v = values[x];
    Pixel& p = row[x];
    if (channels <= 2) {
      p = channel == 0 ? (p & 0xFF000000u) | (v << 16) | (v << 8) | v
                       : (p & 0x00FFFFFFu) | (v << 24);
    } else {
      const int shift = channel == 3 ? 24 : 16 - 8 * channel;
      p = (p & ~(Pixel{0xFF} << shift)) | (v << shift);
    }
  }
}

}  // namespace

bool sniff_sgi(std::span<const std::uint8_t> head) {
  SgiHeader h;
  return parse_header(head, h);
}

Err describe_sgi(std::span<const std::uint8_t> head, Description& out) {
  SgiHeader h;
  if (!parse_header(head, h)) return kBadPictureData;
  if (h.colour_map != kNormalColours) return kUnsupportedData;
  out = Description{};
  out.bounds = PixRect{0, 0, h.width, h.height};
  out.depth = h.channels == 1 ? 40 : h.channels == 3 ? 24 : 32;
  return kNoErr;
}

Err read_sgi(std::span<const std::uint8_t> file, Pixmap& out) {
  SgiHeader h;
  if (!parse_header(file, h)) return kBadPictureData;
  if (h.colour_map != kNormalColours) return kUnsupportedData;
  const std::size_t unit = h.bytes_per_channel;
  const std::size_t row_bytes = std::size_t{h.width} * unit;
  const std::size_t rows = std::size_t{h.height} * h.channels;
  // The coded rows' tables, or the verbatim planes, must lie within the file.
  const std::size_t needed = h.rle ? rows * 8 : rows * row_bytes;
  if (file.size() < kSgiHeaderSize || file.size() - kSgiHeaderSize < needed) return kBadPictureData;

  Pixmap world;
  if (const Err err = make_world(h.width, h.height, world); err != kNoErr) return err;
  std::vector<std::uint8_t> values(h.width);
  const int used = h.channels < 4 ? h.channels : 4;
  for (int z = 0; z < used; ++z) {
    for (std::size_t y = 0; y < h.height; ++y) {
      const std::size_t index = y + std::size_t{h.height} * z;
      if (h.rle) {
        ByteCursor tables(file.subspan(kSgiHeaderSize));
        tables.skip(index * 4);
        const std::uint32_t start = tables.be32();
        tables.seek(rows * 4 + index * 4);
        const std::uint32_t length = tables.be32();
        if (!tables.ok() || start > file.size() || length > file.size() - start) {
          return kBadPictureData;
        }
        if (!unpack_row(file.subspan(start, length), unit, values)) return kBadPictureData;
      } else {
        const std::uint8_t* p = file.data() + kSgiHeaderSize + index * row_bytes;
        for (std::size_t x = 0; x < h.width; ++x) values[x] = p[x * unit];
      }
      merge(values, z, h.channels, world.row(static_cast<std::int32_t>(h.height - 1 - y)));
    }
  }
  out = std::move(world);
  return kNoErr;
}

}  // namespace velmora::image
