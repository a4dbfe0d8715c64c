#include "platform/windows/encode_raster.hpp"

#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace velmora::platform::win {

namespace {

std::uint8_t luminance(std::uint32_t p) {
  const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return static_cast<std::uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

int distance(std::uint32_t a, std::uint32_t b) {
  const int dr = static_cast<int>((a >> 16) & 0xFF) - static_cast<int>((b >> 16) & 0xFF);
  const int dg = static_cast<int>((a >> 8) & 0xFF) - static_cast<int>((b >> 8) & 0xFF);
  const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
  return dr * dr + dg * dg + db * db;
}

// Packs one value of `bits` at pixel x of a row, most significant first.
void put(std::uint8_t* row, std::int32_t x, int bits, std::uint8_t value) {
  const int per_byte = 8 / bits;
  const int shift = 8 - bits * (x % per_byte + 1);
  row[x / per_byte] |= static_cast<std::uint8_t>(value << shift);
}

}  // namespace

bool own_colours(const EncodeRequest& r, std::size_t limit, std::vector<std::uint32_t>& out) {
  out.clear();
  std::unordered_set<std::uint32_t> seen;
  const std::size_t n = static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = r.pixels[i] & 0xFFFFFF;
    if (!seen.insert(c).second) continue;
    if (out.size() == limit) return false;
    out.push_back(c);
  }
  return true;
}

bool make_raster(const EncodeRequest& r, RasterRequest kind, int bits,
                 const std::vector<std::uint32_t>& reduced, Raster& out) {
  const std::size_t width = static_cast<std::size_t>(r.width);
  const std::size_t height = static_cast<std::size_t>(r.height);
  out.palette.clear();
  switch (kind) {
    case RasterRequest::bgr24:
      out.kind = RasterKind::bgr24;
      out.bits = 24;
      break;
    case RasterRequest::bgra32:
      out.kind = RasterKind::bgra32;
      out.bits = 32;
      break;
    case RasterRequest::grey:
      out.kind = RasterKind::grey;
      out.bits = bits;
      break;
    case RasterRequest::indexed:
      out.kind = RasterKind::indexed;
      out.bits = bits;
      if (bits == 1) {
        out.palette = {0xFFFFFF, 0x000000};
      } else if (!own_colours(r, std::size_t{1} << bits, out.palette)) {
        if (reduced.empty() || reduced.size() > (std::size_t{1} << bits)) return false;
        out.palette = reduced;
      }
      break;
  }
  out.stride =
      static_cast<std::uint32_t>((width * static_cast<std::size_t>(out.bits) + 31) / 32 * 4);
  out.bytes.assign(static_cast<std::size_t>(out.stride) * height, 0);
  std::unordered_map<std::uint32_t, std::uint8_t> nearest;
  const int levels = out.kind == RasterKind::grey ? 1 << bits : 0;
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.bytes.data() + y * out.stride;
    const std::uint32_t* src = r.pixels + y * width;
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint32_t p = src[x];
      switch (out.kind) {
        case RasterKind::bgr24:
          row[3 * x] = static_cast<std::uint8_t>(p);
          row[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
          row[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
          break;
        case RasterKind::bgra32:
          row[4 * x] = static_cast<std::uint8_t>(p);
          row[4 * x + 1] = static_cast<std::uint8_t>(p >> 8);
          row[4 * x + 2] = static_cast<std::uint8_t>(p >> 16);
          row[4 * x + 3] = static_cast<std::uint8_t>(p >> 24);
          break;
        case RasterKind::grey:
          // The nearest of `levels` evenly spaced levels.
          put(row, static_cast<std::int32_t>(x), bits,
              static_cast<std::uint8_t>((luminance(p) * (levels - 1) + 127) / 255));
          break;
        case RasterKind::indexed: {
          std::uint8_t index = 0;
          if (bits == 1) {
            index = luminance(p) < 128 ? 1 : 0;
          } else {
            const std::uint32_t c = p & 0xFFFFFF;
            const auto known = nearest.find(c);
            if (known != nearest.end()) {
              index = known->second;
            } else {
              int best = std::numeric_limits<int>::max();
              for (std::size_t i = 0; i < out.palette.size(); ++i) {
                const int d = distance(c, out.palette[i]);
                if (d < best) {
                  best = d;
                  index = static_cast<std::uint8_t>(i);
                }
              }
              nearest.emplace(c, index);
            }
          }
          put(row, static_cast<std::int32_t>(x), bits, index);
          break;
        }
      }
    }
  }
  return true;
}

}  // namespace velmora::platform::win
