// Picture sources over generated files: the reader chosen by the bytes, decoding by
// every codec (pixel values, pages, frames), the reduced JPEG decode, EPS previews and
// PICT data held in memory.
#include "image/picture_source.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/pict.hpp"
#include "image/picture_errors.hpp"

namespace velmora::image {
namespace {

namespace stdfs = std::filesystem;

class PictureSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new stdfs::path(stdfs::temp_directory_path() /
                           ("velmora_picture_source_" + std::to_string(::getpid())));
    const std::string command =
        "python3 '" + (stdfs::path(VELMORA_TEST_DATA) / "image" / "make_pictures.py").string() +
        "' '" + dir_->string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    stdfs::remove_all(*dir_, ec);
    delete dir_;
  }
  // Native paths are Windows-form: C: is the root.
  static std::string native(const std::string& name) {
    std::string p = "C:" + (*dir_ / name).string();
    for (char& c : p)
      if (c == '/') c = '\\';
    return p;
  }
  static Err decode(const std::string& name, Pixmap& out, std::int32_t page = 0,
                    std::int32_t box_w = 0, std::int32_t box_h = 0) {
    PictureSource s;
    const bool eps = name.size() > 4 && name.substr(name.size() - 4) == ".eps";
    if (const Err err = s.open_file(native(name), eps, page); err != kNoErr) return err;
    return s.decode(out, box_w, box_h);
  }
  static stdfs::path* dir_;
};

stdfs::path* PictureSourceTest::dir_ = nullptr;

TEST_F(PictureSourceTest, KindsComeFromTheBytes) {
  const std::pair<const char*, PictureKind> cases[] = {
      {"photo.jpg", PictureKind::jpeg},   {"phys.png", PictureKind::png},
      {"pages.tif", PictureKind::tiff},   {"colours.gif", PictureKind::gif},
      {"picture.bmp", PictureKind::bmp},  {"really_png.jpg", PictureKind::png},
      {"drawing.pct", PictureKind::pict},
  };
  for (const auto& [name, kind] : cases) {
    PictureSource s;
    ASSERT_EQ(s.open_file(native(name), false, 0), kNoErr) << name;
    EXPECT_EQ(s.kind(), kind) << name;
    EXPECT_EQ(s.held_size(), 0u);
  }
  PictureSource s;
  EXPECT_EQ(s.open_file(native("text.jpg"), false, 0), kNoImporter);
  EXPECT_FALSE(s.is_open());
  EXPECT_EQ(s.open_file(native("nothing.png"), false, 0), kFileNotFound);
}

TEST_F(PictureSourceTest, DecodesEveryCodecWithItsPixels) {
  Pixmap p;
  // The generator's patterns: PNG (x + y) per channel, BMP 3x + y stored bottom-up,
  // TIFF 7x + y, GIF palette entry (x + y) mod 8.
  ASSERT_EQ(decode("phys.png", p), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 50, 20}));
  EXPECT_EQ(p.at(7, 3), rgb(10, 10, 10));
  ASSERT_EQ(decode("alpha.png", p), kNoErr);
  EXPECT_EQ(p.at(2, 1), rgb(3, 3, 3, 3));
  ASSERT_EQ(decode("picture.bmp", p), kNoErr);
  EXPECT_EQ(p.at(5, 29), rgb(15, 15, 15));  // file row 0 is the bottom row
  ASSERT_EQ(decode("pages.tif", p), kNoErr);
  EXPECT_EQ(p.at(2, 1), rgb(15, 15, 15));
  ASSERT_EQ(decode("colours.gif", p), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 23, 11}));
  EXPECT_EQ(p.at(3, 2), rgb(5 * 32, 255 - 5 * 32, 5 * 16));
  ASSERT_EQ(decode("drawing.pct", p), kNoErr);
  EXPECT_EQ(p.at(15, 0), rgb(255, 0, 0));
  EXPECT_EQ(p.at(0, 1), rgb(0, 0, 255));
  ASSERT_EQ(decode("grey.jpg", p), kNoErr);
  EXPECT_EQ(red(p.at(4, 4)), green(p.at(4, 4)));  // grey comes out as equal channels
}

