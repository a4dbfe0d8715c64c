// Drawing through fmhost into its off-screen document window, saved as PNG and read
// back: records, erasing, offscreen composition, display modes on a JPEG, CheckArea
// before and after, GetMousePos with a told pointer, and the zoom effect.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;  // 0xRRGGBB
  std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

bool read_png(const std::string& path, Picture& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return false;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(static_cast<std::size_t>(out.width) * out.height);
  for (std::size_t i = 0; i < out.rgb.size(); ++i) {
    out.rgb[i] = (std::uint32_t{bytes[3 * i]} << 16) | (std::uint32_t{bytes[3 * i + 1]} << 8) |
                 bytes[3 * i + 2];
  }
  return true;
}

// A PPM of w x h: left half red, right half blue; with a top band of green `band` high.
std::string ppm(int w, int h, int band = 0) {
  std::string out = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (y < band) {
        out += std::string("\x00\xFF\x00", 3);
      } else if (x < w / 2) {
        out += std::string("\xFF\x00\x00", 3);
      } else {
        out += std::string("\x00\x00\xFF", 3);
      }
    }
  }
  return out;
}

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

bool near(std::uint32_t a, std::uint32_t b, int tolerance = 40) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

class DrawImage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = stdfs::temp_directory_path() / ("velmora-draw-e2e-" + std::to_string(::getpid()));
    stdfs::create_directories(dir_);
    // JPEG through cjpeg: the big one goes the reduced-decoding way when fitted.
    small_ = make_jpeg("small.jpg", ppm(40, 20));
    big_ = make_jpeg("big.jpg", ppm(1600, 1200, 300));
  }
  void TearDown() override { stdfs::remove_all(dir_); }

  std::string make_jpeg(const std::string& name, const std::string& pixels) {
    const std::string in = (dir_ / (name + ".ppm")).string();
    const std::string out = (dir_ / name).string();
    std::ofstream(in, std::ios::binary) << pixels;
    const std::string command = "cjpeg -quality 95 '" + in + "' > '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return out;
  }

  // Runs fmhost headless with a window of w x h, saves it and reads it back.
  RunResult draw(std::vector<std::string> calls, Picture& window, int w = 200, int h = 100,
                 std::vector<std::string> extra = {}) {
    const std::string png = (dir_ / "window.png").string();
    std::vector<std::string> args = {"--window-size", std::to_string(w) + "x" + std::to_string(h),
                                     "--save-window", png};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), calls.begin(), calls.end());
    RunResult r = run_fmhost(args, {{"DISPLAY", ""}});
    EXPECT_TRUE(read_png(png, window)) << r.err;
    return r;
  }

  stdfs::path dir_;
  std::string small_, big_;
};

TEST_F(DrawImage, TwoRecordsOneCallSecondEraseIgnored) {
  Picture w;
  const RunResult r =
      draw({"VeImg_DrawImage", "SRC=" + small_ + " RECT=0,0,200,100 ERASE=0,0,0 | SRC=" + small_ +
                                   " ANCHOR=TOPLEFT ERASE=255,255,0"},
           w);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), std::vector<std::string>{""});
  ASSERT_EQ(w.width, 200);
  EXPECT_EQ(w.at(199, 99), 0u);           // erased black by the first record only
  EXPECT_TRUE(near(w.at(85, 50), kRed));  // first picture centred
  EXPECT_TRUE(near(w.at(115, 50), kBlue));
  EXPECT_TRUE(near(w.at(5, 10), kRed));  // second at the top-left corner
  EXPECT_TRUE(near(w.at(35, 10), kBlue));
  EXPECT_EQ(w.at(100, 5), 0u);  // never yellow
}

TEST_F(DrawImage, SavedTargaSgiPhotoshopAndImageFilesDrawAsTheirSource) {
  // Each format SaveImage writes by hand is lossless at 24 bits: drawn back, it must
  // give the window the PNG saved from the same picture gives it, pixel for pixel.
  Picture reference;
  for (const std::string ext : {"png", "tga", "sgi", "psd", "qtif"}) {
    SCOPED_TRACE(ext);
    const std::string file = (dir_ / ("saved." + ext)).string();
    const RunResult saved =
        run_fmhost({"VeImg_SaveImage", "SRC=" + small_ + " DEST='" + file + "' EXTENSION=" + ext},
                   {{"DISPLAY", ""}});
    ASSERT_EQ(lines(saved.out), std::vector<std::string>{"saved." + ext}) << saved.err;
    Picture w;
    const RunResult r = draw(
        {"VeImg_DrawImage", "SRC='" + file + "' RECT=0,0,200,100 ANCHOR=TOPLEFT ERASE=0,0,0"}, w);
    ASSERT_EQ(lines(r.out), std::vector<std::string>{""}) << r.err;
    EXPECT_TRUE(near(w.at(5, 5), kRed));
    EXPECT_TRUE(near(w.at(35, 15), kBlue));
    if (ext == "png") {
      reference = w;
    } else {
      EXPECT_EQ(w.rgb, reference.rgb);
    }
  }
}

