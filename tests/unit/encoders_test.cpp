// Encoder round trips through the codec seam (sizes, pixels, resolution, depth), the
// colour reduction of the indexed depths, and the compression settings and codecs.
#include "platform/encoders.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "image/compression.hpp"
#include "image/export_types.hpp"
#include "platform/codecs.hpp"

namespace velmora {
namespace {

using platform::CodecFormat;
using platform::EncodeFormat;
using platform::EncodeStatus;

class Bytes final : public platform::CodecInput {
 public:
  explicit Bytes(const std::vector<std::uint8_t>& b) : b_(b) {}
  std::uint64_t size() const override { return b_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > b_.size() || n > b_.size() - offset) return false;
    std::memcpy(dst, b_.data() + offset, n);
    return true;
  }

 private:
  const std::vector<std::uint8_t>& b_;
};

// A smooth picture (JPEG-friendly) with a few hard edges.
std::vector<std::uint32_t> photo(std::int32_t w, std::int32_t h) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t r = static_cast<std::uint32_t>(x * 255 / (w - 1));
      const std::uint32_t g = static_cast<std::uint32_t>(y * 255 / (h - 1));
      const std::uint32_t b = x < w / 2 ? 40 : 200;
      p[static_cast<std::size_t>(y) * w + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  return p;
}

struct Decoded {
  platform::CodecProbe probe;
  platform::DecodedPicture picture;
};

Decoded round_trip(EncodeFormat ef, CodecFormat cf, const platform::EncodeRequest& r) {
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(platform::encode_picture(ef, r, bytes), EncodeStatus::ok);
  Decoded d;
  Bytes in(bytes);
  EXPECT_EQ(platform::probe_picture(cf, in, 0, d.probe), platform::CodecStatus::ok);
  EXPECT_EQ(platform::decode_picture(cf, in, 0, 0, 0, d.picture), platform::CodecStatus::ok);
  return d;
}

int channel_diff(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16}) {
    worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  }
  return worst;
}

platform::EncodeRequest request(const std::vector<std::uint32_t>& px, std::int32_t w,
                                std::int32_t h, std::int16_t depth = 32) {
  platform::EncodeRequest r;
  r.pixels = px.data();
  r.width = w;
  r.height = h;
  r.depth = depth;
  return r;
}

struct Lossless {
  EncodeFormat encode;
  CodecFormat decode;
};
constexpr Lossless kLossless[] = {{EncodeFormat::png, CodecFormat::png},
                                  {EncodeFormat::tiff, CodecFormat::tiff}};

TEST(Encoders, LosslessFormatsGiveBackEveryPixelAndTheResolution) {
  const auto px = photo(37, 23);
  for (const Lossless& f : kLossless) {
    auto r = request(px, 37, 23);
    r.hres = 300 << 16;
    r.vres = 150 << 16;
    const Decoded d = round_trip(f.encode, f.decode, r);
    EXPECT_EQ(d.probe.width, 37);
    EXPECT_EQ(d.probe.height, 23);
    // PNG keeps pixels per metre: the inch value comes back within a rounding.
    EXPECT_NEAR(d.probe.hres / 65536.0, 300, 0.05);
    EXPECT_NEAR(d.probe.vres / 65536.0, 150, 0.05);
    ASSERT_EQ(d.picture.pixels.size(), px.size());
    for (std::size_t i = 0; i < px.size(); ++i) {
      ASSERT_EQ(d.picture.pixels[i] & 0xFFFFFF, px[i] & 0xFFFFFF) << i;
    }
  }
}

TEST(Encoders, JpegStaysCloseAndKeepsDensityAndQualityCounts) {
  const auto px = photo(64, 48);
  auto r = request(px, 64, 48);
  r.hres = 96 << 16;
  r.vres = 200 << 16;
  r.quality = 1023;
  const Decoded best = round_trip(EncodeFormat::jpeg, CodecFormat::jpeg, r);
  EXPECT_EQ(best.probe.width, 64);
  EXPECT_EQ(best.probe.height, 48);
  EXPECT_EQ(best.probe.hres, 96 << 16);
  EXPECT_EQ(best.probe.vres, 200 << 16);
  int worst = 0;
  for (std::size_t i = 0; i < px.size(); ++i) {
    worst = std::max(worst, channel_diff(best.picture.pixels[i], px[i]));
  }
  EXPECT_LE(worst, 24);

  std::vector<std::uint8_t> low, high;
  r.quality = 0;
  ASSERT_EQ(platform::encode_picture(EncodeFormat::jpeg, r, low), EncodeStatus::ok);
  r.quality = 1023;
  ASSERT_EQ(platform::encode_picture(EncodeFormat::jpeg, r, high), EncodeStatus::ok);
  EXPECT_LT(low.size(), high.size());
}

