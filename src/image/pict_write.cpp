// Recording a world as a picture: the extended version 2 header with the resolution,
// the world's bounds as clip, and bitmaps of the world at its depth (one, or bands side
// by side for wide worlds): PackBits-coded
// colour planes for direct colour, colour indexes with their table for 8 bits or fewer.
#include <algorithm>
#include <limits>
#include <new>
#include <unordered_map>

#include "image/packbits.hpp"
#include "image/pict.hpp"

namespace velmora::image {

namespace {

class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
  void u8(std::uint8_t v) { out_.push_back(v); }
  void be16(std::uint32_t v) {
    u8(static_cast<std::uint8_t>(v >> 8));
    u8(static_cast<std::uint8_t>(v));
  }
  void be32(std::uint32_t v) {
    be16(v >> 16);
    be16(v & 0xFFFF);
  }
  void rect(const PixRect& r) {
    be16(static_cast<std::uint16_t>(r.top));
    be16(static_cast<std::uint16_t>(r.left));
    be16(static_cast<std::uint16_t>(r.bottom));
    be16(static_cast<std::uint16_t>(r.right));
  }

 private:
  std::vector<std::uint8_t>& out_;
};

bool fits_16(const PixRect& r) {
  constexpr std::int32_t lo = std::numeric_limits<std::int16_t>::min();
  constexpr std::int32_t hi = std::numeric_limits<std::int16_t>::max();
  return r.left >= lo && r.top >= lo && r.right <= hi && r.bottom <= hi;
}

// Readers take 14 bits of a pixel map's row bytes (the two above are flags), so a wide
// world is recorded as bands side by side, each narrow enough for its rows to fit.
constexpr std::int32_t band_width(int bits_per_pixel) {
  return 0x3FFE * 8 / bits_per_pixel;
}

// Opcodes start on even offsets; a band's data may end on an odd one.
template <typename F, typename Pad>
void for_each_band(const PixRect& b, int bits_per_pixel, F f, Pad pad_to_word) {
  const std::int32_t step = band_width(bits_per_pixel);
  for (std::int32_t left = b.left; left < b.right; left += step) {
    f(PixRect{left, b.top, std::min(b.right, left + step), b.bottom});
    pad_to_word();
  }
}

// One row as its R, G and B planes, PackBits-coded, behind its byte count.
void write_row(const Pixel* row, std::int32_t width, std::size_t row_bytes,
               std::vector<std::uint8_t>& planes, std::vector<std::uint8_t>& packed,
               std::vector<std::uint8_t>& out) {
  planes.resize(static_cast<std::size_t>(width) * 3);
  for (std::int32_t x = 0; x < width; ++x) {
    planes[x] = red(row[x]);
    planes[width + x] = green(row[x]);
    planes[2 * width + x] = blue(row[x]);
  }
  packed.clear();
  packbits_encode(planes, packed);
  Writer w(out);
  if (row_bytes > 250) {
    w.be16(static_cast<std::uint32_t>(packed.size()));
  } else {
    w.u8(static_cast<std::uint8_t>(packed.size()));
  }
  out.insert(out.end(), packed.begin(), packed.end());
}

// The bits of a recording at `depth`: 0 for direct 32-bit pixels.
int indexed_bits(std::int16_t depth) {
  switch (depth) {
    case 1:
    case 2:
    case 4:
    case 8:
      return depth;
    case 34:
    case 36:
    case 40:
      return depth - 32;  // grey scales
    default:
      return 0;
  }
}

// Every colour the world uses, with the index of each pixel, when they fit in `bits`;
// false when there are more.
bool index_world(const Pixmap& world, int bits, std::vector<Pixel>& colours,
                 std::vector<std::uint8_t>& indexes) {
  const std::size_t limit = std::size_t{1} << bits;
  std::unordered_map<Pixel, std::uint8_t> known;
  colours.clear();
  indexes.resize(world.pixels().size());
  Pixel last = 0;
  std::uint8_t last_index = 0;
  bool have_last = false;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    const Pixel p = world.pixels()[i] & 0x00FFFFFF;
    if (!have_last || p != last) {
      const auto found = known.find(p);
      if (found != known.end()) {
        last_index = found->second;
      } else {
        if (colours.size() == limit) return false;
        last_index = static_cast<std::uint8_t>(colours.size());
        known.emplace(p, last_index);
        colours.push_back(p);
      }
      last = p;
      have_last = true;
    }
    indexes[i] = last_index;
  }
  return true;
}