TEST_F(DrawImage, OffscreenAndFittingABigJpeg) {
  Picture w;
  // 1600 x 1200 into 200 x 100: ScaleToFit takes 1/12 (height-bound), 133 wide, centred;
  // its green band (a quarter of the height) is the top 25 rows.
  RunResult r =
      draw({"VeImg_DrawImage",
            "OFFSCREEN SRC=" + big_ + " RECT=0,0,200,100 DISPLAYMODE=ScaleToFit QUALITY=HIGH"},
           w);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(w.at(10, 50), kWhite);
  EXPECT_EQ(w.at(190, 50), kWhite);
  EXPECT_TRUE(near(w.at(100, 10), 0x00FF00));
  EXPECT_TRUE(near(w.at(60, 70), kRed));
  EXPECT_TRUE(near(w.at(140, 70), kBlue));
  // Fill stretches it over the whole window.
  r = draw({"VeImg_DrawImage", "SRC=" + big_ + " RECT=0,0,200,100 DISPLAYMODE=Fill"}, w);
  EXPECT_TRUE(near(w.at(2, 97), kRed));
  EXPECT_TRUE(near(w.at(197, 97), kBlue));
  EXPECT_TRUE(near(w.at(100, 2), 0x00FF00));
}

TEST_F(DrawImage, CheckAreaStableThenChanged) {
  Picture w;
  const std::string area = "RECT=0,0,40,20";
  const RunResult r = draw({"VeImg_CheckArea", area, "VeImg_CheckArea", area, "VeImg_DrawImage",
                            "SRC=" + small_ + " RECT=0,0,40,20 QUALITY=MIN", "VeImg_CheckArea",
                            area, "VeImg_CheckArea", "RECT=195,0,205,1"},
                           w);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], std::to_string(static_cast<std::int32_t>(800u * 0xFFFFFFu)));
  EXPECT_EQ(out[1], out[0]);
  EXPECT_NE(out[3], out[0]);
  // Recomputed from the saved pixels as colour references (0x00BBGGRR).
  std::uint32_t sum = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      const std::uint32_t p = w.at(x, y);
      sum += ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
    }
  }
  EXPECT_EQ(out[3], std::to_string(static_cast<std::int32_t>(sum)));
  // Five white pixels inside, five outside the window (0xFFFFFFFF each).
  EXPECT_EQ(out[4], std::to_string(static_cast<std::int32_t>(5u * 0xFFFFFFu + 5u * 0xFFFFFFFFu)));
}

TEST_F(DrawImage, MousePositionFromThePointerOption) {
  Picture w;
  RunResult r = draw({"VeImg_GetMousePos", "RECT=10,10,20,20", "VeImg_GetMousePos",
                      "RECT=0,0,101,101 ANCHOR=CENTER", "VeImg_GetMousePos", "RECT=10,10,20,20"},
                     w, 200, 100, {"--pointer", "10,10"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"0,0", "-40,-40", "0,0"}));
  // Headless without the option the host cannot tell.
  r = draw({"VeImg_GetMousePos", ""}, w);
  EXPECT_EQ(r.out.substr(0, 8), "ERROR=-7");
  EXPECT_EQ(run_fmhost({"--pointer", "1", "--list"}).status, 2);
}

TEST_F(DrawImage, ZoomEffectLeavesTheWindowUnchanged) {
  Picture w;
  const std::string area = "RECT=0,0,200,100";
  const RunResult r = draw(
      {"VeImg_DrawImage", "SRC=" + small_ + " RECT=0,0,200,100 DISPLAYMODE=Fill", "VeImg_CheckArea",
       area, "VeImg_Effect", "KIND=ZOOM SRCRECT=90,40,110,60 RECT=0,0,200,100 STEP=1",
       "VeImg_Effect", "KIND=zoom SRCRECT=0,0,10,10 RECT=0,0,200,100 accelerate", "VeImg_CheckArea",
       area, "VeImg_Effect", "KIND=FADEIN", "VeImg_Effect", "KIND=ZOOM RECT=0,0,10,10"},
      w);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 7u);
  EXPECT_EQ(out[4], out[1]);  // every frame drawn twice: nothing left behind
  EXPECT_EQ(out[5], "");
  EXPECT_EQ(out[6].substr(0, 9), "ERROR=-50");
}

}  // namespace
