// The renderer over small pixmaps: placement, clipping, sampling qualities, and each
// transfer mode's arithmetic.
#include "image/render.hpp"

#include <gtest/gtest.h>

#include "image/transfer_modes.hpp"

namespace velmora::image {
namespace {

constexpr Pixel kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

Pixmap world(const PixRect& r, Pixel fill) {
  Pixmap p;
  EXPECT_EQ(p.create(r, fill), kNoErr);
  return p;
}

// A 2 x 2 picture: red green / blue black.
Pixmap quad() {
  Pixmap p = world({0, 0, 2, 2}, kBlack);
  p.set(0, 0, kRed);
  p.set(1, 0, kGreen);
  p.set(0, 1, kBlue);
  return p;
}

RenderJob job_for(const Pixmap& pic, const Matrix& m, const PixRect& clip,
                  Quality q = Quality::nearest) {
  RenderJob j;
  j.source = pic.bounds();
  j.matrix = m;
  j.clip = clip;
  j.quality = q;
  return j;
}

TEST(Render, PlacesClipsAndReportsWhatItTouched) {
  const Pixmap pic = quad();
  Pixmap dst = world({0, 0, 6, 6}, kWhite);
  const RenderTarget t = RenderTarget::of(dst);
  // Doubled and moved by (1, 1): each source pixel becomes a 2 x 2 block.
  const Matrix m =
      translate(scale(identity(), to_fixed(2), to_fixed(2), 0, 0), to_fixed(1), to_fixed(1));
  EXPECT_EQ(render(pic, job_for(pic, m, dst.bounds()), t), (PixRect{1, 1, 5, 5}));
  EXPECT_EQ(dst.at(0, 0), kWhite);
  EXPECT_EQ(dst.at(1, 1), kRed);
  EXPECT_EQ(dst.at(2, 2), kRed);
  EXPECT_EQ(dst.at(3, 1), kGreen);
  EXPECT_EQ(dst.at(4, 2), kGreen);
  EXPECT_EQ(dst.at(1, 3), kBlue);
  EXPECT_EQ(dst.at(4, 4), kBlack);
  EXPECT_EQ(dst.at(5, 5), kWhite);

  // The clip keeps everything outside it.
  Pixmap clipped = world({0, 0, 6, 6}, kWhite);
  EXPECT_EQ(render(pic, job_for(pic, m, {2, 2, 4, 3}), RenderTarget::of(clipped)),
            (PixRect{2, 2, 4, 3}));
  int changed = 0;
  for (Pixel p : clipped.pixels()) changed += p != kWhite;
  EXPECT_EQ(changed, 2);

  // A target whose coordinates do not start at 0 (a window seen through its origin).
  Pixmap moved = world({100, 50, 104, 54}, kWhite);
  const Matrix there = translate(identity(), to_fixed(101), to_fixed(51));
  render(pic, job_for(pic, there, {0, 0, 1000, 1000}), RenderTarget::of(moved));
  EXPECT_EQ(moved.at(101, 51), kRed);
  EXPECT_EQ(moved.at(102, 52), kBlack);
  EXPECT_EQ(moved.at(100, 50), kWhite);
}

TEST(Render, SourcePartsRotationsAndDegenerateMatrices) {
  const Pixmap pic = quad();
  // Only the right column, drawn at (0, 0).
  Pixmap dst = world({0, 0, 2, 2}, kWhite);
  RenderJob j = job_for(pic, translate(identity(), to_fixed(-1), 0), dst.bounds());
  j.source = {1, 0, 2, 2};
  render(pic, j, RenderTarget::of(dst));
  EXPECT_EQ(dst.at(0, 0), kGreen);
  EXPECT_EQ(dst.at(0, 1), kBlack);
  EXPECT_EQ(dst.at(1, 0), kWhite);

  // A quarter turn to the right about the picture's centre: red goes top-right.
  Pixmap turned = world({0, 0, 2, 2}, kWhite);
  const Matrix r = rotate(identity(), 90, to_fixed(1), to_fixed(1));
  render(pic, job_for(pic, r, turned.bounds()), RenderTarget::of(turned));
  EXPECT_EQ(turned.at(1, 0), kRed);
  EXPECT_EQ(turned.at(1, 1), kGreen);
  EXPECT_EQ(turned.at(0, 0), kBlue);

  // A matrix that collapses the plane draws nothing; so does a huge one far away, and
  // a huge enlargement covers the clip without reading outside the picture.
  Pixmap none = world({0, 0, 4, 4}, kWhite);
  Matrix flat = identity();
  flat.d = 0;
  EXPECT_TRUE(render(pic, job_for(pic, flat, none.bounds()), RenderTarget::of(none)).empty());
  const Matrix far = translate(identity(), to_fixed(30000), to_fixed(-30000));
  EXPECT_TRUE(render(pic, job_for(pic, far, none.bounds()), RenderTarget::of(none)).empty());
  const Matrix huge = scale(identity(), 0x7FFFFFFF, 0x7FFFFFFF, 0, 0);
  EXPECT_EQ(render(pic, job_for(pic, huge, none.bounds()), RenderTarget::of(none)), none.bounds());
  EXPECT_EQ(none.at(3, 3), kRed);
  const Matrix tiny = scale(identity(), 1, 1, 0, 0);
  Pixmap speck = world({0, 0, 4, 4}, kWhite);
  EXPECT_LE(render(pic, job_for(pic, tiny, speck.bounds(), Quality::area), RenderTarget::of(speck))
                .width(),
            1);
}

TEST(Render, QualitiesSampleDifferently) {
  // Black and white columns, four wide, drawn at a quarter: area-averaging gives grey,
  // nearest picks one column.
  Pixmap stripes = world({0, 0, 8, 4}, kWhite);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; x += 2) stripes.set(x, y, kBlack);
  }
  const Matrix quarter = scale(identity(), kFixedOne / 4, kFixedOne / 4, 0, 0);
  Pixmap a = world({0, 0, 2, 1}, kRed), n = world({0, 0, 2, 1}, kRed);
  render(stripes, job_for(stripes, quarter, a.bounds(), Quality::area), RenderTarget::of(a));
  render(stripes, job_for(stripes, quarter, n.bounds(), Quality::nearest), RenderTarget::of(n));
  EXPECT_NEAR(red(a.at(0, 0)), 128, 2);
  EXPECT_NEAR(green(a.at(1, 0)), 128, 2);
  EXPECT_TRUE(red(n.at(0, 0)) == 0 || red(n.at(0, 0)) == 255);