TEST(Encoders, GreyDepthsWriteGreyFiles) {
  const auto px = photo(16, 16);
  const Decoded png = round_trip(EncodeFormat::png, CodecFormat::png, request(px, 16, 16, 40));
  EXPECT_EQ(png.probe.depth, 40);
  const Decoded jpeg = round_trip(EncodeFormat::jpeg, CodecFormat::jpeg, request(px, 16, 16, 40));
  EXPECT_EQ(jpeg.probe.depth, 40);
  const Decoded two = round_trip(EncodeFormat::png, CodecFormat::png, request(px, 16, 16, 34));
  EXPECT_EQ(two.probe.depth, 34);
  std::set<std::uint32_t> levels;
  for (std::uint32_t p : two.picture.pixels) {
    const std::uint32_t c = p & 0xFFFFFF;
    EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
    EXPECT_EQ(c & 0xFF, c >> 16);
    levels.insert(c);
  }
  EXPECT_LE(levels.size(), 4u);
  EXPECT_GE(levels.size(), 3u);
}

TEST(Encoders, FewColoursSurviveIndexedDepthsExactly) {
  // Six colours, white among them: the palette holds them as they are.
  std::vector<std::uint32_t> px(40 * 10);
  const std::uint32_t colours[] = {0xFFFFFFFF, 0xFF000000, 0xFFFF0000,
                                   0xFF00FF00, 0xFF0000FF, 0xFF123456};
  for (std::size_t i = 0; i < px.size(); ++i) px[i] = colours[(i / 7) % 6];
  struct Case {
    EncodeFormat e;
    CodecFormat c;
    std::int16_t depth;
  };
  for (const Case& k :
       {Case{EncodeFormat::gif, CodecFormat::gif, 32}, Case{EncodeFormat::gif, CodecFormat::gif, 8},
        Case{EncodeFormat::png, CodecFormat::png, 4},
        Case{EncodeFormat::tiff, CodecFormat::tiff, 8}}) {
    const Decoded d = round_trip(k.e, k.c, request(px, 40, 10, k.depth));
    ASSERT_EQ(d.picture.pixels.size(), px.size());
    for (std::size_t i = 0; i < px.size(); ++i) {
      ASSERT_EQ(d.picture.pixels[i] & 0xFFFFFF, px[i] & 0xFFFFFF) << i << " depth " << k.depth;
    }
  }
}

TEST(Encoders, ManyColoursAreReducedToTheDepthsPalette) {
  const auto px = photo(64, 64);
  for (std::int16_t depth : {1, 2, 4, 8}) {
    const Decoded d = round_trip(EncodeFormat::png, CodecFormat::png, request(px, 64, 64, depth));
    EXPECT_EQ(d.probe.depth, depth);
    std::set<std::uint32_t> seen;
    long error = 0;
    for (std::size_t i = 0; i < px.size(); ++i) {
      seen.insert(d.picture.pixels[i] & 0xFFFFFF);
      error += channel_diff(d.picture.pixels[i], px[i]);
    }
    EXPECT_LE(seen.size(), std::size_t{1} << depth) << depth;
    if (depth == 1) {
      EXPECT_TRUE(std::all_of(seen.begin(), seen.end(),
                              [](std::uint32_t c) { return c == 0 || c == 0xFFFFFF; }));
    }
    if (depth == 8) {
      EXPECT_LT(error / static_cast<long>(px.size()), 12);
    }
  }
  // GIF at full depth: 256 colours at most, and near the original.
  const Decoded gif = round_trip(EncodeFormat::gif, CodecFormat::gif, request(px, 64, 64));
  std::set<std::uint32_t> seen(gif.picture.pixels.begin(), gif.picture.pixels.end());
  EXPECT_LE(seen.size(), 256u);
}

