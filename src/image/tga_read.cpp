// Reading Targa files: true colour of 15, 16, 24 and 32 bits, grey of 8 bits (16 with
// alpha), colour-mapped with 8- or 16-bit indices into a map of 15 to 32 bits, each
// uncompressed or run-length coded, from either corner.  Runs may cross rows, as many
// writers let them; a run or a file that ends before the picture does is damaged.
#include <algorithm>
#include <vector>

#include "image/byte_cursor.hpp"
#include "image/picture_errors.hpp"
#include "image/raster_formats.hpp"
#include "image/raster_readers.hpp"

namespace velmora::image {

namespace {

enum class TgaClass { mapped = 1, true_colour = 2, grey = 3 };

struct TgaHeader {
  std::uint8_t id_length = 0;
  std::uint8_t map_type = 0;
  TgaClass cls = TgaClass::true_colour;
  bool rle = false;
  std::uint16_t map_first = 0;
  std::uint16_t map_length = 0;
  std::uint8_t map_bits = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint8_t bits = 0;
  std::uint8_t alpha_bits = 0;
  bool right_to_left = false;
  bool top_down = false;
};

bool valid_colour_bits(std::uint8_t bits) {
  return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool parse_header(std::span<const std::uint8_t> head, TgaHeader& h) {
  ByteCursor c(head);
  h.id_length = c.u8();
  h.map_type = c.u8();
  const std::uint8_t type = c.u8();
  h.map_first = c.le16();
  h.map_length = c.le16();
  h.map_bits = c.u8();
  c.skip(4);  // the picture's position on a screen
  h.width = c.le16();
  h.height = c.le16();
  h.bits = c.u8();
  const std::uint8_t descriptor = c.u8();
  if (!c.ok() || h.map_type > 1 || h.width == 0 || h.height == 0) return false;
  // Interleaved rows (bits 6 and 7) belong to no writer still in use.
  if (descriptor & 0xC0) return false;
  h.alpha_bits = descriptor & 0x0F;
  h.right_to_left = (descriptor & 0x10) != 0;
  h.top_down = (descriptor & 0x20) != 0;
  h.rle = (type & 8) != 0;
  switch (type & ~8) {
    case 1:
      h.cls = TgaClass::mapped;
      return h.map_type == 1 && h.map_length > 0 && valid_colour_bits(h.map_bits) &&
             (h.bits == 8 || h.bits == 16);
    case 2:
      h.cls = TgaClass::true_colour;
      if (h.map_type == 1 && !valid_colour_bits(h.map_bits)) return false;
      return valid_colour_bits(h.bits);
    case 3:
      h.cls = TgaClass::grey;
      if (h.map_type == 1 && !valid_colour_bits(h.map_bits)) return false;
      return h.bits == 8 || h.bits == 16;
    default:
      return false;
  }
}

// One stored colour of 15..32 bits (little-endian, blue first).
Pixel colour(const std::uint8_t* p, std::uint8_t bits, bool with_alpha) {
  switch (bits) {
    case 15:
    case 16: {
      const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8);
      const std::uint8_t a = !with_alpha || (v & 0x8000) ? 0xFF : 0;
      return rgb(widen((v >> 10) & 31, 5), widen((v >> 5) & 31, 5), widen(v & 31, 5), a);
    }
    case 24:
      return rgb(p[2], p[1], p[0]);
    default:
      return rgb(p[2], p[1], p[0], with_alpha ? p[3] : 0xFF);
  }
}

class PixelReader {
 public:
  PixelReader(const TgaHeader& h, std::span<const Pixel> map)
      : h_(h), map_(map), with_alpha_(h.alpha_bits > 0) {}

  Pixel operator()(const std::uint8_t* p) const {
    switch (h_.cls) {
      case TgaClass::true_colour:
        return colour(p, h_.bits, with_alpha_);
      case TgaClass::grey:
        return rgb(p[0], p[0], p[0], h_.bits == 16 && with_alpha_ ? p[1] : 0xFF);
      case TgaClass::mapped: {
        const std::uint32_t index = h_.bits == 8 ? p[0] : p[0] | (std::uint32_t{p[1]} << 8);
        // Indices outside the map are damage of a kind readers commonly let pass.
        const std::uint32_t entry = index - h_.map_first;
        return index >= h_.map_first && entry < map_.size() ? map_[entry] : kBlack;
      }
    }
    return kBlack;
  }

