// Pictures averaged down as the platform's own decoder reads them, on every platform:
// PNG and TIFF written by our encoders at odd sizes, decoded for a box much smaller than
// they are, against their full decode averaged over the same blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_means.hpp"
#include "image/raster_formats.hpp"
#include "platform/codecs.hpp"
#include "platform/encoders.hpp"
#include "platform/shared/block_reduce.hpp"

namespace velmora::platform {
namespace {

// Colours that change from pixel to pixel in both directions, so a block taken from the
// wrong rows or columns shows; with `alpha`, transparency that varies as well, fully
// transparent pixels included.
std::vector<std::uint32_t> pattern(std::int32_t w, std::int32_t h, bool alpha) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t a = !alpha ? 0xFF : (x + 2 * y) % 5 == 0 ? 0 : (x * 37 + y * 11) & 0xFF;
      const std::uint32_t r = (x * 7 + y * 3) & 0xFF, g = (x * x + y) & 0xFF, b = (y * 13) & 0xFF;
      p[static_cast<std::size_t>(y) * w + x] = a << 24 | r << 16 | g << 8 | b;
    }
  return p;
}

testing_support::PixelRows rows_of(const DecodedPicture& d) {
  return {d.pixels.data(), d.width, d.height, d.width};
}

TEST(BandedDecode, PicturesDrawnSmallAreTheBlockMeansOfTheirFullDecode) {
  struct Case {
    CodecFormat codec;
    EncodeFormat encode;
    bool alpha;
    std::int32_t width, height;
  };
  const Case cases[] = {
      {CodecFormat::png, EncodeFormat::png, true, 203, 157},
      {CodecFormat::png, EncodeFormat::png, false, 61, 389},
      {CodecFormat::tiff, EncodeFormat::tiff, false, 211, 97},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint32_t> pixels = pattern(c.width, c.height, c.alpha);
    EncodeRequest request;
    request.pixels = pixels.data();
    request.width = c.width;
    request.height = c.height;
    request.depth = c.alpha ? 32 : 24;
    request.alpha = c.alpha;
    std::vector<std::uint8_t> file;
    ASSERT_EQ(encode_picture(c.encode, request, file), EncodeStatus::ok);
    image::SpanInput in(file);
    DecodedPicture full;
    ASSERT_EQ(decode_picture(c.codec, in, 0, 0, 0, full), CodecStatus::ok);
    ASSERT_EQ(full.width, c.width);
    ASSERT_EQ(full.height, c.height);
    for (const std::int32_t k : {2, 3, 7, 1000}) {
      SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " k " +
                   std::to_string(k));
      const std::int32_t box_w = std::max(1, c.width / k), box_h = std::max(1, c.height / k);
      DecodedPicture small;
      ASSERT_EQ(decode_picture(c.codec, in, 0, box_w, box_h, small), CodecStatus::ok);
      // Smaller than the picture, still covering the box, and the same blocks' means.
      EXPECT_LT(small.width, c.width);
      EXPECT_GE(small.width, box_w);
      EXPECT_GE(small.height, box_h);
      testing_support::expect_block_means(rows_of(full), rows_of(small),
                                          block_factor(c.width, c.height, box_w, box_h));
    }
  }
}

}  // namespace
}  // namespace velmora::platform