  // Turned a quarter, the average comes from a sample grid instead: grey as well.
  Pixmap turned = world({1, 0, 2, 2}, kRed);
  render(stripes,
         job_for(stripes, rotate(quarter, 90, to_fixed(1), to_fixed(1)), turned.bounds(),
                 Quality::area),
         RenderTarget::of(turned));
  EXPECT_NEAR(blue(turned.at(1, 0)), 128, 2);
  EXPECT_NEAR(blue(turned.at(1, 1)), 128, 2);

  // Bilinear between a black and a white pixel drawn four times as wide rises smoothly.
  Pixmap two = world({0, 0, 2, 1}, kBlack);
  two.set(1, 0, kWhite);
  const Matrix x4 = scale(identity(), to_fixed(4), kFixedOne, 0, 0);
  Pixmap b = world({0, 0, 8, 1}, kRed);
  render(two, job_for(two, x4, b.bounds(), Quality::bilinear), RenderTarget::of(b));
  EXPECT_EQ(red(b.at(0, 0)), 0);
  EXPECT_EQ(red(b.at(7, 0)), 255);
  for (int x = 1; x < 8; ++x) EXPECT_GE(red(b.at(x, 0)), red(b.at(x - 1, 0)));
  EXPECT_GT(red(b.at(3, 0)), 0);
  EXPECT_LT(red(b.at(4, 0)), 255);

  EXPECT_EQ(quality_from_level(0), Quality::nearest);
  EXPECT_EQ(quality_from_level(256), Quality::nearest);
  EXPECT_EQ(quality_from_level(512), Quality::bilinear);
  EXPECT_EQ(quality_from_level(1024), Quality::area);
}