 private:
  const TgaHeader& h_;
  std::span<const Pixel> map_;
  bool with_alpha_;
};

// The pixels in the order the file holds them.
bool unpack(ByteCursor& c, const TgaHeader& h, const PixelReader& read, std::span<Pixel> out) {
  const std::size_t unit = (h.bits + 7) / 8;
  std::size_t i = 0;
  if (!h.rle) {
    const auto data = c.take(out.size() * unit);
    if (!c.ok()) return false;
    for (; i < out.size(); ++i) out[i] = read(data.data() + i * unit);
    return true;
  }
  while (i < out.size()) {
    const std::uint8_t packet = c.u8();
    const std::size_t count = std::size_t{packet & 0x7Fu} + 1;
    if (!c.ok() || count > out.size() - i) return false;
    if (packet & 0x80) {
      const auto data = c.take(unit);
      if (!c.ok()) return false;
      const Pixel p = read(data.data());
      for (std::size_t k = 0; k < count; ++k) out[i++] = p;
    } else {
      const auto data = c.take(count * unit);
      if (!c.ok()) return false;
      for (std::size_t k = 0; k < count; ++k) out[i++] = read(data.data() + k * unit);
    }
  }
  return true;
}

}  // namespace

bool sniff_tga(std::span<const std::uint8_t> head) {
  TgaHeader h;
  return parse_header(head, h);
}

Err describe_tga(std::span<const std::uint8_t> head, Description& out) {
  TgaHeader h;
  if (!parse_header(head, h)) return kBadPictureData;
  out = Description{};
  out.bounds = PixRect{0, 0, h.width, h.height};
  switch (h.cls) {
    case TgaClass::mapped:
      out.depth = 8;
      break;
    case TgaClass::grey:
      out.depth = h.bits == 16 && h.alpha_bits > 0 ? 32 : 40;
      break;
    case TgaClass::true_colour:
      out.depth = h.bits == 32 && h.alpha_bits == 0 ? 24 : (h.bits == 15 ? 16 : h.bits);
      break;
  }
  return kNoErr;
}

Err read_tga(std::span<const std::uint8_t> file, Pixmap& out) {
  TgaHeader h;
  if (!parse_header(file, h)) return kBadPictureData;
  ByteCursor c(file);
  c.seek(kTgaHeaderSize);
  if (!c.skip(h.id_length)) return kBadPictureData;
  std::vector<Pixel> map;
  if (h.map_type == 1) {
    const std::size_t unit = (h.map_bits + 7) / 8;
    const auto bytes = c.take(std::size_t{h.map_length} * unit);
    if (!c.ok()) return kBadPictureData;
    if (h.cls == TgaClass::mapped) {
      map.resize(h.map_length);
      for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = colour(bytes.data() + i * unit, h.map_bits, h.alpha_bits > 0);
    }
  }
  // Too few bytes for the picture even at the longest runs: damaged, and no world made.
  const std::size_t unit = (h.bits + 7) / 8;
  const std::size_t count = std::size_t{h.width} * h.height;
  if (c.remaining() < (h.rle ? (count + 127) / 128 * (1 + unit) : count * unit))
    return kBadPictureData;
  Pixmap world;
  if (const Err err = make_world(h.width, h.height, world); err != kNoErr) return err;
  // The stored order first, then turned to rows from the top, left to right, in place.
  const std::span<Pixel> pixels(world.row(0), std::size_t{h.width} * h.height);
  if (!unpack(c, h, PixelReader(h, map), pixels)) return kBadPictureData;
  if (!h.top_down) {
    for (std::int32_t y = 0; y < h.height / 2; ++y)
      std::swap_ranges(world.row(y), world.row(y) + h.width, world.row(h.height - 1 - y));
  }
  if (h.right_to_left) {
    for (std::int32_t y = 0; y < h.height; ++y) std::reverse(world.row(y), world.row(y) + h.width);
  }
  // Writers that never meant alpha leave it 0 everywhere: such a picture is opaque.
  if (std::none_of(pixels.begin(), pixels.end(), [](Pixel p) { return alpha(p) != 0; })) {
    for (Pixel& p : pixels) p |= 0xFF000000u;
  }
  out = std::move(world);
  return kNoErr;
}

}  // namespace velmora::image
