// The portable picture core: worlds, matrices, and the PICT, DIB and EPS readers and
// writers, including what they do with damaged bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "image/dib.hpp"
#include "image/eps_preview.hpp"
#include "image/geometry.hpp"
#include "image/packbits.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"
#include "image/pixmap.hpp"

namespace velmora::image {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A world whose every pixel differs from its neighbours, so that a swapped row, column
// or channel shows.
Pixmap pattern(PixRect bounds) {
  Pixmap p;
  EXPECT_EQ(p.create(bounds), kNoErr);
  for (std::int32_t y = 0; y < p.height(); ++y)
    for (std::int32_t x = 0; x < p.width(); ++x)
      p.row(y)[x] = rgb(static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 13),
                        static_cast<std::uint8_t>((x / 3) * 40));
  return p;
}

void expect_same_pixels(const Pixmap& a, const Pixmap& b) {
  ASSERT_EQ(a.bounds(), b.bounds());
  for (std::int32_t y = 0; y < a.height(); ++y)
    for (std::int32_t x = 0; x < a.width(); ++x)
      ASSERT_EQ(a.row(y)[x] & 0xFFFFFF, b.row(y)[x] & 0xFFFFFF) << "at " << x << "," << y;
}

TEST(PixmapTest, CreateFillAndLimits) {
  Pixmap p;
  EXPECT_EQ(p.create(PixRect{0, 0, 0, 5}), kParamErr);
  EXPECT_EQ(p.create(PixRect{0, 0, 1 << 15, 1 << 15}), kMemFull);
  ASSERT_EQ(p.create(PixRect{-2, -3, 4, 5}, kBlack), kNoErr);
  EXPECT_EQ(p.width(), 6);
  EXPECT_EQ(p.height(), 8);
  p.fill(PixRect{0, 0, 100, 100}, kWhite);  // clipped to the bounds
  EXPECT_EQ(p.at(-2, -3), kBlack);
  EXPECT_EQ(p.at(0, 0), kWhite);
  EXPECT_EQ(p.at(3, 4), kWhite);
  EXPECT_EQ(p.at(-1, 4), kBlack);
  p.set_origin(10, 10);
  EXPECT_EQ(p.at(12, 13), kWhite);
}

TEST(PixmapTest, CopyBitsScalesAndClips) {
  Pixmap src = pattern(PixRect{0, 0, 4, 4});
  Pixmap dst;
  ASSERT_EQ(dst.create(PixRect{0, 0, 6, 6}, kBlack), kNoErr);
  copy_bits(src, src.bounds(), dst, PixRect{2, 2, 10, 10});  // doubled, partly outside
  EXPECT_EQ(dst.at(1, 1), kBlack);
  EXPECT_EQ(dst.at(2, 2), src.at(0, 0));
  EXPECT_EQ(dst.at(3, 3), src.at(0, 0));
  EXPECT_EQ(dst.at(4, 5), src.at(1, 1));
  EXPECT_EQ(dst.at(5, 2), src.at(1, 0));
}

TEST(MatrixTest, RatiosAndProducts) {
  EXPECT_EQ(fixed_ratio(1, 2), 0x8000);
  EXPECT_EQ(fixed_ratio(-3, 2), -0x18000);
  EXPECT_EQ(fixed_ratio(5, 0), INT32_MAX);
  EXPECT_EQ(fixed_ratio(std::int64_t{1} << 40, 1), INT32_MAX);
  EXPECT_EQ(fixed_mul(to_fixed(3), 0x8000), 0x18000);
  EXPECT_EQ(fixed_round(0x18000), 2);
  EXPECT_EQ(fixed_floor(-0x8000), -1);
}

