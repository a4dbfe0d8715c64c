// The per-picture transform and its placement in the destination: sizes, flips,
// rotations, every display mode's fit rule, anchors, offset and scroll.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "image/transfer_modes.hpp"
#include "image/transform.hpp"

namespace velmora::image {
namespace {

class Parsed {
 public:
  explicit Parsed(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
    scratch_.assign(text.size() + 1, 0);
    store.prepare();
    store.parse_first(buffer_.data(), scratch_.data());
  }
  ~Parsed() { store.release(); }
  params::Store store;

 private:
  std::vector<char> buffer_;
  std::vector<char> scratch_;
};

// The job for a picture of w x h placed in dest by the parameter text.
DrawJob placed(const std::string& text, std::int32_t w, std::int32_t h, const PixRect& dest) {
  Parsed p(text);
  DrawJob job;
  EXPECT_EQ(apply_transform(p.store, w, h, job), kNoErr) << text;
  apply_placement(p.store, dest, job);
  return job;
}

constexpr PixRect kDest{0, 0, 300, 200};

Fixed fx(double v) {
  return static_cast<Fixed>(v * 65536.0 + 0.5);
}

TEST(FitScale, EveryBranchOfTheTable) {
  const Fixed half = fx(0.5), third = fx(1.0 / 3), two = fx(2), three = fx(3), one = kFixedOne;
  // ScaleToFit: always the smaller ratio.
  EXPECT_EQ(fit_scale(DisplayMode::scale_to_fit, two, three), two);
  EXPECT_EQ(fit_scale(DisplayMode::scale_to_fit, half, third), third);
  // ShrinkToFit: never above 1.
  EXPECT_EQ(fit_scale(DisplayMode::shrink_to_fit, half, third), third);
  EXPECT_EQ(fit_scale(DisplayMode::shrink_to_fit, two, three), one);
  EXPECT_EQ(fit_scale(DisplayMode::shrink_to_fit, two, half), half);
  EXPECT_EQ(fit_scale(DisplayMode::shrink_to_fit, half, two), half);
  EXPECT_EQ(fit_scale(DisplayMode::shrink_to_fit, one, one), one);
  // EnlargeToFit: both above 1 the smaller; both at most 1 nothing; else the one above.
  EXPECT_EQ(fit_scale(DisplayMode::enlarge_to_fit, two, three), two);
  EXPECT_EQ(fit_scale(DisplayMode::enlarge_to_fit, half, third), one);
  EXPECT_EQ(fit_scale(DisplayMode::enlarge_to_fit, half, two), two);
  EXPECT_EQ(fit_scale(DisplayMode::enlarge_to_fit, two, half), two);
  EXPECT_EQ(fit_scale(DisplayMode::enlarge_to_fit, one, one), one);
}

TEST(Placement, FittingModesScaleAboutTheCentreAndCentre) {
  // 100 x 50 in 300 x 200: ScaleToFit takes 3 (width-bound) and centres vertically.
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=ScaleToFit", 100, 50, kDest)),
            (PixRect{0, 25, 300, 175}));
  // A picture smaller than D stays at its natural size under ShrinkToFit, centred.
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=shrinktofit", 100, 50, kDest)),
            (PixRect{100, 75, 200, 125}));
  // A bigger one shrinks to fit.
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=ShrinkToFit", 600, 100, kDest)),
            (PixRect{0, 75, 300, 125}));
  // EnlargeToFit of a picture narrower (sx 3) but taller (sy 0.5) than D: the table's
  // "otherwise sx" branch enlarges by 3 about the centre.
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=EnlargeToFit", 100, 400, kDest)),
            (PixRect{0, -500, 300, 700}));
  // Both ratios above 1: the smaller.
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=EnlargeToFit", 50, 20, kDest)),
            (PixRect{0, 40, 300, 160}));
  // Fill stretches each direction on its own; FULLSCREEN leaves the matrix alone.
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=Fill", 100, 50, PixRect{10, 20, 110, 220})),
            (PixRect{10, 20, 110, 220}));
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=FULLSCREEN", 100, 50, PixRect{40, 40, 90, 90})),
            (PixRect{0, 0, 100, 50}));
  const DrawJob job = placed("DISPLAYMODE=Fill", 100, 50, PixRect{10, 20, 110, 220});
  EXPECT_EQ(job.clip, (PixRect{10, 20, 110, 220}));
}