TEST(TransferModes, BooleanModesTreatBlackAsInk) {
  const Pixel c = 0x00336699, white = 0x00FFFFFF, black = 0x00000000;
  auto m = [](int mode, Pixel s, Pixel d) { return blend_pixel(mode, s, d, 0x808080) & 0xFFFFFF; };
  EXPECT_EQ(m(0, c, white), c);
  EXPECT_EQ(m(1, black, c), black);        // srcOr: ink shows
  EXPECT_EQ(m(1, white, c), c);            // paper leaves the destination
  EXPECT_EQ(m(2, black, c), 0x00CC9966u);  // srcXor: ink inverts
  EXPECT_EQ(m(2, white, c), c);
  EXPECT_EQ(m(3, black, c), white);  // srcBic: ink erases
  EXPECT_EQ(m(3, white, c), c);
  EXPECT_EQ(m(4, c, white), 0x00CC9966u);  // the NOT forms use the inverted source
  EXPECT_EQ(m(5, white, c), black);
  EXPECT_EQ(m(5, black, c), c);
  EXPECT_EQ(m(6, white, c), 0x00CC9966u);
  EXPECT_EQ(m(7, white, c), white);
  EXPECT_EQ(m(7, black, c), c);
  EXPECT_EQ(m(64, c, white), c);  // ditherCopy copies
  // Every mode keeps the destination's alpha byte.
  for (int mode : kGraphicsModeNumbers) {
    EXPECT_EQ(blend_pixel(mode, 0xFF123456, 0x00ABCDEF, 0x808080) >> 24, 0u) << mode;
    EXPECT_EQ(blend_pixel(mode, 0x00123456, 0xFFABCDEF, 0x808080) >> 24, 0xFFu) << mode;
  }
}

TEST(TransferModes, ArithmeticAndColourModes) {
  auto m = [](int mode, Pixel s, Pixel d, Pixel op) {
    return blend_pixel(mode, s, d, op) & 0xFFFFFF;
  };
  EXPECT_EQ(m(32, 0x00FF0000, 0x000000FF, 0x808080), 0x0080007Fu);  // blend by the operand
  EXPECT_EQ(m(32, 0x00FF0000, 0x000000FF, 0xFF0000), 0x00FF00FFu);  // per channel
  EXPECT_EQ(m(33, 0x00A0A0A0, 0x00A0A0A0, 0x808080), 0x00808080u);  // addPin: pinned
  EXPECT_EQ(m(33, 0x00101010, 0x00202020, 0xFFFFFF), 0x00303030u);
  EXPECT_EQ(m(34, 0x00A0A0A0, 0x00A0A0A0, 0), 0x00404040u);         // addOver wraps
  EXPECT_EQ(m(35, 0x00A0A0A0, 0x00202020, 0x101010), 0x00101010u);  // subPin: pinned
  EXPECT_EQ(m(35, 0x00101010, 0x00A0A0A0, 0x101010), 0x00909090u);
  EXPECT_EQ(m(38, 0x00A0A0A0, 0x00202020, 0), 0x00808080u);  // subOver wraps
  EXPECT_EQ(m(37, 0x00F00010, 0x0010F010, 0), 0x00F0F010u);  // adMax
  EXPECT_EQ(m(39, 0x00F00010, 0x0010F010, 0), 0x00100010u);  // adMin
  // transparent: the operand colour is left out.
  EXPECT_EQ(m(36, 0x00808080, 0x00123456, 0x808080), 0x00123456u);
  EXPECT_EQ(m(36, 0x00808081, 0x00123456, 0x808080), 0x00808081u);
  // hilite trades the background and the highlight colour under ink only.
  EXPECT_EQ(m(50, 0, 0x00FFFFFF, 0x00FFFF00), 0x00FFFF00u);
  EXPECT_EQ(m(50, 0, 0x00FFFF00, 0x00FFFF00), 0x00FFFFFFu);
  EXPECT_EQ(m(50, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFF00), 0x00FFFFFFu);
  // grayishTextOr: ink drawn halfway to white.
  EXPECT_EQ(m(49, 0, 0x00FFFFFF, 0), 0x007F7F7Fu);
}