TEST(MatrixTest, ScaleRotateTranslateCompose) {
  // Scale 2x about (0,0) then rotate a quarter turn about (100, 50).
  Matrix m = scale(identity(), to_fixed(2), to_fixed(2), 0, 0);
  EXPECT_EQ(map_rect(m, PixRect{0, 0, 100, 50}), (PixRect{0, 0, 200, 100}));
  m = rotate(m, 90, to_fixed(100), to_fixed(50));
  // (200,100) is (100,50) away from the centre; clockwise it lands at (50,150).
  FixedPoint p = transform(m, {to_fixed(100), to_fixed(50)});
  EXPECT_EQ(p.x, to_fixed(50));
  EXPECT_EQ(p.y, to_fixed(150));
  EXPECT_EQ(rotate(identity(), -90, 0, 0), rotate(identity(), 270, 0, 0));
  EXPECT_EQ(rotate(identity(), 360, 0, 0), identity());
  // The most negative pivot has no 32-bit negation: the turn saturates (the sanitizer
  // build checks that nothing overflows) and still turns.
  const Fixed low = std::numeric_limits<Fixed>::min();
  const Matrix half = rotate(identity(), 180, low, low);
  EXPECT_EQ(half.a, -kFixedOne);
  EXPECT_EQ(half.d, -kFixedOne);

  Matrix flip = translate(scale(identity(), -kFixedOne, kFixedOne, 0, 0), to_fixed(40), 0);
  EXPECT_EQ(map_rect(flip, PixRect{0, 0, 40, 30}), (PixRect{0, 0, 40, 30}));
  FixedPoint q = transform(flip, {to_fixed(10), to_fixed(5)});
  EXPECT_EQ(q.x, to_fixed(30));

  Matrix inv;
  ASSERT_TRUE(invert(m, inv));
  FixedPoint back = transform(inv, transform(m, {to_fixed(7), to_fixed(9)}));
  EXPECT_NEAR(back.x, to_fixed(7), 2);
  EXPECT_NEAR(back.y, to_fixed(9), 2);
  EXPECT_FALSE(invert(scale(identity(), 0, kFixedOne, 0, 0), inv));
}

TEST(MatrixTest, RectToRectMapsExactly) {
  const PixRect from{10, 20, 110, 70};
  const PixRect to{0, 0, 50, 200};
  EXPECT_EQ(map_rect(rect_to_rect(from, to), from), to);
  // An arbitrary angle stays bounded by its rotated corners.
  const PixRect r = map_rect(rotate(identity(), 45, 0, 0), PixRect{0, 0, 100, 100});
  EXPECT_EQ(r.left, -71);
  EXPECT_EQ(r.right, 71);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 141);
}

TEST(PackBitsTest, RoundTripAndMalformedRuns) {
  Bytes raw;
  for (int i = 0; i < 300; ++i) raw.push_back(i < 140 ? 7 : static_cast<std::uint8_t>(i));
  Bytes packed;
  packbits_encode(raw, packed);
  EXPECT_LT(packed.size(), raw.size());
  Bytes back(raw.size());
  ASSERT_TRUE(packbits_decode(packed, back));
  EXPECT_EQ(back, raw);
  // A run longer than the row, a literal past the input, an input that ends early.
  Bytes out(4);
  EXPECT_FALSE(packbits_decode(Bytes{0xF0, 1}, out));
  EXPECT_FALSE(packbits_decode(Bytes{10, 1, 2}, out));
  EXPECT_FALSE(packbits_decode(Bytes{0x01, 1, 2}, out));
  // 16-bit units repeat pairs.
  Bytes words(6);
  ASSERT_TRUE(packbits_decode(Bytes{0xFE, 0x12, 0x34}, words, 2));
  EXPECT_EQ(words, (Bytes{0x12, 0x34, 0x12, 0x34, 0x12, 0x34}));
}

TEST(PictTest, RecordingRoundTripsAtEveryRowWidth) {
  // 1 pixel: rows stored unpacked; 40: one-byte row counts; 100: two-byte row counts.
  for (std::int32_t w : {1, 2, 40, 100}) {
    SCOPED_TRACE(w);
    Pixmap world = pattern(PixRect{5, -3, 5 + w, 9});
    Bytes pict;
    ASSERT_EQ(write_pict(world, to_fixed(72), to_fixed(96), pict), kNoErr);
    EXPECT_EQ(pict.size() & 0xFFFF, (pict[0] << 8 | pict[1]));
    EXPECT_EQ((Bytes{pict[pict.size() - 2], pict.back()}), (Bytes{0x00, 0xFF}));
    Description d;
    ASSERT_EQ(describe_pict(pict, d), kNoErr);
    EXPECT_EQ(d.bounds, world.bounds());
    EXPECT_EQ(d.hres, to_fixed(72));
    EXPECT_EQ(d.vres, to_fixed(96));
    EXPECT_EQ(d.depth, 32);
    Pixmap back;
    ASSERT_EQ(read_pict(pict, back), kNoErr);
    expect_same_pixels(world, back);

    // The same picture as a file, behind the 512-byte header area.
    Bytes file(kPictHeaderArea, 0);
    file.insert(file.end(), pict.begin(), pict.end());
    ASSERT_TRUE(looks_like_pict(file));
    ASSERT_EQ(read_pict(file, back), kNoErr);
    expect_same_pixels(world, back);
  }
}