TEST(Placement, AnchorsOffsetAndScroll) {
  const PixRect d{10, 20, 310, 220};
  // No DISPLAYMODE and no ANCHOR: centred at natural size; unmatched words alike.
  EXPECT_EQ(placed_bounds(placed("", 100, 50, d)), (PixRect{110, 95, 210, 145}));
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=sideways ANCHOR=middle", 100, 50, d)),
            (PixRect{110, 95, 210, 145}));
  EXPECT_EQ(placed_bounds(placed("ANCHOR=TOPLEFT", 100, 50, d)), (PixRect{10, 20, 110, 70}));
  EXPECT_EQ(placed_bounds(placed("ANCHOR=TOPRIGHT", 100, 50, d)), (PixRect{210, 20, 310, 70}));
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=ANCHORED ANCHOR=bottomleft", 100, 50, d)),
            (PixRect{10, 170, 110, 220}));
  EXPECT_EQ(placed_bounds(placed("ANCHOR=BOTTOMRIGHT", 100, 50, d)), (PixRect{210, 170, 310, 220}));
  EXPECT_EQ(placed_bounds(placed("ANCHOR=CENTER", 101, 51, PixRect{0, 0, 200, 100})).left, 50);
  // OFFSET adds, SCROLL subtracts; both only when anchored.
  EXPECT_EQ(placed_bounds(placed("ANCHOR=TOPLEFT OFFSET=5,7", 100, 50, d)),
            (PixRect{15, 27, 115, 77}));
  EXPECT_EQ(placed_bounds(placed("ANCHOR=TOPLEFT OFFSET=5,7 SCROLL=20,1", 100, 50, d)),
            (PixRect{-5, 26, 95, 76}));
  EXPECT_EQ(placed_bounds(placed("DISPLAYMODE=Fill OFFSET=5,7", 100, 50, d)), d);
  // The extremes of the coordinates are held at the largest one instead of wrapping.
  EXPECT_GE(placed_bounds(placed("ANCHOR=TOPLEFT SCROLL=-32768,-32768", 100, 50, d)).left, 32767);
  EXPECT_GT(placed_bounds(placed("WIDTH=-2147483648 ROTATE=7", 100, 50, d)).width(), 0);
}

TEST(Transform, SizesFlipsAndRotations) {
  // WIDTH=200% doubles the width; a plain number is a size; 0 keeps the natural size.
  EXPECT_EQ(placed_bounds(placed("WIDTH=200% ANCHOR=TOPLEFT", 100, 50, kDest)),
            (PixRect{0, 0, 200, 50}));
  EXPECT_EQ(placed_bounds(placed("WIDTH=0 HEIGHT=25 ANCHOR=TOPLEFT", 100, 50, kDest)),
            (PixRect{0, 0, 100, 25}));
  // ROTATE=-90, 270 and LEFT are one rotation; RIGHT is 90; 450 is 90.
  const Matrix left = placed("ROTATE=LEFT", 100, 50, kDest).matrix;
  EXPECT_EQ(placed("ROTATE=-90", 100, 50, kDest).matrix, left);
  EXPECT_EQ(placed("ROTATE=270", 100, 50, kDest).matrix, left);
  EXPECT_EQ(placed("ROTATE=450", 100, 50, kDest).matrix,
            placed("ROTATE=right", 100, 50, kDest).matrix);
  EXPECT_NE(placed("ROTATE=RIGHT", 100, 50, kDest).matrix, left);
  EXPECT_EQ(placed_bounds(placed("ROTATE=LEFT", 100, 50, kDest)), (PixRect{125, 50, 175, 150}));
  // A left turn takes the picture's top-left corner to the bottom-left.
  const DrawJob turned = placed("ROTATE=LEFT ANCHOR=TOPLEFT", 100, 50, kDest);
  const FixedPoint corner = transform(turned.matrix, {0, 0});
  EXPECT_EQ(fixed_round(corner.x), 0);
  EXPECT_EQ(fixed_round(corner.y), 100);
  // FLIP=HORIZONTAL mirrors within the scaled width; BOTH mirrors both ways.
  const DrawJob flipped = placed("FLIP=HORIZONTAL WIDTH=200 ANCHOR=TOPLEFT", 100, 50, kDest);
  EXPECT_EQ(fixed_round(transform(flipped.matrix, {0, 0}).x), 200);
  EXPECT_EQ(placed_bounds(flipped), (PixRect{0, 0, 200, 50}));
  const DrawJob both = placed("FLIP=BOTH ANCHOR=TOPLEFT", 100, 50, kDest);
  const FixedPoint p = transform(both.matrix, {to_fixed(10), to_fixed(5)});
  EXPECT_EQ(fixed_round(p.x), 90);
  EXPECT_EQ(fixed_round(p.y), 45);
}