void write_header(Writer& w, const PixRect& b, Fixed hres, Fixed vres) {
  w.be16(0);  // size, patched at the end
  w.rect(b);
  w.be16(0x0011);  // version 2
  w.be16(0x02FF);
  w.be16(0x0C00);  // extended header: version -2, resolution, source rectangle
  w.be16(0xFFFE);
  w.be16(0);
  w.be32(static_cast<std::uint32_t>(hres));
  w.be32(static_cast<std::uint32_t>(vres));
  w.rect(b);
  w.be32(0);
  w.be16(0x001E);  // default highlight
  w.be16(0x0001);  // clip to the bounds
  w.be16(10);
  w.rect(b);
}

// The pixel map fields after the row bytes and bounds.
void write_pixmap_fields(Writer& w, std::uint16_t pack_type, Fixed hres, Fixed vres,
                         std::uint16_t pixel_type, std::uint16_t pixel_size,
                         std::uint16_t components, std::uint16_t component_size) {
  w.be16(0);  // pixmap version
  w.be16(pack_type);
  w.be32(0);  // pack size
  w.be32(static_cast<std::uint32_t>(hres));
  w.be32(static_cast<std::uint32_t>(vres));
  w.be16(pixel_type);
  w.be16(pixel_size);
  w.be16(components);
  w.be16(component_size);
  w.be32(0);  // plane bytes
  w.be32(0);  // colour table (given separately for indexed maps)
  w.be32(0);  // reserved
}

// One DirectBitsRect of 32-bit pixels over band b of the world: R, G and B planes,
// PackBits-coded.
void write_direct32(Writer& w, const Pixmap& world, const PixRect& b, Fixed hres, Fixed vres,
                    std::uint16_t mode, std::vector<std::uint8_t>& out) {
  const std::int32_t skip = b.left - world.bounds().left;
  const std::size_t row_bytes = static_cast<std::size_t>(b.width()) * 4;
  // Rows under 8 bytes cannot be packed; they are stored as they are.
  const bool packed = row_bytes >= 8;
  w.be16(0x009A);
  w.be32(0x000000FF);
  w.be16(static_cast<std::uint32_t>(row_bytes) | 0x8000);
  w.rect(b);
  write_pixmap_fields(w, packed ? 4 : 1, hres, vres, 16, 32, 3, 8);
  w.rect(b);  // source
  w.rect(b);  // destination
  w.be16(mode);
  std::vector<std::uint8_t> planes, packed_row;
  for (std::int32_t y = 0; y < world.height(); ++y) {
    const Pixel* row = world.row(y) + skip;
    if (packed) {
      write_row(row, b.width(), row_bytes, planes, packed_row, out);
    } else {
      for (std::int32_t x = 0; x < b.width(); ++x) w.be32(row[x] & 0x00FFFFFF);
    }
  }
}

// One DirectBitsRect of 16-bit pixels (5 bits per colour) over band b, rows unpacked.
void write_direct16(Writer& w, const Pixmap& world, const PixRect& b, Fixed hres, Fixed vres,
                    std::uint16_t mode) {
  const std::int32_t skip = b.left - world.bounds().left;
  const std::size_t row_bytes = static_cast<std::size_t>(b.width()) * 2;
  w.be16(0x009A);
  w.be32(0x000000FF);
  w.be16(static_cast<std::uint32_t>(row_bytes) | 0x8000);
  w.rect(b);
  write_pixmap_fields(w, 1, hres, vres, 16, 16, 3, 5);
  w.rect(b);
  w.rect(b);
  w.be16(mode);
  for (std::int32_t y = 0; y < world.height(); ++y) {
    const Pixel* row = world.row(y) + skip;
    for (std::int32_t x = 0; x < b.width(); ++x) {
      const Pixel p = row[x];
      w.be16(((red(p) >> 3u) << 10) | ((green(p) >> 3u) << 5) | (blue(p) >> 3u));
    }
  }
}