// A direct bitmap whose pack type promises shorter rows than its pixels need (16-bit
// pixels stored as planes of no colours) is damaged, not read past its rows.
TEST(PictTest, RowsShorterThanThePixelsAreRefused) {
  Bytes pict;
  ASSERT_EQ(write_pict(pattern(PixRect{0, 0, 40, 3}), to_fixed(72), to_fixed(72), pict), kNoErr);
  std::size_t op = 10;
  while (op + 40 < pict.size() && !(pict[op] == 0x00 && pict[op + 1] == 0x9A)) op += 2;
  ASSERT_LT(op + 40, pict.size());
  const std::size_t pixmap = op + 2 + 4;  // behind the opcode and the base address
  pict[pixmap + 12] = 0;                  // pack type 4: one plane per component
  pict[pixmap + 13] = 4;
  pict[pixmap + 28] = 0;  // 16 bits a pixel
  pict[pixmap + 29] = 16;
  pict[pixmap + 30] = 0;  // no components
  pict[pixmap + 31] = 0;
  Pixmap back;
  EXPECT_EQ(read_pict(pict, back), kBadPictureData);
}

// A world of few colours recorded at an indexed depth keeps that depth and every pixel;
// at 16 bits each colour keeps its top five bits; a world with more colours than the
// depth holds is recorded in direct colour rather than with colours lost.
TEST(PictTest, RecordingKeepsTheWorldDepth) {
  const Pixel greys[4] = {rgb(0, 0, 0), rgb(85, 85, 85), rgb(170, 170, 170), rgb(255, 255, 255)};
  for (std::int32_t w : {3, 40, 300}) {
    for (std::int16_t depth : {1, 2, 4, 8, 34, 36, 40}) {
      SCOPED_TRACE(testing::Message() << "width " << w << " depth " << depth);
      const int colours = depth == 1 || depth == 34 ? 2 : 4;
      Pixmap world;
      ASSERT_EQ(world.create(PixRect{2, 1, 2 + w, 6}), kNoErr);
      for (std::int32_t y = 0; y < world.height(); ++y)
        for (std::int32_t x = 0; x < world.width(); ++x)
          world.row(y)[x] = greys[(x * 3 + y) % colours];
      Bytes pict;
      ASSERT_EQ(write_pict(world, to_fixed(72), to_fixed(72), pict, kDitherCopy, depth), kNoErr);
      Description d;
      ASSERT_EQ(describe_pict(pict, d), kNoErr);
      EXPECT_EQ(d.depth, depth > 32 ? depth - 32 : depth);
      Pixmap back;
      ASSERT_EQ(read_pict(pict, back), kNoErr);
      expect_same_pixels(world, back);
    }
  }

  Pixmap world = pattern(PixRect{0, 0, 20, 4});
  Bytes pict;
  ASSERT_EQ(write_pict(world, to_fixed(72), to_fixed(72), pict, kDitherCopy, 16), kNoErr);
  Description d;
  ASSERT_EQ(describe_pict(pict, d), kNoErr);
  EXPECT_EQ(d.depth, 16);
  Pixmap back;
  ASSERT_EQ(read_pict(pict, back), kNoErr);
  for (std::int32_t y = 0; y < world.height(); ++y)
    for (std::int32_t x = 0; x < world.width(); ++x) {
      const Pixel a = world.row(y)[x], b = back.row(y)[x];
      ASSERT_EQ(red(a) >> 3, red(b) >> 3);
      ASSERT_EQ(green(a) >> 3, green(b) >> 3);
      ASSERT_EQ(blue(a) >> 3, blue(b) >> 3);
    }

  // 400 pixels of different colours: an 8-bit recording would lose some.
  world = pattern(PixRect{0, 0, 100, 4});
  ASSERT_EQ(write_pict(world, to_fixed(72), to_fixed(72), pict, kDitherCopy, 8), kNoErr);
  ASSERT_EQ(describe_pict(pict, d), kNoErr);
  EXPECT_EQ(d.depth, 32);
  ASSERT_EQ(read_pict(pict, back), kNoErr);
  expect_same_pixels(world, back);
}