TEST(Transform, TrimQualityAndMode) {
  const DrawJob trimmed = placed("TRIMRECT=20,10,200,30 ANCHOR=TOPLEFT", 100, 50, kDest);
  EXPECT_EQ(trimmed.source, (PixRect{20, 10, 100, 30}));
  EXPECT_EQ(placed_bounds(trimmed), (PixRect{0, 0, 80, 20}));
  for (const char* miss : {"TRIMRECT=200,0,300,10", "TRIMRECT=5,5,1,1", "TRIMRECT=abc"}) {
    Parsed p(miss);
    DrawJob job;
    EXPECT_EQ(apply_transform(p.store, 100, 50, job), kParamErr) << miss;
  }
  EXPECT_EQ(placed("QUALITY=max", 10, 10, kDest).quality_level, 1023);
  EXPECT_EQ(placed("QUALITY=LOW", 10, 10, kDest).quality_level, 256);
  EXPECT_EQ(placed("", 10, 10, kDest).quality_level, 512);
  const DrawJob blend = placed("GRAPHICSMODE=BLEND OPCOLOR=255,0,16", 10, 10, kDest);
  EXPECT_EQ(blend.mode, 32);
  EXPECT_EQ(blend.op_color, 0x00FF0010u);
  EXPECT_EQ(placed("", 10, 10, kDest).op_color, 0x00808080u);
  EXPECT_EQ(placed("GRAPHICSMODE=addMax", 10, 10, kDest).mode, 37);
  EXPECT_EQ(placed("GRAPHICSMODE=PreMulColorAlpha", 10, 10, kDest).mode, 261);
  EXPECT_EQ(placed("GRAPHICSMODE=nonsense", 10, 10, kDest).mode, 0);
}

// A centring offset between pixels is rounded to a whole pixel, in every mode that
// centres, so that a picture at natural size is copied pixel for pixel.
TEST(Placement, PicturesLandOnWholePixels) {
  struct Case {
    std::string text;
    std::int32_t w, h;
    PixRect dest;
  };
  const Case cases[] = {
      {"", 101, 101, PixRect{0, 0, 200, 200}},
      {"DISPLAYMODE=ScaleToFit", 640, 427, PixRect{0, 0, 640, 480}},
      {"DISPLAYMODE=ShrinkToFit", 33, 17, PixRect{3, 4, 100, 91}},
      {"DISPLAYMODE=ScaleToFit", 3000, 2001, PixRect{0, 0, 800, 600}},
      {"ROTATE=90", 100, 51, PixRect{0, 0, 300, 200}},
      {"FLIP=BOTH ANCHOR=CENTER OFFSET=3,1", 7, 9, PixRect{0, 0, 20, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const DrawJob job = placed(c.text, c.w, c.h, c.dest);
    // Every corner of the mapped picture's box lies on a whole pixel when the scale is 1.
    const double a = job.matrix.a / 65536.0, b = job.matrix.b / 65536.0;
    const double cc = job.matrix.c / 65536.0, d = job.matrix.d / 65536.0;
    double minx = 1e9, miny = 1e9;
    for (double x : {0.0, double(c.w)})
      for (double y : {0.0, double(c.h)}) {
        minx = std::min(minx, a * x + cc * y + job.matrix.tx / 65536.0);
        miny = std::min(miny, b * x + d * y + job.matrix.ty / 65536.0);
      }
    EXPECT_NEAR(minx, std::round(minx), 1e-6);
    EXPECT_NEAR(miny, std::round(miny), 1e-6);
  }
  // 640 x 427 in 640 x 480: 26.5 rows of margin become 27 above, 26 below.
  const DrawJob photo = placed("", 640, 427, PixRect{0, 0, 640, 480});
  EXPECT_EQ(photo.matrix.ty, 27 * kFixedOne);
  EXPECT_EQ(photo.matrix.a, kFixedOne);
  EXPECT_EQ(placed_bounds(photo), (PixRect{0, 27, 640, 454}));
}

// A checkerboard of odd size drawn at natural size and centred stays a checkerboard at
// every quality: no pixel is resampled.
TEST(Placement, NaturalSizeIsCopiedPixelForPixel) {
  Pixmap board;
  ASSERT_EQ(board.create(PixRect{0, 0, 101, 101}), kNoErr);
  for (std::int32_t y = 0; y < 101; ++y)
    for (std::int32_t x = 0; x < 101; ++x) board.row(y)[x] = (x + y) % 2 ? kBlack : kWhite;
  for (const char* quality : {"QUALITY=MIN", "QUALITY=NORMAL", "QUALITY=MAX"}) {
    SCOPED_TRACE(quality);
    const DrawJob job = placed(quality, 101, 101, PixRect{0, 0, 200, 200});
    Pixmap target;
    ASSERT_EQ(target.create(PixRect{0, 0, 200, 200}, 0xFF123456), kNoErr);
    RenderJob r;
    r.source = board.bounds();
    r.matrix = job.matrix;
    r.clip = job.clip;
    r.quality = quality_from_level(job.quality_level);
    const PixRect touched = render(board, r, RenderTarget::of(target));
    ASSERT_EQ(touched.width(), 101);
    ASSERT_EQ(touched.height(), 101);
    for (std::int32_t y = 0; y < 101; ++y)
      for (std::int32_t x = 0; x < 101; ++x)
        ASSERT_EQ(target.at(touched.left + x, touched.top + y), board.row(y)[x]) << x << "," << y;
    EXPECT_EQ(target.at(touched.left - 1, touched.top), 0xFF123456u);
  }
}

}  // namespace
}  // namespace velmora::image
