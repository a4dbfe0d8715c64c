// Clipboard pictures over a fake clipboard: which format is read, bitmaps turned into
// PICT, what a write offers; the area-averaging resampler thumbnails use; CalcColor's
// swatch on the host-kept clipboard.
#include <fmx/FMHostServices.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "image/area_reduce.hpp"
#include "image/clipboard_picture.hpp"
#include "image/dib.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"
#include "params/text_util.hpp"
#include "platform/encoders.hpp"
#include "run_handlers.hpp"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;
using image::Pixel;
using image::Pixmap;
using image::PixRect;

class FakeClipboard final : public platform::Clipboard {
 public:
  bool opens = true;
  bool takes = true;
  std::vector<std::string> offered;
  std::map<std::string, Bytes> data;
  std::vector<platform::ClipboardItem> written;
  int replaced = 0;

  void offer(const std::string& name, Bytes bytes = {}) {
    offered.push_back(name);
    if (!bytes.empty()) data[name] = std::move(bytes);
  }
  bool formats(std::vector<std::string>& out) override {
    out = offered;
    return opens;
  }
  bool read(std::string_view format, Bytes& out) override {
    const auto it = data.find(std::string(format));
    if (it == data.end()) return false;
    out = it->second;
    return true;
  }
  bool replace(const std::vector<platform::ClipboardItem>& items) override {
    if (!takes) return false;
    ++replaced;
    written = items;
    return true;
  }
};

Pixmap gradient(std::int32_t w, std::int32_t h) {
  Pixmap p;
  EXPECT_EQ(p.create(PixRect{0, 0, w, h}), kNoErr);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      p.set(x, y,
            image::rgb(static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 60),
                       static_cast<std::uint8_t>(x * y * 7)));
    }
  }
  return p;
}

Bytes pict_of(const Pixmap& p) {
  Bytes out;
  EXPECT_EQ(image::write_pict(p, image::to_fixed(72), image::to_fixed(72), out), kNoErr);
  return out;
}

void expect_same_pixels(const Pixmap& a, const Pixmap& b) {
  ASSERT_EQ(a.width(), b.width());
  ASSERT_EQ(a.height(), b.height());
  for (std::int32_t y = 0; y < a.height(); ++y) {
    for (std::int32_t x = 0; x < a.width(); ++x) {
      ASSERT_EQ(a.row(y)[x] & 0xFFFFFF, b.row(y)[x] & 0xFFFFFF) << x << "," << y;
    }
  }
}