// Readers take 14 bits of a pixel map's row bytes: a world too wide for that at its
// depth is recorded as bands, every one of which stays below 0x4000, and reads back
// whole.  Without the bands a 32-bit world of 4096 pixels was unreadable.
TEST(PictTest, WideWorldsAreRecordedInBandsEveryReaderTakes) {
  struct Case {
    std::int32_t width;
    std::int16_t depth;
  };
  for (const Case c : {Case{4095, 32}, Case{4096, 32}, Case{6000, 32}, Case{12289, 32},
                       Case{9000, 16}, Case{20000, 8}}) {
    SCOPED_TRACE(testing::Message() << c.width << " at " << c.depth);
    Pixmap world;
    ASSERT_EQ(world.create(PixRect{-7, 0, c.width - 7, 3}), kNoErr);
    for (std::int32_t y = 0; y < 3; ++y)
      for (std::int32_t x = 0; x < world.width(); ++x)
        world.row(y)[x] = c.depth == 8
                              ? rgb(static_cast<std::uint8_t>((x / 500) * 9), 0, 0)
                              : rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                                    static_cast<std::uint8_t>(y * 8));
    Bytes pict;
    ASSERT_EQ(write_pict(world, to_fixed(72), to_fixed(72), pict, kDitherCopy, c.depth), kNoErr);
    // Every bitmap opcode's row bytes, found behind the opcode (and a direct map's base
    // address), has bit 14 clear.
    int bitmaps = 0;
    for (std::size_t i = 40; i + 8 < pict.size(); i += 2) {
      if (pict[i] != 0x00 || (pict[i + 1] != 0x9A && pict[i + 1] != 0x98)) continue;
      const std::size_t rb = i + 2 + (pict[i + 1] == 0x9A ? 4 : 0);
      const int row_bytes = (pict[rb] << 8 | pict[rb + 1]);
      if ((row_bytes & 0x8000) == 0) continue;  // not an opcode: pixel data
      EXPECT_EQ(row_bytes & 0x4000, 0);
      ++bitmaps;
    }
    const int bits = c.depth == 8 ? 8 : c.depth;
    EXPECT_GE(bitmaps, (c.width * bits / 8 + 0x3FFD) / 0x3FFE);
    Pixmap back;
    ASSERT_EQ(read_pict(pict, back), kNoErr);
    if (c.depth == 16) {
      ASSERT_EQ(back.bounds(), world.bounds());
      for (std::int32_t x = 0; x < world.width(); x += 97)
        ASSERT_EQ(red(back.row(1)[x]) >> 3, red(world.row(1)[x]) >> 3) << x;
    } else {
      expect_same_pixels(world, back);
    }
  }
  // The widest world a picture's coordinates hold, one row high.
  Pixmap line;
  ASSERT_EQ(line.create(PixRect{0, 0, 32767, 1}, kBlack), kNoErr);
  Bytes pict;
  ASSERT_EQ(write_pict(line, to_fixed(72), to_fixed(72), pict), kNoErr);
  Pixmap back;
  ASSERT_EQ(read_pict(pict, back), kNoErr);
  EXPECT_EQ(back.bounds(), line.bounds());
}

TEST(PictTest, RefusesBoundsOutsideSixteenBits) {
  Pixmap world;
  ASSERT_EQ(world.create(PixRect{32760, 0, 32800, 2}), kNoErr);
  Bytes pict;
  EXPECT_EQ(write_pict(world, to_fixed(72), to_fixed(72), pict), kParamErr);
}

// A version 2 picture holding one PackBitsRect of a 2-colour 8-bit pixmap, 16 pixels
// wide, 2 rows, each row one repeat run.
Bytes indexed_pict() {
  Bytes p = {0,    0,    0,    0,    0,    0,    0,    2,    0, 16,   0x00, 0x11,
             0x02, 0xFF, 0x00, 0xA0, 0x00, 0x82,  // a short comment on the way
             0x00, 0x98, 0x80, 16,   0,    0,    0,    0,    0, 2,    0,    16,  // rowBytes, bounds
             0,    0,    0,    0,    0,    0,    0,    0,    0, 0x48, 0,    0,
             0,    0x48, 0,    0,  // version .. vRes
             0,    0,    0,    8,    0,    1,    0,    8,    0, 0,    0,    0,
             0,    0,    0,    0,    0,    0,    0,    0,     // type .. reserved
             0,    0,    0,    0,    0,    0,    0,    1,     // seed, flags, 2 entries
             0,    0,    0xFF, 0xFF, 0,    0,    0,    0,     // 0: red
             0,    1,    0,    0,    0,    0,    0xFF, 0xFF,  // 1: blue
             0,    0,    0,    0,    0,    2,    0,    16,    // src
             0,    0,    0,    0,    0,    2,    0,    16,    // dst
             0,    0,                                         // mode
             2,    0xF1, 0,                                   // row 0: sixteen 0s
             2,    0xF1, 1,                                   // row 1: sixteen 1s
             0x00, 0xFF};
  return p;
}

