// Recording a world as a picture: the extended version 2 header with the resolution,
// the world's bounds as clip, and one DirectBitsRect with PackBits-coded colour planes.
#include <limits>
#include <new>

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
  return r.left >= lo && r.top >= lo && r.right <= hi && r.bottom <= hi && r.width() <= 0x1FFF;
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

}  // namespace

Err write_pict(const Pixmap& world, Fixed hres, Fixed vres, std::vector<std::uint8_t>& out,
               std::uint16_t mode) {
  const PixRect& b = world.bounds();
  if (world.empty() || !fits_16(b)) return kParamErr;
  try {
    out.clear();
    Writer w(out);
    w.be16(0);  // size, patched below
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

    const std::size_t row_bytes = static_cast<std::size_t>(b.width()) * 4;
    // Rows under 8 bytes cannot be packed; they are stored as they are.
    const bool packed = row_bytes >= 8;
    w.be16(0x009A);
    w.be32(0x000000FF);
    w.be16(static_cast<std::uint32_t>(row_bytes) | 0x8000);
    w.rect(b);
    w.be16(0);               // pixmap version
    w.be16(packed ? 4 : 1);  // pack type: colour planes, or none
    w.be32(0);               // pack size
    w.be32(static_cast<std::uint32_t>(hres));
    w.be32(static_cast<std::uint32_t>(vres));
    w.be16(16);  // direct pixels
    w.be16(32);  // pixel size
    w.be16(3);   // components
    w.be16(8);   // component size
    w.be32(0);   // plane bytes
    w.be32(0);   // colour table
    w.be32(0);   // reserved
    w.rect(b);   // source
    w.rect(b);   // destination
    w.be16(mode);

    std::vector<std::uint8_t> planes, packed_row;
    for (std::int32_t y = 0; y < world.height(); ++y) {
      const Pixel* row = world.row(y);
      if (packed) {
        write_row(row, b.width(), row_bytes, planes, packed_row, out);
      } else {
        for (std::int32_t x = 0; x < b.width(); ++x) w.be32(row[x] & 0x00FFFFFF);
      }
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
