// The per-picture transform and its placement in the destination: sizes, flips,
// rotations, every display mode's fit rule, anchors, offset and scroll.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace velmora::image