TEST(PictTest, ReadsIndexedPackBitsWithColourTable) {
  const Bytes p = indexed_pict();
  Description d;
  ASSERT_EQ(describe_pict(p, d), kNoErr);
  EXPECT_EQ(d.depth, 8);
  EXPECT_EQ(d.bounds, (PixRect{0, 0, 16, 2}));
  Pixmap world;
  ASSERT_EQ(read_pict(p, world), kNoErr);
  EXPECT_EQ(world.at(0, 0), rgb(255, 0, 0));
  EXPECT_EQ(world.at(15, 0), rgb(255, 0, 0));
  EXPECT_EQ(world.at(7, 1), rgb(0, 0, 255));
}

TEST(PictTest, DamagedPicturesFailCleanly) {
  Pixmap world;
  Description d;
  EXPECT_EQ(read_pict(Bytes{1, 2, 3}, world), kNoImporter);
  EXPECT_FALSE(looks_like_pict(Bytes(600, 0)));
  Bytes p = indexed_pict();
  // Cut inside the pixel rows: no bitmap complete, so the picture is refused.
  EXPECT_EQ(read_pict(Bytes(p.begin(), p.end() - 6), world), kBadPictureData);
  // A colour table claiming 65536 entries.
  Bytes big = p;
  big[72] = 0xFF;
  big[73] = 0xFF;
  EXPECT_EQ(read_pict(big, world), kBadPictureData);
  // rowBytes too small for the bounds.
  Bytes narrow = p;
  narrow[21] = 4;
  EXPECT_EQ(read_pict(narrow, world), kBadPictureData);
  // Huge bounds are refused before any allocation.
  Bytes huge = p;
  huge[6] = 0x7F;
  huge[8] = 0x7F;
  EXPECT_EQ(describe_pict(huge, d), kMemFull);
  // A bitmap of 16000 x 16000 with two bytes of row data is refused as damaged before
  // its gigabyte of pixels is asked for.
  Bytes vast = p;
  vast[20] = 0xBE;  // rowBytes 16000
  vast[21] = 0x80;
  vast[26] = vast[28] = 0x3E;  // bottom, right 16000
  vast[27] = vast[29] = 0x80;
  EXPECT_EQ(read_pict(vast, world), kBadPictureData);
  // An opcode this reader does not know how to skip.
  Bytes odd = p;
  odd[14] = 0x00;
  odd[15] = 0x13;
  EXPECT_EQ(read_pict(odd, world), kUnsupportedData);
}

TEST(DibTest, FileAndPackedRoundTrips) {
  for (std::int32_t w : {1, 3, 17}) {
    SCOPED_TRACE(w);
    Pixmap world = pattern(PixRect{0, 0, w, 5});
    for (bool file : {true, false}) {
      Bytes dib;
      ASSERT_EQ(write_dib(world, to_fixed(72), to_fixed(96), file, dib), kNoErr);
      EXPECT_EQ(looks_like_bmp(dib), file);
      Description d;
      ASSERT_EQ(describe_dib(dib, !file, d), kNoErr);
      EXPECT_EQ(d.bounds, world.bounds());
      EXPECT_EQ(d.depth, 24);
      EXPECT_EQ(fixed_floor(d.hres), 72);
      EXPECT_EQ(fixed_round(d.vres), 96);
      Pixmap back;
      ASSERT_EQ(read_dib(dib, !file, back), kNoErr);
      expect_same_pixels(world, back);
    }
  }
}

// A packed 8-bit DIB, 4 x 2, with a 2-colour table.
Bytes palette_dib(std::int32_t height, std::uint32_t compression, const Bytes& pixels) {
  Bytes d(40 + 8 + pixels.size(), 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, 4);
  put32(8, static_cast<std::uint32_t>(height));
  d[12] = 1;
  d[14] = 8;
  put32(16, compression);
  put32(32, 2);
  d[42] = 255;  // entry 0 red (blue, green, red, reserved)
  d[45] = 255;  // entry 1 green
  std::copy(pixels.begin(), pixels.end(), d.begin() + 48);
  return d;
}

