// Colour reduction for the indexed formats: exact when the picture has few colours, else
// giflib's median cut, with each palette entry moved to the mean of its pixels (the cut
// works on five-bit components and would otherwise turn white into 248,248,248).
#include <gif_lib.h>

#include <algorithm>
#include <new>
#include <unordered_map>

#include "platform/linux/encoder_backends.hpp"

namespace velmora::platform::encoders {

namespace {

std::size_t pixel_count(const EncodeRequest& r) {
  return static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
}

void grey_palette(const EncodeRequest& r, int bits, Indexed& out) {
  const int levels = 1 << bits;
  out.palette.resize(levels);
  for (int i = 0; i < levels; ++i) {
    const std::uint32_t v = static_cast<std::uint32_t>(i * 255 / (levels - 1));
    out.palette[i] = (v << 16) | (v << 8) | v;
  }
  const std::size_t n = pixel_count(r);
  for (std::size_t i = 0; i < n; ++i) {
    // Nearest level: round luminance * (levels - 1) / 255.
    out.indices[i] = static_cast<std::uint8_t>((luminance(r.pixels[i]) * (levels - 1) + 127) / 255);
  }
}

void black_and_white(const EncodeRequest& r, Indexed& out) {
  out.palette = {0xFFFFFF, 0x000000};
  const std::size_t n = pixel_count(r);
  for (std::size_t i = 0; i < n; ++i) out.indices[i] = luminance(r.pixels[i]) < 128 ? 1 : 0;
}

// The picture's own colours when there are at most `limit`; false otherwise.
bool exact_palette(const EncodeRequest& r, std::size_t limit, Indexed& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> seen;
  const std::size_t n = pixel_count(r);
  std::uint32_t last = 0xFFFFFFFF;  // never a colour: colours have no alpha bits
  std::uint8_t last_index = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = r.pixels[i] & 0xFFFFFF;
    if (c != last) {
      auto [it, added] = seen.try_emplace(c, static_cast<std::uint8_t>(seen.size()));
      if (added) {
        if (seen.size() > limit) return false;
        out.palette.push_back(c);
      }
      last = c;
      last_index = it->second;
    }
    out.indices[i] = last_index;
  }
  return true;
}

bool median_cut(const EncodeRequest& r, int colours, Indexed& out) {
  const std::size_t n = pixel_count(r);
  std::vector<GifByteType> red(n), green(n), blue(n);
  for (std::size_t i = 0; i < n; ++i) {
    red[i] = static_cast<GifByteType>(r.pixels[i] >> 16);
    green[i] = static_cast<GifByteType>(r.pixels[i] >> 8);
    blue[i] = static_cast<GifByteType>(r.pixels[i]);
  }
  std::vector<GifColorType> map(256);
  int size = colours;
  if (GifQuantizeBuffer(static_cast<unsigned>(r.width), static_cast<unsigned>(r.height), &size,
                        red.data(), green.data(), blue.data(), out.indices.data(),
                        map.data()) != GIF_OK) {
    return false;
  }
  size = std::clamp(size, 1, colours);
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(size) * 4, 0);
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t& index = out.indices[i];
    if (index >= size) index = 0;
    std::uint64_t* s = &sums[index * 4u];
    s[0] += red[i];
    s[1] += green[i];
    s[2] += blue[i];
    s[3] += 1;
  }
  out.palette.resize(size);
  for (int k = 0; k < size; ++k) {
    const std::uint64_t* s = &sums[k * 4u];
    std::uint32_t c =
        (std::uint32_t{map[k].Red} << 16) | (std::uint32_t{map[k].Green} << 8) | map[k].Blue;
    if (s[3] > 0) {
      const auto mean = [&](int j) { return static_cast<std::uint32_t>((s[j] + s[3] / 2) / s[3]); };
      c = (mean(0) << 16) | (mean(1) << 8) | mean(2);
    }
    out.palette[k] = c;
  }
  return true;
}

}  // namespace

bool reduce_colours(const EncodeRequest& r, int bits, bool grey, Indexed& out) {
  try {
    out.palette.clear();
    out.indices.assign(pixel_count(r), 0);
    if (grey) {
      grey_palette(r, bits, out);
      return true;
    }
    if (bits <= 1) {
      black_and_white(r, out);
      return true;
    }
    if (exact_palette(r, std::size_t{1} << bits, out)) return true;
    out.palette.clear();
    return median_cut(r, 1 << bits, out);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void pack_row(const std::uint8_t* values, std::int32_t width, int bits, std::uint8_t* out) {
  if (bits == 8) {
    std::copy(values, values + width, out);
    return;
  }
  const int per_byte = 8 / bits;
  const std::int32_t bytes = (width + per_byte - 1) / per_byte;
  std::fill(out, out + bytes, 0);
  for (std::int32_t x = 0; x < width; ++x) {
    const int shift = 8 - bits * (x % per_byte + 1);
    out[x / per_byte] |= static_cast<std::uint8_t>((values[x] & ((1 << bits) - 1)) << shift);
  }
}

}  // namespace velmora::platform::encoders