// One PackBitsRect of colour indexes over band b, with the colour table of the colours
// used.
void write_indexed(Writer& w, const Pixmap& world, const PixRect& b, int bits,
                   const std::vector<Pixel>& colours, const std::vector<std::uint8_t>& indexes,
                   Fixed hres, Fixed vres, std::uint16_t mode, std::vector<std::uint8_t>& out) {
  const std::size_t skip = static_cast<std::size_t>(b.left - world.bounds().left);
  const std::size_t stride = static_cast<std::size_t>(world.width());
  const std::size_t width = static_cast<std::size_t>(b.width());
  const std::size_t row_bytes = (width * bits + 15) / 16 * 2;
  const bool packed = row_bytes >= 8;
  w.be16(0x0098);
  w.be16(static_cast<std::uint32_t>(row_bytes) | 0x8000);
  w.rect(b);
  write_pixmap_fields(w, 0, hres, vres, 0, static_cast<std::uint16_t>(bits), 1,
                      static_cast<std::uint16_t>(bits));
  w.be32(0);       // colour table seed
  w.be16(0x8000);  // entries in index order
  w.be16(static_cast<std::uint32_t>(colours.size() - 1));
  for (std::size_t i = 0; i < colours.size(); ++i) {
    w.be16(static_cast<std::uint32_t>(i));
    w.be16(red(colours[i]) * 257u);
    w.be16(green(colours[i]) * 257u);
    w.be16(blue(colours[i]) * 257u);
  }
  w.rect(b);
  w.rect(b);
  w.be16(mode);
  std::vector<std::uint8_t> row(row_bytes), packed_row;
  for (std::int32_t y = 0; y < world.height(); ++y) {
    std::fill(row.begin(), row.end(), 0);
    const std::uint8_t* in = indexes.data() + static_cast<std::size_t>(y) * stride + skip;
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t bit = x * bits;
      row[bit / 8] |= static_cast<std::uint8_t>(in[x] << (8 - bits - bit % 8));
    }
    if (!packed) {
      out.insert(out.end(), row.begin(), row.end());
      continue;
    }
    packed_row.clear();
    packbits_encode(row, packed_row);
    if (row_bytes > 250) {
      w.be16(static_cast<std::uint32_t>(packed_row.size()));
    } else {
      w.u8(static_cast<std::uint8_t>(packed_row.size()));
    }
    out.insert(out.end(), packed_row.begin(), packed_row.end());
  }
}

}  // namespace

bool pict_can_hold(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= std::numeric_limits<std::int16_t>::max() &&
         height <= std::numeric_limits<std::int16_t>::max();
}

Err write_pict(const Pixmap& world, Fixed hres, Fixed vres, std::vector<std::uint8_t>& out,
               std::uint16_t mode, std::int16_t depth) {
  const PixRect& b = world.bounds();
  if (world.empty() || !fits_16(b)) return kParamErr;
  try {
    out.clear();
    Writer w(out);
    write_header(w, b, hres, vres);
    std::vector<Pixel> colours;
    std::vector<std::uint8_t> indexes;
    const int bits = indexed_bits(depth);
    const auto pad = [&] {
      if (out.size() % 2) w.u8(0);
    };
    if (bits > 0 && index_world(world, bits, colours, indexes)) {
      for_each_band(
          b, bits,
          [&](const PixRect& band) {
            write_indexed(w, world, band, bits, colours, indexes, hres, vres, mode, out);
          },
          pad);
    } else if (depth == 16) {
      for_each_band(
          b, 16, [&](const PixRect& band) { write_direct16(w, world, band, hres, vres, mode); },
          pad);
    } else {
      for_each_band(
          b, 32,
          [&](const PixRect& band) { write_direct32(w, world, band, hres, vres, mode, out); }, pad);
    }
    if (out.size() % 2) w.u8(0);
    w.be16(0x00FF);
    out[0] = static_cast<std::uint8_t>(out.size() >> 8);
    out[1] = static_cast<std::uint8_t>(out.size());
  } catch (const std::bad_alloc&) {
    out.clear();
    return kMemFull;
  }
  return kNoErr;
}

}  // namespace velmora::image