TEST(DibTest, PaletteTopDownAndRunLength) {
  Pixmap world;
  // Top-down: the first row in the data is the top row.
  ASSERT_EQ(read_dib(palette_dib(-2, 0, {0, 0, 1, 1, 1, 1, 0, 0}), true, world), kNoErr);
  EXPECT_EQ(world.at(0, 0), rgb(255, 0, 0));
  EXPECT_EQ(world.at(2, 0), rgb(0, 255, 0));
  EXPECT_EQ(world.at(0, 1), rgb(0, 255, 0));
  // RLE8 bottom-up: a run of 4 ones on the bottom row, end of line, literal 0,1,0,1.
  ASSERT_EQ(read_dib(palette_dib(2, 1, {4, 1, 0, 0, 0, 4, 0, 1, 0, 1, 0, 1}), true, world), kNoErr);
  EXPECT_EQ(world.at(3, 1), rgb(0, 255, 0));
  EXPECT_EQ(world.at(0, 0), rgb(255, 0, 0));
  EXPECT_EQ(world.at(1, 0), rgb(0, 255, 0));
  // A run that runs off the row, and a delta past the end, are dropped, not written.
  ASSERT_EQ(read_dib(palette_dib(2, 1, {200, 1, 0, 2, 50, 50, 0, 1}), true, world), kNoErr);
  EXPECT_EQ(world.at(3, 1), rgb(0, 255, 0));
}

TEST(DibTest, DamagedHeadersFailCleanly) {
  Pixmap world;
  Description d;
  EXPECT_EQ(read_dib(Bytes{'B', 'M', 0}, false, world), kNoImporter);
  EXPECT_EQ(read_dib(palette_dib(2, 0, {0, 0}), true, world), kBadPictureData);  // rows cut
  Bytes zero = palette_dib(0, 0, {});
  EXPECT_EQ(describe_dib(zero, true, d), kBadPictureData);
  Bytes huge = palette_dib(-2, 0, {});
  huge[4] = 0xFF;
  huge[5] = 0xFF;
  huge[6] = 0xFF;
  huge[10] = 0x00;
  EXPECT_EQ(describe_dib(huge, true, d), kMemFull);
  Bytes bad_bits = palette_dib(2, 0, {});
  bad_bits[14] = 7;
  EXPECT_EQ(describe_dib(bad_bits, true, d), kUnsupportedData);
  Bytes rle_mismatch = palette_dib(2, 2, {});  // RLE4 with 8 bits
  EXPECT_EQ(describe_dib(rle_mismatch, true, d), kUnsupportedData);
}

TEST(EpsPreviewTest, DosHeader) {
  Bytes h = {0xC5, 0xD0, 0xD3, 0xC6, 30, 0, 0,  0, 10, 0, 0,   0, 0, 0,
             0,    0,    0,    0,    0,  0, 40, 0, 0,  0, 100, 0, 0, 0};
  EpsPreview p;
  ASSERT_EQ(find_eps_preview(h, 140, p), kNoErr);
  EXPECT_EQ(p.offset, 40u);
  EXPECT_EQ(p.length, 100u);
  EXPECT_EQ(find_eps_preview(h, 139, p), kParamErr);  // preview runs past the end
  Bytes no_tiff = h;
  no_tiff[24] = 0;
  EXPECT_EQ(find_eps_preview(no_tiff, 140, p), kParamErr);
  Bytes text = h;
  text[0] = '%';
  EXPECT_EQ(find_eps_preview(text, 140, p), kParamErr);
  EXPECT_EQ(find_eps_preview(Bytes(h.begin(), h.begin() + 20), 140, p), kParamErr);
}

}  // namespace
}  // namespace velmora::image

namespace velmora::image {
namespace {

TEST(PictTest, ShortInputsNeverReadPastTheEnd) {
  // A version 2 opcode whose second word would lie past the end of the input.
  const Bytes cut = {0xFF, 0xFF, 0xFF, 0xFF, 0xFA, 0xFF, 0xF4, 0, 0, 0, 0, 0x11};
  Description d;
  EXPECT_EQ(describe_pict(cut, d), kNoImporter);
  EXPECT_FALSE(looks_like_pict(cut));
}

}  // namespace
}  // namespace velmora::image