TEST(Encoders, SixteenBitsKeepFiveBitsAComponent) {
  const auto px = photo(32, 8);
  const Decoded d = round_trip(EncodeFormat::png, CodecFormat::png, request(px, 32, 8, 16));
  for (std::size_t i = 0; i < px.size(); ++i) {
    const std::uint32_t p = d.picture.pixels[i];
    EXPECT_LE(channel_diff(p, px[i]), 7);
    for (int shift : {0, 8, 16}) {
      const std::uint32_t c = (p >> shift) & 0xFF;
      EXPECT_EQ(c & 7, c >> 5) << "the low bits repeat the high ones";
    }
  }
}

TEST(Encoders, BadRequestsAreRefused) {
  const auto px = photo(4, 4);
  std::vector<std::uint8_t> out{1, 2};
  EXPECT_EQ(platform::encode_picture(EncodeFormat::png, request(px, 4, 4, 24 + 1), out),
            EncodeStatus::bad_input);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(platform::encode_picture(EncodeFormat::jpeg, request(px, 0, 4), out),
            EncodeStatus::bad_input);
  auto r = request(px, 4, 4);
  r.pixels = nullptr;
  EXPECT_EQ(platform::encode_picture(EncodeFormat::tiff, r, out), EncodeStatus::bad_input);
}

// ---- compression -----------------------------------------------------------------

class Parsed {
 public:
  explicit Parsed(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
    scratch_.assign(text.size() + 1, 0);
    store.prepare();
    store.parse_first(buffer_.data(), scratch_.data());
  }
  params::Store store;

 private:
  std::vector<char> buffer_;
  std::vector<char> scratch_;
};

// An animated GIF of 8 x 8 made by hand: four colours (white, red, blue, green), each
// frame one colour over a rectangle, every pixel a literal code (the table cleared every
// two pixels, so codes stay three bits wide).
struct GifFrame {
  int left, top, width, height, colour, disposal;
};
std::vector<std::uint8_t> animated_gif(const std::vector<GifFrame>& frames) {
  std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0, 0xF1, 0, 0};
  const std::uint8_t palette[] = {255, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0};
  out.insert(out.end(), palette, palette + sizeof palette);
  for (const GifFrame& f : frames) {
    // Control block: the disposal method, colour 0 transparent.
    const std::uint8_t gce[] = {0x21, 0xF9, 4, static_cast<std::uint8_t>((f.disposal << 2) | 1),
                                0,    0,    0, 0};
    out.insert(out.end(), gce, gce + sizeof gce);
    const std::uint8_t desc[] = {',', static_cast<std::uint8_t>(f.left),
                                 0,   static_cast<std::uint8_t>(f.top),
                                 0,   static_cast<std::uint8_t>(f.width),
                                 0,   static_cast<std::uint8_t>(f.height),
                                 0,   0,
                                 2};
    out.insert(out.end(), desc, desc + sizeof desc);
    std::vector<int> codes;
    const int pixels = f.width * f.height;
    for (int i = 0; i < pixels; i += 2) {
      codes.push_back(4);
      for (int j = i; j < std::min(pixels, i + 2); ++j) codes.push_back(f.colour);
    }
    codes.push_back(5);
    std::vector<std::uint8_t> stream;
    std::uint32_t bits = 0;
    int n = 0;
    for (const int c : codes) {
      bits |= static_cast<std::uint32_t>(c) << n;
      n += 3;
      while (n >= 8) {
        stream.push_back(static_cast<std::uint8_t>(bits));
        bits >>= 8;
        n -= 8;
      }
    }
    if (n > 0) stream.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t i = 0; i < stream.size(); i += 255) {
      const std::size_t len = std::min<std::size_t>(255, stream.size() - i);
      out.push_back(static_cast<std::uint8_t>(len));
      out.insert(out.end(), stream.begin() + static_cast<std::ptrdiff_t>(i),
                 stream.begin() + static_cast<std::ptrdiff_t>(i + len));
    }
    out.push_back(0);
  }
  out.push_back(';');
  return out;
}