TEST_F(PictureSourceTest, PagesAndPreviews) {
  Pixmap p;
  ASSERT_EQ(decode("pages.tif", p, 2), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 12, 9}));
  EXPECT_EQ(p.at(1, 1), rgb(8, 8, 8));
  EXPECT_EQ(decode("pages.tif", p, 3), kParamErr);
  EXPECT_EQ(decode("photo.jpg", p, 2), kParamErr);
  ASSERT_EQ(decode("figure.eps", p), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 30, 20}));
  PictureSource s;
  EXPECT_EQ(s.open_file(native("no_preview.eps"), true, 0), kParamErr);
  // An EPS source whose bytes are not an EPS file at all.
  EXPECT_EQ(s.open_file(native("photo.jpg"), true, 0), kParamErr);
}

TEST_F(PictureSourceTest, ImplausibleGifFramesAreDamageNotAllocations) {
  Pixmap p;
  EXPECT_EQ(decode("vast.gif", p), kBadPictureData);
  PictureSource s;
  ASSERT_EQ(s.open_file(native("vast.gif"), false, 0), kNoErr);
  Description d;
  EXPECT_EQ(s.describe(d), kBadPictureData);
}

TEST_F(PictureSourceTest, JpegDecodesSmallerWhenTheBoxAllows) {
  Pixmap p;
  ASSERT_EQ(decode("photo.jpg", p, 0, 80, 60), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 80, 60}));  // 1/8 in the DCT domain
  ASSERT_EQ(decode("photo.jpg", p, 0, 200, 100), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 320, 240}));  // 1/4 would not cover 200
  ASSERT_EQ(decode("photo.jpg", p), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 640, 480}));
  // A progressive picture too large for the decoder's memory limit is refused at once,
  // however small the box.
  ASSERT_EQ(decode("vast_progressive.jpg", p, 0, 80, 80), kMemFull);
  // A scan cut in half still decodes: its headers are whole.
  ASSERT_EQ(decode("cut_scan.jpg", p), kNoErr);
  EXPECT_EQ(p.width(), 640);
}

// A PNG drawn smaller is averaged over whole blocks as its rows arrive: each pixel of
// the reduced picture is the alpha-weighted mean of its block of the full one.
TEST_F(PictureSourceTest, PngDecodesSmallerWhenTheBoxAllows) {
  for (const char* name : {"phys.png", "alpha.png"}) {
    SCOPED_TRACE(name);
    Pixmap full, small;
    ASSERT_EQ(decode(name, full), kNoErr);
    const std::int32_t k = name[0] == 'p' ? 4 : 2;
    ASSERT_EQ(decode(name, small, 0, full.width() / k, full.height() / k), kNoErr);
    ASSERT_EQ(small.width(), (full.width() + k - 1) / k);
    ASSERT_EQ(small.height(), (full.height() + k - 1) / k);
    for (std::int32_t oy = 0; oy < small.height(); ++oy)
      for (std::int32_t ox = 0; ox < small.width(); ++ox) {
        double a = 0, r = 0, n = 0;
        for (std::int32_t y = oy * k; y < std::min(full.height(), oy * k + k); ++y)
          for (std::int32_t x = ox * k; x < std::min(full.width(), ox * k + k); ++x) {
            const Pixel p = full.row(y)[x];
            a += alpha(p);
            r += alpha(p) * red(p);
            n += 1;
          }
        const Pixel q = small.row(oy)[ox];
        ASSERT_NEAR(alpha(q), a / n, 0.51) << ox << "," << oy;
        if (a > 0) {
          ASSERT_NEAR(red(q), r / a, 0.51) << ox << "," << oy;
        }
      }
  }
  // A box the picture does not exceed twice over decodes it whole.
  Pixmap p;
  ASSERT_EQ(decode("phys.png", p, 0, 30, 15), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 50, 20}));
}

TEST_F(PictureSourceTest, HeldPictData) {
  Pixmap world;
  ASSERT_EQ(world.create(PixRect{0, 0, 9, 4}, rgb(1, 2, 3)), kNoErr);
  std::vector<std::uint8_t> pict;
  ASSERT_EQ(write_pict(world, to_fixed(72), to_fixed(72), pict), kNoErr);
  const std::size_t record = pict.size();
  PictureSource s;
  ASSERT_EQ(s.open_memory(std::move(pict)), kNoErr);
  EXPECT_EQ(s.held_size(), record + kPictHeaderArea);
  Description d;
  ASSERT_EQ(s.describe(d), kNoErr);
  EXPECT_EQ(d.bounds, world.bounds());
  Pixmap back;
  ASSERT_EQ(s.decode(back), kNoErr);
  EXPECT_EQ(back.at(8, 3), rgb(1, 2, 3));
  EXPECT_EQ(s.open_memory({1, 2, 3}), kBadPictureData);
  EXPECT_FALSE(s.is_open());
}

}  // namespace
}  // namespace velmora::image