TEST(TransferModes, AlphaModesUseThePicturesAlpha) {
  auto m = [](int mode, Pixel s, Pixel d, Pixel op) {
    return blend_pixel(mode, s, d, op) & 0xFFFFFF;
  };
  const Pixel dst = 0x00204060;
  EXPECT_EQ(m(256, 0x00FF0000, dst, 0), dst);          // transparent source
  EXPECT_EQ(m(256, 0xFFFF0000, dst, 0), 0x00FF0000u);  // opaque source
  EXPECT_EQ(m(256, 0x80FF0000, 0x00000000, 0), 0x00800000u);
  EXPECT_EQ(m(259, 0x80FF0000, 0x00000000, 0), 0x00800000u);  // composition: straight
  // Premultiplied on black: colour plus what the alpha leaves of the destination.
  EXPECT_EQ(m(258, 0x80400000, 0x00FFFFFF, 0), 0x00BF7F7Fu);
  // Premultiplied on white: a fully transparent white source leaves the destination.
  EXPECT_EQ(m(257, 0x00FFFFFF, dst, 0), dst);
  EXPECT_EQ(m(261, 0x00FF0000, dst, 0xFF0000), dst);  // on the operand colour
  // Straight alpha weighted by the operand: a zero channel keeps the destination's.
  EXPECT_EQ(m(260, 0xFFFFFFFF, 0x00000000, 0x00FF00), 0x0000FF00u);
  EXPECT_EQ(graphics_mode_number(0), 0);
  EXPECT_EQ(graphics_mode_number(28), 0);
  EXPECT_EQ(graphics_mode_number(17), 256);
}

// A picture with transparency is laid over the target: what alpha 0 hides never shows,
// not even through the sampling of its neighbours, and half alpha mixes.
TEST(Render, TransparentPicturesLieOverTheTarget) {
  // Opaque blue, hidden red (alpha 0), half-transparent white.
  Pixmap pic = world({0, 0, 3, 1}, kBlue);
  pic.set(1, 0, 0x00FF0000);
  pic.set(2, 0, 0x80FFFFFF);
  ASSERT_TRUE(has_transparency(pic));
  EXPECT_FALSE(has_transparency(quad()));
  premultiply(pic);
  for (const Quality q : {Quality::nearest, Quality::bilinear, Quality::area}) {
    SCOPED_TRACE(static_cast<int>(q));
    Pixmap target = world({0, 0, 12, 4}, 0x00008000);  // a window's pixel: alpha unused
    RenderJob j =
        job_for(pic, scale(identity(), 4 * kFixedOne, 4 * kFixedOne, 0, 0), target.bounds(), q);
    j.premultiplied = true;
    render(pic, j, RenderTarget::of(target));
    for (std::int32_t x = 0; x < 12; ++x) {
      const Pixel p = target.at(x, 2);
      // No red from the hidden pixel (beyond x 6 the white one is sampled too).
      if (x < 6) {
        EXPECT_EQ(red(p), 0) << x;
      }
      EXPECT_EQ(alpha(p), 0) << "the window's alpha byte is left alone";
    }
    // The target shows through (sampled exactly by the nearest pixel, mixed with a little
    // of the blue neighbour otherwise).
    if (q == Quality::nearest) {
      EXPECT_EQ(target.at(5, 2) & 0xFFFFFF, 0x008000u);
    } else {
      EXPECT_GT(green(target.at(5, 2)), 0x60);
      EXPECT_LT(blue(target.at(5, 2)), 0x30);
    }
    const Pixel half = target.at(11, 2);
    EXPECT_NEAR(red(half), 128, 2);
    EXPECT_NEAR(green(half), 192, 2);
  }

  // Into a world that keeps transparency: alpha adds up, colours stay straight.
  Pixmap clear = world({0, 0, 3, 1}, 0x00FFFFFF);
  RenderJob j = job_for(pic, identity(), clear.bounds());
  j.premultiplied = true;
  j.target_alpha = true;
  render(pic, j, RenderTarget::of(clear));
  EXPECT_EQ(clear.at(0, 0), kBlue);
  EXPECT_EQ(alpha(clear.at(1, 0)), 0);
  EXPECT_EQ(alpha(clear.at(2, 0)), 0x80);
  EXPECT_EQ(clear.at(2, 0) & 0xFFFFFF, 0xFFFFFFu);
  // An opaque picture there becomes opaque, in copy and in the other modes.
  Pixmap opaque_world = world({0, 0, 2, 2}, 0x00FFFFFF);
  RenderJob k = job_for(quad(), identity(), opaque_world.bounds());
  k.target_alpha = true;
  k.mode = 32;  // blend
  k.op_color = 0xFFFFFF;
  render(quad(), k, RenderTarget::of(opaque_world));
  EXPECT_EQ(opaque_world.at(0, 0), kRed);
  flatten_onto_white(clear);
  EXPECT_EQ(clear.at(1, 0), kWhite);
  EXPECT_EQ(clear.at(0, 0), kBlue);
}

}  // namespace
}  // namespace velmora::image
