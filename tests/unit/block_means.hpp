// Checks that a picture averaged down over k x k blocks is what averaging its full
// decode gives: each pixel the alpha-weighted mean of its block (the blocks at the right
// and bottom edges cut short), within rounding.  Pictures are 0xAARRGGBB rows.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace velmora::testing_support {

struct PixelRows {
  const std::uint32_t* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t stride;  // words from one row to the next
  std::uint32_t at(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                  static_cast<std::size_t>(x)];
  }
};

inline void expect_block_means(const PixelRows& full, const PixelRows& small, std::int32_t k) {
  ASSERT_EQ(small.width, (full.width + k - 1) / k);
  ASSERT_EQ(small.height, (full.height + k - 1) / k);
  const auto part = [](std::uint32_t p, int shift) {
    return static_cast<double>((p >> shift) & 0xFF);
  };
  for (std::int32_t oy = 0; oy < small.height; ++oy)
    for (std::int32_t ox = 0; ox < small.width; ++ox) {
      double a = 0, r = 0, g = 0, b = 0, n = 0;
      for (std::int32_t y = oy * k; y < std::min(full.height, oy * k + k); ++y)
        for (std::int32_t x = ox * k; x < std::min(full.width, ox * k + k); ++x) {
          const std::uint32_t p = full.at(x, y);
          a += part(p, 24);
          r += part(p, 24) * part(p, 16);
          g += part(p, 24) * part(p, 8);
          b += part(p, 24) * part(p, 0);
          n += 1;
        }
      const std::uint32_t q = small.at(ox, oy);
      ASSERT_NEAR(part(q, 24), a / n, 0.51) << ox << "," << oy;
      if (a == 0) continue;
      ASSERT_NEAR(part(q, 16), r / a, 0.51) << ox << "," << oy;
      ASSERT_NEAR(part(q, 8), g / a, 0.51) << ox << "," << oy;
      ASSERT_NEAR(part(q, 0), b / a, 0.51) << ox << "," << oy;
    }
}

}  // namespace velmora::testing_support