// A 16-bit 5-6-5 DIB with bit-field masks, 3 x 2, bottom-up.
Bytes dib565() {
  Bytes d(40 + 12, 0);
  auto le32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  le32(0, 40);
  le32(4, 3);
  le32(8, 2);
  d[12] = 1;
  d[14] = 16;
  le32(16, 3);  // bit fields
  le32(40, 0xF800);
  le32(44, 0x07E0);
  le32(48, 0x001F);
  // Bottom row first: red, green, blue; then the top row: white, black, grey 50%.
  const std::uint16_t rows[2][3] = {{0xF800, 0x07E0, 0x001F}, {0xFFFF, 0x0000, 0x8410}};
  for (const auto& row : rows) {
    for (std::uint16_t v : row) {
      d.push_back(static_cast<std::uint8_t>(v));
      d.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    d.push_back(0);  // rows padded to 4 bytes
    d.push_back(0);
  }
  return d;
}

TEST(ClipboardRead, PictFormatWinsAndTheLastPictNamedOneIsTaken) {
  const Bytes first = pict_of(gradient(3, 2));
  const Bytes second = pict_of(gradient(5, 4));
  Bytes dib;
  ASSERT_EQ(image::write_dib(gradient(7, 7), image::to_fixed(72), image::to_fixed(72), false, dib),
            kNoErr);

  FakeClipboard c;
  c.offer("CF_DIB", dib);
  c.offer("Mac-PICT", first);
  c.offer("image/png", {1, 2, 3});
  c.offer("QT-PICT", second);
  Bytes got;
  EXPECT_EQ(image::read_clipboard_picture(c, got), kNoErr);
  EXPECT_EQ(got, second);

  // Names are compared exactly: a differently written name is no PICT format.
  FakeClipboard lower;
  lower.offer("mac-pict", first);
  lower.offer("QT-Pict", first);
  EXPECT_EQ(image::read_clipboard_picture(lower, got), image::kClipboardNoPicture);
  EXPECT_TRUE(got.empty());
}

TEST(ClipboardRead, ErrorsForEachWayAClipboardCanDisappoint) {
  Bytes got;
  FakeClipboard closed;
  closed.opens = false;
  EXPECT_EQ(image::read_clipboard_picture(closed, got), image::kClipboardNotOpened);

  FakeClipboard empty;
  empty.offer("text/plain", {'a'});
  EXPECT_EQ(image::read_clipboard_picture(empty, got), image::kClipboardNoPicture);

  FakeClipboard dib_without_data;
  dib_without_data.offer("CF_DIB");
  EXPECT_EQ(image::read_clipboard_picture(dib_without_data, got), image::kClipboardNoData);

  FakeClipboard pict_without_data;
  pict_without_data.offer("Mac-PICT");
  pict_without_data.offer("CF_DIB", dib565());
  EXPECT_EQ(image::read_clipboard_picture(pict_without_data, got), kMemFull);

  FakeClipboard broken_dib;
  broken_dib.offer("CF_DIB", {40, 0, 0, 0, 1, 2});
  EXPECT_NE(image::read_clipboard_picture(broken_dib, got), kNoErr);
  EXPECT_TRUE(got.empty());
}

// A run-length bitmap a few bytes long: header, two colours, one run of colour 1 and the
// end-of-bitmap escape.
Bytes rle8_dib(std::int32_t width, std::int32_t height, bool rle = true) {
  Bytes b;
  const auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  le32(40);
  le32(static_cast<std::uint32_t>(width));
  le32(static_cast<std::uint32_t>(height));
  b.insert(b.end(), {1, 0, 8, 0});  // planes, bits per pixel
  le32(rle ? 1 : 0);                // BI_RLE8 or BI_RGB
  le32(4);
  le32(2835);
  le32(2835);
  le32(2);
  le32(0);
  b.insert(b.end(), {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
  b.insert(b.end(), {1, 1, 0, 1});
  return b;
}

TEST(ClipboardRead, BitmapsTallerThanAPictureHoldsAreRefusedBeforeDecoding) {
  // 48 million pixels from 60 bytes: refused at once, not decoded and then refused.
  Bytes pict;
  EXPECT_EQ(image::dib_to_pict(rle8_dib(3, 16'000'000), pict), kParamErr);
  EXPECT_EQ(image::dib_to_pict(rle8_dib(1, 32768), pict), kParamErr);
  EXPECT_EQ(image::dib_to_pict(rle8_dib(32768, 1), pict), kParamErr);
  // The size is the first thing refused, before the missing rows are noticed.
  EXPECT_EQ(image::dib_to_pict(rle8_dib(1, 40000, false), pict), kParamErr);
  ASSERT_EQ(image::dib_to_pict(rle8_dib(1, 32767), pict), kNoErr);
  image::Description d;
  ASSERT_EQ(image::describe_pict(pict, d), kNoErr);
  EXPECT_EQ(d.bounds.height(), 32767);
  ASSERT_EQ(image::dib_to_pict(rle8_dib(32767, 1), pict), kNoErr);
}

TEST(ClipboardRead, BitFieldDibBecomesAPictOfTheSameColours) {
  FakeClipboard c;
  c.offer("CF_DIB", dib565());
  Bytes pict;
  ASSERT_EQ(image::read_clipboard_picture(c, pict), kNoErr);
  Pixmap p;
  ASSERT_EQ(image::read_pict(pict, p), kNoErr);
  ASSERT_EQ(p.width(), 3);
  ASSERT_EQ(p.height(), 2);
  EXPECT_EQ(p.at(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(p.at(1, 0) & 0xFFFFFF, 0x000000u);
  EXPECT_NEAR(image::red(p.at(2, 0)), 0x84, 4);
  EXPECT_EQ(p.at(0, 1) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(p.at(1, 1) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(p.at(2, 1) & 0xFFFFFF, 0x0000FFu);
}

TEST(ClipboardConversion, DibAndPictRoundTripKeepPixelsAndResolution) {
  const Pixmap original = gradient(6, 5);
  Bytes dib;
  ASSERT_EQ(image::write_dib(original, image::to_fixed(96), image::to_fixed(150), false, dib),
            kNoErr);
  Bytes pict;
  ASSERT_EQ(image::dib_to_pict(dib, pict), kNoErr);
  image::Description d;
  ASSERT_EQ(image::describe_pict(pict, d), kNoErr);
  EXPECT_EQ(image::fixed_round(d.hres), 96);
  EXPECT_EQ(image::fixed_round(d.vres), 150);
  Pixmap through_pict;
  ASSERT_EQ(image::read_pict(pict, through_pict), kNoErr);
  expect_same_pixels(original, through_pict);

  Bytes back;
  ASSERT_EQ(image::pict_to_dib(pict, back), kNoErr);
  Pixmap through_dib;
  ASSERT_EQ(image::read_dib(back, true, through_dib), kNoErr);
  expect_same_pixels(original, through_dib);
}

TEST(ClipboardWrite, OffersPictAndItsBitmapTogether) {
  const Pixmap original = gradient(4, 3);
  const Bytes pict = pict_of(original);
  FakeClipboard c;
  ASSERT_EQ(image::write_clipboard_picture(c, pict), kNoErr);
  ASSERT_EQ(c.written.size(), 2u);
  EXPECT_EQ(c.written[0].format, "Mac-PICT");
  EXPECT_EQ(c.written[0].data, pict);
  EXPECT_EQ(c.written[1].format, "CF_DIB");
  Pixmap from_dib;
  ASSERT_EQ(image::read_dib(c.written[1].data, true, from_dib), kNoErr);
  expect_same_pixels(original, from_dib);

  // What was written reads back as the same picture.
  FakeClipboard again;
  for (const auto& item : c.written) again.offer(item.format, item.data);
  Bytes read;
  ASSERT_EQ(image::read_clipboard_picture(again, read), kNoErr);
  EXPECT_EQ(read, pict);
}

TEST(ClipboardWrite, FailuresLeaveTheClipboardAsItWasAndSaySo) {
  FakeClipboard c;
  EXPECT_EQ(image::write_clipboard_picture(c, Bytes{}), kMemFull);
  // A picture that cannot be converted is not put there half.
  EXPECT_NE(image::write_clipboard_picture(c, Bytes(40, 0x11)), kNoErr);
  EXPECT_EQ(c.replaced, 0);
  // A clipboard that cannot be taken over is reported, not passed off as success.
  c.takes = false;
  EXPECT_EQ(image::write_clipboard_picture(c, pict_of(gradient(2, 2))), image::kClipboardNotOpened);
}

TEST(AreaResample, EachPixelIsTheMeanOfTheAreaItCovers) {
  Pixmap src;
  ASSERT_EQ(src.create(PixRect{0, 0, 4, 2}), kNoErr);
  // Left half black and white columns, right half all grey 100.
  for (int y = 0; y < 2; ++y) {
    src.set(0, y, image::kBlack);
    src.set(1, y, image::kWhite);
    src.set(2, y, image::rgb(100, 100, 100));
    src.set(3, y, image::rgb(100, 100, 100));
  }
  Pixmap half;
  ASSERT_EQ(image::area_resample(src, 2, 1, half), kNoErr);
  EXPECT_EQ(half.at(0, 0), image::rgb(128, 128, 128));
  EXPECT_EQ(half.at(1, 0), image::rgb(100, 100, 100));

  // 3 -> 2 columns: the middle pixel is shared, half to each side.
  Pixmap three;
  ASSERT_EQ(three.create(PixRect{0, 0, 3, 1}), kNoErr);
  three.set(0, 0, image::rgb(0, 0, 0));
  three.set(1, 0, image::rgb(90, 90, 90));
  three.set(2, 0, image::rgb(180, 180, 180));
  Pixmap two;
  ASSERT_EQ(image::area_resample(three, 2, 1, two), kNoErr);
  EXPECT_EQ(image::red(two.at(0, 0)), 30);   // (2*0 + 1*90) / 3
  EXPECT_EQ(image::red(two.at(1, 0)), 150);  // (1*90 + 2*180) / 3

  // Same size copies; empty sizes are refused.
  const Pixmap g = gradient(5, 4);
  Pixmap same;
  ASSERT_EQ(image::area_resample(g, 5, 4, same), kNoErr);
  expect_same_pixels(g, same);
  EXPECT_EQ(image::area_resample(g, 0, 4, same), kParamErr);
  EXPECT_EQ(image::area_resample(Pixmap(), 1, 1, same), kParamErr);

  // Transparent pixels weigh nothing in the colour: the red under alpha 0 never tints
  // its opaque neighbour, and the mean's alpha is the mean of the alphas.
  Pixmap hidden;
  ASSERT_EQ(hidden.create(PixRect{0, 0, 2, 1}), kNoErr);
  hidden.set(0, 0, image::rgb(0, 0, 200));
  hidden.set(1, 0, 0x00FF0000);
  Pixmap one;
  ASSERT_EQ(image::area_resample(hidden, 1, 1, one), kNoErr);
  EXPECT_EQ(one.at(0, 0), image::rgb(0, 0, 200, 128));
  hidden.set(0, 0, 0x0000FF00);
  ASSERT_EQ(image::area_resample(hidden, 1, 1, one), kNoErr);
  EXPECT_EQ(image::alpha(one.at(0, 0)), 0);
}

// Thumbnail sizes keep the picture's shape beyond the 16.16 range and never vanish.
TEST(ThumbnailSize, WideThinAndSmallPictures) {
  EXPECT_EQ(image::thumbnail_size(40000, 10000, 80, 80), (PixRect{0, 0, 80, 20}));
  EXPECT_EQ(image::thumbnail_size(100000, 50, 80, 80), (PixRect{0, 0, 80, 1}));
  EXPECT_EQ(image::thumbnail_size(161, 1, 80, 80), (PixRect{0, 0, 80, 1}));
  EXPECT_EQ(image::thumbnail_size(1, 161, 80, 80), (PixRect{0, 0, 1, 80}));
  EXPECT_EQ(image::thumbnail_size(400, 300, 80, 80), (PixRect{0, 0, 80, 60}));
  EXPECT_EQ(image::thumbnail_size(40, 30, 80, 80), (PixRect{0, 0, 40, 30}));
  EXPECT_EQ(image::thumbnail_size(20000, 20000, 300, 200), (PixRect{0, 0, 200, 200}));
}

// CalcColor's swatch goes to the clipboard the host keeps; it needs a host window.
class Swatch : public ::testing::Test {
 protected:
  void SetUp() override {
    table_.structSize = sizeof table_;
    FMW_Host_SetDocumentWindow(&table_);
    FMW_Host_KeepClipboard(1);
    VelmoraHost_Services()->clipboardEmpty();
  }
  void TearDown() override {
    VelmoraHost_Services()->clipboardEmpty();
    FMW_Host_KeepClipboard(0);
    FMW_Host_SetDocumentWindow(nullptr);
  }
  Pixmap clipboard_picture() {
    Bytes pict;
    EXPECT_EQ(image::read_clipboard_picture(pict), kNoErr);
    Pixmap p;
    EXPECT_EQ(image::read_pict(pict, p), kNoErr);
    return p;
  }
  FMX_DocumentWindow table_{};
};

constexpr int kCalcColor = 25;

TEST_F(Swatch, FlatSwatchIsSixteenSquareOrTheSizeAsked) {
  EXPECT_EQ(testing::run(kCalcColor, "COLOR=#3366CC SAMPLE"), "51,102,204");
  Pixmap p = clipboard_picture();
  EXPECT_EQ(p.width(), 16);
  EXPECT_EQ(p.height(), 16);
  for (Pixel px : p.pixels()) ASSERT_EQ(px & 0xFFFFFF, 0x3366CCu);

  EXPECT_EQ(testing::run(kCalcColor, "COLOR=255,0,0 INVERT SAMPLE=40,20"), "0,255,255");
  p = clipboard_picture();
  EXPECT_EQ(p.width(), 40);
  EXPECT_EQ(p.height(), 20);
  EXPECT_EQ(p.at(39, 19) & 0xFFFFFF, 0x00FFFFu);
}

TEST_F(Swatch, RaisedSwatchHasLightTopLeftAndDarkBottomRight) {
  EXPECT_EQ(testing::run(kCalcColor, "COLOR=#3366CC SAMPLE3D SAMPLE=6,4"), "51,102,204");
  const Pixmap p = clipboard_picture();
  ASSERT_EQ(p.width(), 6);
  ASSERT_EQ(p.height(), 4);
  // Components shifted as LIGHTEN and DARKEN do, reported by their high byte.
  const Pixel fill = 0x3366CC, light = 0x99B3E6, dark = 0x193366;
  auto at = [&](int x, int y) { return p.at(x, y) & 0xFFFFFF; };
  EXPECT_EQ(at(0, 0), light);
  EXPECT_EQ(at(4, 0), light);
  EXPECT_EQ(at(5, 0), dark);  // the top-right pixel is dark
  EXPECT_EQ(at(0, 2), light);
  EXPECT_EQ(at(0, 3), fill);  // the bottom-left pixel keeps the fill
  EXPECT_EQ(at(1, 3), dark);
  EXPECT_EQ(at(5, 3), dark);
  EXPECT_EQ(at(5, 1), dark);
  EXPECT_EQ(at(2, 1), fill);
  EXPECT_EQ(at(4, 2), fill);
}

TEST_F(Swatch, EmptySizeIsABadParameterAndLeavesTheClipboard) {
  EXPECT_EQ(testing::run(kCalcColor, "COLOR=#3366CC SAMPLE=0,20").rfind("ERROR=-50", 0), 0u);
  EXPECT_EQ(testing::run(kCalcColor, "COLOR=#3366CC SAMPLE3D=-3,3").rfind("ERROR=-50", 0), 0u);
  EXPECT_EQ(VelmoraHost_Services()->clipboardFormatCount(), 0u);
  // Beyond what the clipboard may hold: refused before the swatch is made.
  EXPECT_EQ(testing::run(kCalcColor, "COLOR=#3366CC SAMPLE=8192,4097").rfind("ERROR=-108", 0), 0u);
  EXPECT_EQ(VelmoraHost_Services()->clipboardFormatCount(), 0u);
  FMW_Host_SetDocumentWindow(nullptr);
  EXPECT_EQ(testing::run(kCalcColor, "COLOR=#3366CC SAMPLE").rfind("ERROR=-108", 0), 0u);
  EXPECT_EQ(VelmoraHost_Services()->clipboardFormatCount(), 0u);
}

// PreviewImage through its handler, the thumbnail read back from the kept clipboard.
class Preview : public Swatch {
 protected:
  std::string halves_file() {
    Pixmap p;
    EXPECT_EQ(p.create(PixRect{0, 0, 400, 300}, image::rgb(255, 0, 0)), kNoErr);
    p.fill(PixRect{200, 0, 400, 300}, image::rgb(0, 0, 255));
    Bytes bmp;
    EXPECT_EQ(image::write_dib(p, image::to_fixed(72), image::to_fixed(72), true, bmp), kNoErr);
    const std::string path = ::testing::TempDir() + "velmora_preview_halves.bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
      std::fwrite(bmp.data(), 1, bmp.size(), f);
      std::fclose(f);
    }
    return path;
  }
};

constexpr int kPreviewImage = 5;

TEST_F(Preview, ThumbnailKeepsTheColoursAndTheFrameIsDrawnInside) {
  const std::string path = halves_file();
  // Windows temporary folders hold backslashes, which the parameter language escapes.
  EXPECT_EQ(testing::run(kPreviewImage, "SRC=" + params::escape_all(path)), "<none>");
  Pixmap p = clipboard_picture();
  ASSERT_EQ(p.width(), 80);
  ASSERT_EQ(p.height(), 60);
  EXPECT_EQ(p.at(0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(p.at(39, 59) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(p.at(40, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(p.at(79, 30) & 0xFFFFFF, 0x0000FFu);

  // A box that splits source pixels averages them: of 3 columns out of 400, the middle
  // one covers both halves equally.
  EXPECT_EQ(testing::run(kPreviewImage, "SRC=" + params::escape_all(path) + " WIDTH=3 HEIGHT=3"),
            "<none>");
  p = clipboard_picture();
  ASSERT_EQ(p.width(), 3);
  EXPECT_EQ(p.at(0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(p.at(1, 0) & 0xFFFFFF, 0x800080u);
  EXPECT_EQ(p.at(2, 0) & 0xFFFFFF, 0x0000FFu);

  EXPECT_EQ(testing::run(kPreviewImage, "SRC=" + params::escape_all(path) + " BORDER=2"), "<none>");
  p = clipboard_picture();
  ASSERT_EQ(p.width(), 80);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(p.at(i, 30) & 0xFFFFFF, 0u);
    EXPECT_EQ(p.at(79 - i, 30) & 0xFFFFFF, 0u);
    EXPECT_EQ(p.at(20, i) & 0xFFFFFF, 0u);
    EXPECT_EQ(p.at(20, 59 - i) & 0xFFFFFF, 0u);
  }
  EXPECT_EQ(p.at(2, 30) & 0xFFFFFF, 0xFF0000u);
  // BORDER=0 still frames, one pixel wide.
  EXPECT_EQ(testing::run(kPreviewImage, "SRC=" + params::escape_all(path) + " BORDER=0"), "<none>");
  p = clipboard_picture();
  EXPECT_EQ(p.at(0, 30) & 0xFFFFFF, 0u);
  EXPECT_EQ(p.at(1, 30) & 0xFFFFFF, 0xFF0000u);
  std::remove(path.c_str());
}

// The mean of the picture's area a thumbnail pixel covers, in exact fractions of source
// pixels (opaque pictures).
double area_mean(const Pixmap& src, std::int32_t tw, std::int32_t th, std::int32_t x,
                 std::int32_t y, int shift) {
  const double x0 = double(x) * src.width() / tw, x1 = double(x + 1) * src.width() / tw;
  const double y0 = double(y) * src.height() / th, y1 = double(y + 1) * src.height() / th;
  double sum = 0, total = 0;
  for (auto sy = static_cast<std::int32_t>(y0); sy < y1 && sy < src.height(); ++sy)
    for (auto sx = static_cast<std::int32_t>(x0); sx < x1 && sx < src.width(); ++sx) {
      const double w = (std::min<double>(x1, sx + 1) - std::max<double>(x0, sx)) *
                       (std::min<double>(y1, sy + 1) - std::max<double>(y0, sy));
      sum += w * ((src.row(sy)[sx] >> shift) & 0xFF);
      total += w;
    }
  return sum / total;
}

// Decoders average whole blocks before the thumbnail's own area averaging; blocks that
// straddle the thumbnail's pixel edges must not blur hard edges by much.  Stripes three
// and four pixels wide on a 613 x 409 PNG, shrunk to 150 x 100 (4.09 source pixels a
// thumbnail pixel): every pixel near its exact area mean.
TEST_F(Preview, ThumbnailsOfHardEdgesStayNearTheirAreaMeans) {
  Pixmap src;
  ASSERT_EQ(src.create(PixRect{0, 0, 613, 409}, image::rgb(255, 255, 255)), kNoErr);
  for (std::int32_t y = 0; y < 409; ++y)
    for (std::int32_t x = 0; x < 613; ++x)
      if ((x / 3 + y / 4) % 2 == 0) src.row(y)[x] = image::rgb(0, 0, 0);
  std::vector<std::uint8_t> png;
  platform::EncodeRequest request;
  request.pixels = src.pixels().data();
  request.width = src.width();
  request.height = src.height();
  request.depth = 24;
  ASSERT_EQ(platform::encode_picture(platform::EncodeFormat::png, request, png),
            platform::EncodeStatus::ok);
  const std::string path = ::testing::TempDir() + "velmora_preview_stripes.png";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  EXPECT_EQ(
      testing::run(kPreviewImage, "SRC=" + params::escape_all(path) + " WIDTH=150 HEIGHT=150"),
      "<none>");
  std::remove(path.c_str());
  const Pixmap p = clipboard_picture();
  ASSERT_EQ(p.width(), 150);
  ASSERT_EQ(p.height(), 100);
  double worst = 0, total = 0;
  for (std::int32_t y = 0; y < 100; ++y)
    for (std::int32_t x = 0; x < 150; ++x) {
      const double d = std::abs(((p.at(x, y) >> 8) & 0xFF) - area_mean(src, 150, 100, x, y, 8));
      worst = std::max(worst, d);
      total += d;
    }
  EXPECT_LT(worst, 90.0);                // blocks a whole thumbnail pixel wide: 172
  EXPECT_LT(total / (150 * 100), 20.0);  // and 27
}

TEST(HostClipboard, FormatsKeepTheirOrderAndReadsAreCut) {
  VelmoraHost_Services()->clipboardEmpty();
  const std::uint8_t a[] = {1, 2, 3, 4};
  const std::uint8_t b[] = {9};
  ASSERT_TRUE(VelmoraHost_Services()->clipboardAdd("one", a, sizeof a));
  ASSERT_TRUE(VelmoraHost_Services()->clipboardAdd("two", b, sizeof b));
  ASSERT_TRUE(
      VelmoraHost_Services()->clipboardAdd("one", b, sizeof b));  // replaces, keeps its place
  ASSERT_EQ(VelmoraHost_Services()->clipboardFormatCount(), 2u);
  char name[3];
  ASSERT_TRUE(VelmoraHost_Services()->clipboardFormatName(0, name, sizeof name));
  EXPECT_STREQ(name, "on");
  EXPECT_FALSE(VelmoraHost_Services()->clipboardFormatName(2, name, sizeof name));
  std::uint64_t size = 0;
  ASSERT_TRUE(VelmoraHost_Services()->clipboardRead("one", nullptr, &size));
  EXPECT_EQ(size, 1u);
  std::uint8_t out[4] = {};
  size = sizeof out;
  ASSERT_TRUE(VelmoraHost_Services()->clipboardRead("one", out, &size));
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(out[0], 9);
  EXPECT_FALSE(VelmoraHost_Services()->clipboardRead("three", nullptr, &size));
  VelmoraHost_Services()->clipboardEmpty();
  EXPECT_EQ(VelmoraHost_Services()->clipboardFormatCount(), 0u);
}

}  // namespace
}  // namespace velmora
