// The hand-written readers on bytes in memory, on every platform: what SaveImage writes
// reads back pixel for pixel (an image file's PNG through the platform's codec), and
// runs and rows the way other writers share them still read.
#include "image/raster_readers.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "image/export_types.hpp"
#include "image/exporter.hpp"
#include "image/picture_errors.hpp"
#include "image/picture_source.hpp"
#include "image/raster_formats.hpp"

namespace velmora::image {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Sniffs, measures and decodes; the first error of the three.
Err load(const Bytes& bytes, Description& d, Pixmap& world) {
  PictureKind kind = PictureKind::pict;
  if (const Err err = detect_kind(bytes.data(), bytes.size(), kind); err != kNoErr) return err;
  const RasterFormat format = kind == PictureKind::tga   ? RasterFormat::tga
                              : kind == PictureKind::sgi ? RasterFormat::sgi
                              : kind == PictureKind::psd ? RasterFormat::psd
                                                         : RasterFormat::qtif;
  SpanInput in(bytes);
  if (const Err err = describe_raster(format, in, d); err != kNoErr) return err;
  return decode_raster(format, in, 0, 0, world);
}

TEST(RasterReaders, RunsAndRowsWritersShareStillRead) {
  // A Targa run that crosses from one row into the next, and 32-bit pixels whose alpha
  // was never meant (all 0): an opaque 3 x 2 picture.
  const Bytes tga = {
      0,    0, 10, 0, 0,  0,    0,    0, 0, 0, 0, 0,
      3,    0, 2,  0, 32, 0x28, 0x84, 1, 2, 3, 0,  // five pixels of one colour, over the row's end
      0x00, 9, 8,  7, 0};
  Description d;
  Pixmap world;
  ASSERT_EQ(load(tga, d, world), kNoErr);
  EXPECT_EQ(d.depth, 32);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(world.pixels()[i], rgb(3, 2, 1)) << i;
  EXPECT_EQ(world.pixels()[5], rgb(7, 8, 9));
  // A run that would run past the picture's end is damage.
  Bytes over = tga;
  over[18] = 0x86;
  over.resize(23);
  EXPECT_EQ(load(over, d, world), kBadPictureData);

  // SGI rows coded once and used for every row of the picture (writers share equal rows).
  Bytes sgi(512 + 8 * 4, 0);
  const std::uint8_t head[] = {0x01, 0xDA, 1, 1, 0, 2, 0, 4, 0, 4, 0, 1};
  std::copy(std::begin(head), std::end(head), sgi.begin());
  const std::uint32_t start = static_cast<std::uint32_t>(sgi.size());
  for (int row = 0; row < 4; ++row) {
    for (int b = 0; b < 4; ++b) {
      sgi[512 + row * 4 + b] = static_cast<std::uint8_t>(start >> (24 - 8 * b));
      sgi[512 + 16 + row * 4 + b] = static_cast<std::uint8_t>(4 >> (24 - 8 * b));
    }
  }
  for (const std::uint8_t b : {0x03, 0x50, 0x81, 0xA0}) sgi.push_back(b);  // 3 x 0x50, then 0xA0
  ASSERT_EQ(load(sgi, d, world), kNoErr);
  EXPECT_EQ(d.depth, 40);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(world.at(0, y), rgb(0x50, 0x50, 0x50));
    EXPECT_EQ(world.at(3, y), rgb(0xA0, 0xA0, 0xA0));
  }
}

TEST(RasterReaders, SavedFilesReadBackPixelForPixel) {
  Pixmap picture;
  ASSERT_EQ(picture.create(PixRect{0, 0, 67, 41}), kNoErr);
  for (std::int32_t y = 0; y < 41; ++y)
    for (std::int32_t x = 0; x < 67; ++x)
      picture.set(x, y,
                  rgb(static_cast<std::uint8_t>(x * 3 + y), static_cast<std::uint8_t>(y * 6),
                      static_cast<std::uint8_t>((x ^ y) * 5)));
  struct Case {
    std::uint32_t type;
    PictureKind kind;
    RasterFormat format;
    bool resolution;  // the format keeps it
  };
  for (const Case& c : {Case{kTypeTga, PictureKind::tga, RasterFormat::tga, false},
                        Case{kTypeSgi, PictureKind::sgi, RasterFormat::sgi, false},
                        Case{kTypePsd, PictureKind::psd, RasterFormat::psd, true},
                        Case{kTypeQtif, PictureKind::qtif, RasterFormat::qtif, true}}) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    ExportSettings settings;
    settings.type = c.type;
    settings.hres = to_fixed(150);
    settings.vres = to_fixed(200);
    Bytes file;
    ASSERT_EQ(encode_picture_file(picture, settings, file), kNoErr);
    PictureKind kind = PictureKind::pict;
    ASSERT_EQ(detect_kind(file.data(), file.size(), kind), kNoErr);
    EXPECT_EQ(kind, c.kind);
    SpanInput in(file);
    Description d;
    ASSERT_EQ(describe_raster(c.format, in, d), kNoErr);
    EXPECT_EQ(d.bounds, picture.bounds());
    EXPECT_EQ(d.depth, 24);  // every one is written in full colour
    EXPECT_EQ(fixed_floor(d.hres), c.resolution ? 150 : 72);
    EXPECT_EQ(fixed_floor(d.vres), c.resolution ? 200 : 72);
    Pixmap back;
    ASSERT_EQ(decode_raster(c.format, in, 0, 0, back), kNoErr);
    ASSERT_EQ(back.bounds(), picture.bounds());
    EXPECT_EQ(back.pixels(), picture.pixels());
  }
}

}  // namespace
}  // namespace velmora::image