// Page N of an animated GIF is what the animation shows at frame N: the frames before
// it drawn and disposed of (2: area cleared, 3: the picture before restored).
TEST(GifPages, FramesAreComposedWithTheirDisposal) {
  const std::vector<std::uint8_t> gif =
      animated_gif({{0, 0, 8, 8, 1, 1},    // red everywhere, kept
                    {0, 0, 4, 4, 2, 2},    // blue patch, then cleared
                    {4, 4, 4, 4, 3, 3},    // green patch, then the picture before it back
                    {6, 0, 2, 2, 2, 1}});  // blue corner
  constexpr std::uint32_t red = 0xFFFF0000, blue = 0xFF0000FF, green = 0xFF00FF00;
  auto page = [&](int index) {
    Bytes in(gif);
    platform::DecodedPicture p;
    EXPECT_EQ(platform::decode_picture(CodecFormat::gif, in, index, 0, 0, p),
              platform::CodecStatus::ok);
    EXPECT_EQ(p.width, 8);
    return p;
  };
  auto at = [](const platform::DecodedPicture& p, int x, int y) {
    return p.pixels[static_cast<std::size_t>(y) * 8 + x];
  };
  const auto p1 = page(1);
  EXPECT_EQ(at(p1, 1, 1), blue);
  EXPECT_EQ(at(p1, 6, 6), red);
  const auto p2 = page(2);
  EXPECT_EQ(at(p2, 1, 1) >> 24, 0u) << "the blue patch was cleared to transparency";
  EXPECT_EQ(at(p2, 5, 5), green);
  EXPECT_EQ(at(p2, 5, 1), red);
  const auto p3 = page(3);
  EXPECT_EQ(at(p3, 5, 5), red) << "the green patch was taken back";
  EXPECT_EQ(at(p3, 1, 1) >> 24, 0u);
  EXPECT_EQ(at(p3, 7, 1), blue);
}

TEST(Compression, SettingsStartFromThePictureAndTakeTheKeys) {
  image::Description d;
  d.depth = 32;
  image::CompressSettings s = image::default_settings(d);
  EXPECT_EQ(s.codec, image::type_code("jpeg"));
  EXPECT_EQ(s.quality, 512);
  EXPECT_EQ(s.depth, 24);
  d.depth = 40;
  EXPECT_EQ(image::default_settings(d).depth, 40);

  Parsed p("CODEC=png QUALITY=2000 DEPTH=8");
  ASSERT_EQ(image::read_settings(p.store, s), kNoErr);
  EXPECT_EQ(s.codec, image::type_code("png "));
  EXPECT_EQ(s.quality, 1024);
  EXPECT_EQ(s.depth, 8);
  Parsed bad("DEPTH=12");
  EXPECT_EQ(image::read_settings(bad.store, s), kParamErr);
  Parsed none("SRC=x");
  image::CompressSettings kept = s;
  ASSERT_EQ(image::read_settings(none.store, kept), kNoErr);
  EXPECT_EQ(kept.codec, s.codec);
  EXPECT_EQ(kept.quality, s.quality);
}

TEST(Compression, CodecsChangeWhatTheyShouldAndNothingElse) {
  image::Pixmap world;
  ASSERT_EQ(world.create(image::PixRect{0, 0, 48, 32}), kNoErr);
  const auto px = photo(48, 32);
  std::copy(px.begin(), px.end(), world.row(0));

  image::CompressSettings s;
  image::Pixmap out;
  s.codec = image::type_code("raw ");
  s.depth = 24;
  ASSERT_EQ(image::compress_world(world, s, out), kNoErr);
  EXPECT_EQ(out.pixels(), world.pixels());

  s.depth = 36;  // sixteen greys
  ASSERT_EQ(image::compress_world(world, s, out), kNoErr);
  std::set<std::uint32_t> greys(out.pixels().begin(), out.pixels().end());
  EXPECT_LE(greys.size(), 16u);

  s.codec = image::type_code("jpeg");
  s.depth = 24;
  s.quality = 0;
  ASSERT_EQ(image::compress_world(world, s, out), kNoErr);
  EXPECT_EQ(out.bounds(), world.bounds());
  EXPECT_NE(out.pixels(), world.pixels());

  s.codec = image::type_code("cvid");
  EXPECT_EQ(image::compress_world(world, s, out), image::kNoCodec);
}

}  // namespace
}  // namespace velmora
