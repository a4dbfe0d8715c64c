// Hand-written picture files.  Each checks the size limit of its format first and
// allocates the whole file at once, so a failure leaves nothing half made.
#include "image/raster_writers.hpp"

#include <algorithm>
#include <new>

namespace velmora::image {

namespace {

class Out {
 public:
  explicit Out(std::vector<std::uint8_t>& v) : v_(v) {}
  void u8(std::uint32_t x) { v_.push_back(static_cast<std::uint8_t>(x)); }
  void be16(std::uint32_t x) {
    u8(x >> 8);
    u8(x);
  }
  void be32(std::uint32_t x) {
    be16(x >> 16);
    be16(x);
  }
  void le16(std::uint32_t x) {
    u8(x);
    u8(x >> 8);
  }
  void zeros(std::size_t n) { v_.insert(v_.end(), n, 0); }
  void bytes(std::span<const std::uint8_t> b) { v_.insert(v_.end(), b.begin(), b.end()); }
  std::size_t size() const { return v_.size(); }

 private:
  std::vector<std::uint8_t>& v_;
};

// Component c (0 red, 1 green, 2 blue) of a pixel.
std::uint8_t component(Pixel p, int c) {
  return static_cast<std::uint8_t>(p >> (16 - 8 * c));
}

std::size_t pixels_of(const Pixmap& w) {
  return static_cast<std::size_t>(w.width()) * static_cast<std::size_t>(w.height());
}

// Writes the colour planes one after the other, rows in the order `row_of` gives.
template <typename RowOf>
void planes(const Pixmap& w, Out& o, RowOf row_of) {
  for (int c = 0; c < 3; ++c) {
    for (std::int32_t i = 0; i < w.height(); ++i) {
      const Pixel* row = w.row(row_of(i));
      for (std::int32_t x = 0; x < w.width(); ++x) o.u8(component(row[x], c));
    }
  }
}

}  // namespace

Err write_tga(const Pixmap& world, std::vector<std::uint8_t>& out) {
  if (world.empty() || world.width() > 0xFFFF || world.height() > 0xFFFF) return kParamErr;
  try {
    out.clear();
    out.reserve(18 + pixels_of(world) * 3);
    Out o(out);
    o.u8(0);     // no image ID
    o.u8(0);     // no colour map
    o.u8(2);     // uncompressed true colour
    o.zeros(5);  // colour map specification
    o.le16(0);
    o.le16(0);
    o.le16(static_cast<std::uint32_t>(world.width()));
    o.le16(static_cast<std::uint32_t>(world.height()));
    o.u8(24);
    o.u8(0x20);  // rows from the top
    for (std::int32_t y = 0; y < world.height(); ++y) {
      const Pixel* row = world.row(y);
      for (std::int32_t x = 0; x < world.width(); ++x) {
        o.u8(blue(row[x]));
        o.u8(green(row[x]));
        o.u8(red(row[x]));
      }
    }
  } catch (const std::bad_alloc&) {
    out.clear();
    return kMemFull;
  }
  return kNoErr;
}

Err write_sgi(const Pixmap& world, std::vector<std::uint8_t>& out) {
  if (world.empty() || world.width() > 0xFFFF || world.height() > 0xFFFF) return kParamErr;
  try {
    out.clear();
    out.reserve(512 + pixels_of(world) * 3);
    Out o(out);
    o.be16(474);  // magic
    o.u8(0);      // verbatim storage
    o.u8(1);      // one byte a component
    o.be16(3);    // dimensions
    o.be16(static_cast<std::uint32_t>(world.width()));
    o.be16(static_cast<std::uint32_t>(world.height()));
    o.be16(3);  // channels
    o.be32(0);  // smallest value
    o.be32(255);
    o.zeros(4 + 80);  // reserved, name
    o.be32(0);        // normal colour map
    o.zeros(512 - o.size());
    // Rows go from the bottom of the picture up.
    planes(world, o, [&](std::int32_t i) { return world.height() - 1 - i; });
  } catch (const std::bad_alloc&) {
    out.clear();
    return kMemFull;
  }
  return kNoErr;
}

Err write_psd(const Pixmap& world, Fixed hres, Fixed vres, std::vector<std::uint8_t>& out) {
  constexpr std::int32_t kLimit = 30000;
  if (world.empty() || world.width() > kLimit || world.height() > kLimit) return kParamErr;
  try {
    out.clear();
    out.reserve(100 + pixels_of(world) * 3);
    Out o(out);
    o.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("8BPS"), 4));
    o.be16(1);  // version
    o.zeros(6);
    o.be16(3);  // channels
    o.be32(static_cast<std::uint32_t>(world.height()));
    o.be32(static_cast<std::uint32_t>(world.width()));
    o.be16(8);  // bits a channel
    o.be16(3);  // RGB
    o.be32(0);  // no colour mode data
    // One image resource: the resolution in pixels per inch.
    o.be32(28);
    o.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("8BIM"), 4));
    o.be16(0x03ED);
    o.be16(0);  // empty name, padded to an even length
    o.be32(16);
    for (const Fixed res : {hres, vres}) {
      o.be32(static_cast<std::uint32_t>(res));
      o.be16(1);  // pixels per inch
      o.be16(1);  // sizes shown in inches
    }
    o.be32(0);  // no layers or masks
    o.be16(0);  // raw image data
    planes(world, o, [](std::int32_t i) { return i; });
  } catch (const std::bad_alloc&) {
    out.clear();
    return kMemFull;
  }
  return kNoErr;
}

Err write_qtif(const Pixmap& world, Fixed hres, Fixed vres, std::span<const std::uint8_t> png,
               std::vector<std::uint8_t>& out) {
  constexpr std::uint32_t kDescriptionSize = 86;
  if (world.empty() || world.width() > 0xFFFF || world.height() > 0xFFFF ||
      png.size() > 0xFFFFFFFFu - 8) {
    return kParamErr;
  }
  try {
    out.clear();
    out.reserve(8 + kDescriptionSize + 8 + png.size());
    Out o(out);
    o.be32(8 + kDescriptionSize);
    o.be32(0x69647363);  // 'idsc'
    o.be32(kDescriptionSize);
    o.be32(0x706E6720);  // 'png '
    o.zeros(4 + 2);      // reserved
    o.be16(0);           // data reference index
    o.be16(0);           // version
    o.be16(0);           // revision
    o.be32(0);           // vendor
    o.be32(0);           // temporal quality
    o.be32(1024);        // spatial quality: lossless
    o.be16(static_cast<std::uint32_t>(world.width()));
    o.be16(static_cast<std::uint32_t>(world.height()));
    o.be32(static_cast<std::uint32_t>(hres));
    o.be32(static_cast<std::uint32_t>(vres));
    o.be32(static_cast<std::uint32_t>(png.size()));
    o.be16(1);  // frames
    o.u8(3);    // name, a Pascal string in 32 bytes
    o.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("PNG"), 3));
    o.zeros(28);
    o.be16(24);      // depth
    o.be16(0xFFFF);  // no colour table
    o.be32(static_cast<std::uint32_t>(8 + png.size()));
    o.be32(0x69646174);  // 'idat'
    o.bytes(png);
  } catch (const std::bad_alloc&) {
    out.clear();
    return kMemFull;
  }
  return kNoErr;
}

}  // namespace velmora::image
