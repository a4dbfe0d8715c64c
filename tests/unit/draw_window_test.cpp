// Drawing into a document window held here: destination rules, erasing, offscreen
// composition, the window's origin and visible region, CheckArea's sum, GetMousePos and
// the zoom effect, and the answers without a window.
#include <fmx/FMHostServices.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/handlers.hpp"
#include "image/effect.hpp"
#include "image/picture_source.hpp"
#include "run_handlers.hpp"
#include "stripes_tiff.hpp"

namespace {

using velmora::testing::run;

constexpr std::uint32_t kPaper = 0x00FFFFFF;
constexpr int kDrawImage = 0, kCheckArea = 8, kGetMousePos = 9, kEffect = 10;

struct Window {
  int width = 200, height = 100;
  int origin_h = 0, origin_v = 0;
  std::vector<FMX_WindowRect> visible{{0, 0, 200, 100}};
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(200 * 100, kPaper);
  bool has_pointer = true;
  int pointer_h = 0, pointer_v = 0;
  int invalidations = 0;
  int validations = 0;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Window* self(void* c) {
  return static_cast<Window*>(c);
}

FMX_DocumentWindow make_table(Window& w, bool with_pointer = true) {
  FMX_DocumentWindow t{};
  t.structSize = with_pointer ? sizeof t : FMX_DOCUMENT_WINDOW_BASE_SIZE;
  t.context = &w;
  t.clientRect = [](void* c, FMX_WindowRect* r) { *r = {0, 0, self(c)->width, self(c)->height}; };
  t.origin = [](void* c, int32_t* h, int32_t* v) {
    *h = self(c)->origin_h;
    *v = self(c)->origin_v;
  };
  t.visibleRegion = [](void* c, FMX_WindowRect* r, uint32_t max) -> uint32_t {
    const auto& v = self(c)->visible;
    for (std::size_t i = 0; i < v.size() && i < max; ++i) r[i] = v[i];
    return static_cast<uint32_t>(v.size());
  };
  t.pixels = [](void* c, int32_t* row) {
    *row = self(c)->width;
    return self(c)->pixels.data();
  };
  t.invalidate = [](void* c, const FMX_WindowRect*) { ++self(c)->invalidations; };
  t.validate = [](void* c, const FMX_WindowRect* r) {
    if (r == nullptr) ++self(c)->validations;
  };
  t.invalidRect = [](void*, FMX_WindowRect*) -> int32_t { return 0; };
  t.resize = [](void*, int32_t, int32_t) -> int32_t { return -1; };
  t.nativeWindow = [](void*) -> void* { return nullptr; };
  t.pumpEvents = [](void*) {};
  if (with_pointer) {
    t.pointerPosition = [](void* c, int32_t* h, int32_t* v) -> int32_t {
      if (!self(c)->has_pointer) return -1;
      *h = self(c)->pointer_h;
      *v = self(c)->pointer_v;
      return 0;
    };
  }
  return t;
}

// A 24-bit BMP of w x h whose left half is red and right half blue.
std::string write_picture(const std::string& name, int w, int h) {
  const std::string path = "/tmp/velmora-draw-" + std::to_string(::getpid()) + "-" + name;
  const int row = (w * 3 + 3) & ~3;
  std::vector<unsigned char> b(54 + static_cast<std::size_t>(row) * h, 0);
  auto le32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  le32(2, static_cast<std::uint32_t>(b.size()));
  le32(10, 54);
  le32(14, 40);
  le32(18, static_cast<std::uint32_t>(w));
  le32(22, static_cast<std::uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      unsigned char* p = &b[54 + static_cast<std::size_t>(y) * row + x * 3];
      if (x < w / 2) {
        p[2] = 0xFF;  // red (stored B, G, R)
      } else {
        p[0] = 0xFF;
      }
    }
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  return path;
}

constexpr std::uint32_t kRed = 0x00FF0000, kBlue = 0x000000FF;

class DrawWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = make_table(window_);
    FMW_Host_SetDocumentWindow(&table_);
    picture_ = write_picture("rb.bmp", 40, 20);
  }
  void TearDown() override {
    FMW_Host_SetDocumentWindow(nullptr);
    std::remove(picture_.c_str());
  }
  std::string draw(const std::string& rest) {
    return run(kDrawImage, "PATH=" + picture_ + " " + rest);
  }
  Window window_;
  FMX_DocumentWindow table_{};
  std::string picture_;
};

TEST_F(DrawWindow, RecordsDrawErasesOnlyFirstAndTheEndValidates) {
  // Two records: the second one's ERASE is ignored, its picture drawn top-left.
  EXPECT_EQ(draw("RECT=0,0,200,100 ERASE=0,255,0 | PATH=" + picture_ +
                 " RECT=0,0,200,100 ANCHOR=TOPLEFT ERASE=0,0,0"),
            "<none>");
  EXPECT_EQ(window_.at(100, 5), 0x0000FF00u);  // erased green
  EXPECT_EQ(window_.at(85, 45), kRed);         // first picture centred at (80..120, 40..60)
  EXPECT_EQ(window_.at(115, 45), kBlue);
  EXPECT_EQ(window_.at(5, 5), kRed);  // second at the top-left
  EXPECT_EQ(window_.at(35, 5), kBlue);
  EXPECT_EQ(window_.at(199, 99), 0x0000FF00u);  // never black
  EXPECT_GT(window_.invalidations, 0);
  EXPECT_EQ(window_.validations, 1);
  // ERASE=TRUE is the white background.
  EXPECT_EQ(draw("RECT=0,0,200,100 ERASE=TRUE ANCHOR=BOTTOMRIGHT"), "<none>");
  EXPECT_EQ(window_.at(100, 5), kPaper);
  EXPECT_EQ(window_.at(199, 99), kBlue);
}

TEST_F(DrawWindow, DestinationRules) {
  // No rectangle at all: -50; an empty one does not count; positional and DESTRECT do.
  EXPECT_EQ(draw("").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(draw("RECT=10,10,10,50").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(run(kDrawImage, "0,0,40,20 PATH=" + picture_), "<none>");
  EXPECT_EQ(window_.at(0, 0), kRed);
  // DESTRECT wins over RECT; STATUSAREA moves right by 69.
  EXPECT_EQ(draw("DESTRECT=100,0,140,20 RECT=0,0,200,100 STATUSAREA"), "<none>");
  EXPECT_EQ(window_.at(170, 10), kRed);
  EXPECT_EQ(window_.at(195, 10), kBlue);
  EXPECT_EQ(window_.at(120, 10), kPaper);
  // The first record's rectangle serves every record.
  window_ = Window{};
  EXPECT_EQ(draw("RECT=0,0,40,20 || PATH=" + picture_ + " RECT=100,50,200,100"), "<none>");
  EXPECT_EQ(window_.at(5, 5), kRed);
  EXPECT_EQ(window_.at(150, 75), kPaper);
  // A missing picture is its own error.
  EXPECT_EQ(run(kDrawImage, "RECT=0,0,10,10 PATH=/nonexistent/x.bmp").substr(0, 7), "ERROR=-");
  // A clip outside the window draws nothing and fails nothing.
  EXPECT_EQ(draw("RECT=500,500,600,600"), "<none>");
}

// A picture drawn at natural size shows its part inside the window pixel for pixel, as
// its whole decode has it, also when it has too many pixels to be decoded whole.
TEST(DrawPart, NaturalSizeShowsThePartTheWindowHolds) {
  Window w;
  w.width = 640;
  w.height = 480;
  w.visible = {{0, 0, 640, 480}};
  FMX_DocumentWindow table = make_table(w);
  FMW_Host_SetDocumentWindow(&table);
  struct Case {
    std::uint32_t width, height;
    std::int32_t scroll_x, scroll_y;
  };
  for (const Case& c : {Case{3000, 1008, 1234, 333}, Case{40000, 10000, 31001, 6007}}) {
    SCOPED_TRACE(c.width);
    const std::string path = "/tmp/velmora-draw-" + std::to_string(::getpid()) + "-stripes.tif";
    velmora::testing::write_stripes(path, c.width, c.height);
    // The whole decode, where there may be one.
    velmora::image::Pixmap whole;
    velmora::image::PictureSource source;
    ASSERT_EQ(source.open_file(path, false, 0), velmora::kNoErr);
    const bool decodable = source.decode(whole) == velmora::kNoErr;
    EXPECT_EQ(decodable, c.width < 20000);
    w.pixels.assign(640 * 480, kPaper);
    EXPECT_EQ(run(kDrawImage, "PATH=" + path + " DESTRECT=0,0,640,480 ANCHOR=TOPLEFT SCROLL=" +
                                  std::to_string(c.scroll_x) + "," + std::to_string(c.scroll_y)),
              "<none>");
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const std::int64_t px = c.scroll_x + x, py = c.scroll_y + y;
        const std::uint32_t expected =
            decodable ? whole.at(static_cast<std::int32_t>(px), static_cast<std::int32_t>(py)) &
                            0x00FFFFFF
                      : velmora::testing::stripes_at(px, py);
        ASSERT_EQ(w.at(x, y) & 0x00FFFFFF, expected) << x << "," << y;
      }
    std::remove(path.c_str());
  }
  FMW_Host_SetDocumentWindow(nullptr);
}

TEST_F(DrawWindow, OffscreenShowsNothingUntilTheEnd) {
  velmora::params::Store& store = *new velmora::params::Store;
  std::string text = "RECT=0,0,200,100 OFFSCREEN ERASE=1,2,3 PATH=" + picture_;
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  std::vector<char> scratch(buffer.size(), 0);
  store.prepare();
  store.parse_first(buffer.data(), scratch.data());
  velmora::host::Call call(store, 0);
  ASSERT_EQ(velmora::image::draw_image_begin(call), 0);
  ASSERT_EQ(velmora::image::draw_image(call), 0);
  EXPECT_EQ(window_.at(100, 50), kPaper);  // composed, not shown
  EXPECT_EQ(window_.invalidations, 0);
  EXPECT_EQ(velmora::image::draw_image_end(call, 0), 0);
  EXPECT_EQ(call.context, nullptr);
  EXPECT_EQ(window_.at(5, 5), 0x00010203u);
  EXPECT_EQ(window_.at(85, 45), kRed);
  EXPECT_GT(window_.invalidations, 0);
  store.release();
  delete &store;
}

TEST_F(DrawWindow, OriginAndVisibleRegion) {
  // The window shows document coordinates from (50, 20): a picture at (50, 20) lands at
  // the client's corner.
  window_.origin_h = 50;
  window_.origin_v = 20;
  EXPECT_EQ(draw("RECT=50,20,90,40"), "<none>");
  EXPECT_EQ(window_.at(0, 0), kRed);
  EXPECT_EQ(window_.at(39, 19), kBlue);
  EXPECT_EQ(window_.at(40, 0), kPaper);
  // STATUSAREA does not move a rectangle when the origin's h is not 0.
  EXPECT_EQ(draw("RECT=150,20,190,40 STATUSAREA"), "<none>");
  EXPECT_EQ(window_.at(100, 0), kRed);

  // Only the visible part is drawn and read.
  window_ = Window{};
  window_.visible = {{0, 0, 100, 100}};
  EXPECT_EQ(draw("RECT=0,0,200,100 DISPLAYMODE=Fill QUALITY=LOW"), "<none>");
  EXPECT_EQ(window_.at(10, 10), kRed);
  EXPECT_EQ(window_.at(150, 10), kPaper);
  // Over 1 red visible pixel and 1 hidden one: 0x000000FF + 0xFFFFFFFF wraps to 0xFE.
  EXPECT_EQ(run(kCheckArea, "RECT=99,0,101,1"), "254");
  // Outside the client counts as hidden too, without visiting a billion pixels.
  const std::string far = run(kCheckArea, "RECT=-32768,-32768,32767,32767");
  const std::int64_t area = 65535LL * 65535LL;
  std::uint32_t expected = static_cast<std::uint32_t>((area - 100 * 100) * 0xFFFFFFFFULL);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      const std::uint32_t p = window_.at(x, y);
      expected += ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
    }
  }
  EXPECT_EQ(far, std::to_string(static_cast<std::int32_t>(expected)));
}

TEST_F(DrawWindow, CheckAreaSumsColourReferences) {
  EXPECT_EQ(run(kCheckArea, "").substr(0, 9), "ERROR=-50");
  // White is 0x00FFFFFF whichever way round; 3 pixels of it.
  EXPECT_EQ(run(kCheckArea, "RECT=0,0,3,1"), std::to_string(3 * 0xFFFFFF));
  const std::string before = run(kCheckArea, "RECT=0,0,40,20");
  EXPECT_EQ(run(kCheckArea, "RECT=0,0,40,20"), before);
  draw("RECT=0,0,40,20");
  const std::string after = run(kCheckArea, "0,0,40,20");
  EXPECT_NE(after, before);
  // 400 red pixels count 0xFF each, 400 blue ones 0xFF0000 (the system's byte order).
  EXPECT_EQ(after, std::to_string(static_cast<std::int32_t>(400u * 0xFFu + 400u * 0xFF0000u)));
}

TEST_F(DrawWindow, MousePositionAgainstAnchors) {
  window_.pointer_h = 60;
  window_.pointer_v = 70;
  EXPECT_EQ(run(kGetMousePos, "RECT=60,70,100,100"), "0,0");
  EXPECT_EQ(run(kGetMousePos, "RECT=0,0,101,101 ANCHOR=CENTER"), "10,20");
  EXPECT_EQ(run(kGetMousePos, "RECT=0,0,100,100 ANCHOR=BOTTOMRIGHT"), "-40,-30");
  EXPECT_EQ(run(kGetMousePos, "RECT=0,0,100,100 ANCHOR=TOPRIGHT"), "-40,70");
  EXPECT_EQ(run(kGetMousePos, "RECT=0,0,100,100 ANCHOR=BOTTOMLEFT"), "60,-30");
  EXPECT_EQ(run(kGetMousePos, "RECT=-101,-101,0,0 ANCHOR=CENTER"), "110,120");
  // No rectangle: the window's; STATUSAREA shifts it.
  EXPECT_EQ(run(kGetMousePos, ""), "60,70");
  EXPECT_EQ(run(kGetMousePos, "STATUSAREA"), "-9,70");
  window_.origin_h = 5;
  EXPECT_EQ(run(kGetMousePos, "RECT=0,0,10,10"), "65,70");
  window_.has_pointer = false;
  EXPECT_EQ(run(kGetMousePos, "").substr(0, 8), "ERROR=-7");
  // A host whose table ends before the call.
  window_.has_pointer = true;
  FMX_DocumentWindow old = make_table(window_, false);
  FMW_Host_SetDocumentWindow(&old);
  EXPECT_EQ(run(kGetMousePos, "").substr(0, 8), "ERROR=-7");
}

TEST_F(DrawWindow, ZoomLeavesTheWindowAsItWas) {
  draw("RECT=0,0,200,100 DISPLAYMODE=Fill");
  const std::vector<std::uint32_t> before = window_.pixels;
  const int validations = window_.validations;
  EXPECT_EQ(run(kEffect, "RECT=0,0,200,100 SRCRECT=90,40,110,60 KIND=ZOOM STEP=3 accelerate"),
            "<none>");
  EXPECT_EQ(window_.pixels, before);
  EXPECT_GT(window_.invalidations, 0);
  EXPECT_EQ(window_.validations, validations + 1);
  // Every frame is drawn and taken away: STEP=1 has two frames, STEP=0 nine.
  window_.invalidations = 0;
  run(kEffect, "RECT=0,0,200,100 SRCRECT=90,40,110,60 KIND=ZOOM STEP=1");
  EXPECT_EQ(window_.invalidations, 2 * 2);
  window_.invalidations = 0;
  run(kEffect, "RECT=0,0,200,100 SRCRECT=90,40,110,60 KIND=ZOOM STEP=0 DELAY=-5");
  EXPECT_EQ(window_.invalidations, 9 * 2);
  EXPECT_EQ(window_.pixels, before);
  // Fades answer success; no kind, or a zoom without both rectangles, -50.
  EXPECT_EQ(run(kEffect, "KIND=FADEOUT STEP=4"), "<none>");
  EXPECT_EQ(run(kEffect, "RECT=0,0,10,10").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(run(kEffect, "KIND=ZOOM RECT=0,0,10,10").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(run(kEffect, "KIND=ZOOM SRCRECT=0,0,10,10").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(window_.validations, validations + 5);  // every call with a rectangle
}

TEST(ZoomFrames, StepsAndAcceleration) {
  using velmora::image::PixRect;
  using velmora::image::zoom_frame;
  const PixRect s{0, 0, 10, 10}, d{100, 50, 300, 250};
  EXPECT_EQ(zoom_frame(s, d, 0, 1, false), s);
  EXPECT_EQ(zoom_frame(s, d, 1, 1, false), d);
  EXPECT_EQ(zoom_frame(s, d, 4, 8, false), (PixRect{50, 25, 155, 130}));
  // Squared progress: a quarter of the way at half the steps; truncated toward zero.
  EXPECT_EQ(zoom_frame(s, d, 4, 8, true), (PixRect{25, 12, 82, 70}));
  EXPECT_EQ(zoom_frame(d, s, 1, 3, false), (PixRect{66, 33, 203, 170}));
}

TEST(ZoomFrames, WholeEffectStaysWithinItsTimeCap) {
  using std::chrono::microseconds;
  using velmora::image::frame_wait;
  using velmora::image::kMaxEffectTime;
  // A short effect keeps the delay asked for: 3 ticks are 50 ms.
  EXPECT_EQ(frame_wait(9, 3), microseconds(50000));
  // At the caps (1001 frames of 300 ticks) the frames share the cap instead of taking
  // 83 minutes.
  for (int frames : {1001, 200, 34}) {
    EXPECT_LE(frame_wait(frames, 300) * frames, kMaxEffectTime) << frames;
    EXPECT_GT(frame_wait(frames, 300) * frames, kMaxEffectTime - microseconds(frames)) << frames;
  }
  EXPECT_EQ(frame_wait(0, 0), microseconds(0));
}

TEST(ZoomFrames, OneXorFrameInvertsItsPatternAndTwoRestore) {
  Window w;
  FMX_DocumentWindow t = make_table(w);
  FMW_Host_SetDocumentWindow(&t);
  velmora::image::WindowPort port;
  ASSERT_TRUE(velmora::image::open_window_port(port));
  velmora::image::xor_frame(port, {0, 0, 8, 3});
  // The pattern's bits alternate: (0, 0) is set, (1, 0) not, (0, 1) not, (1, 1) set.
  EXPECT_EQ(w.at(0, 0), 0u);
  EXPECT_EQ(w.at(1, 0), kPaper);
  EXPECT_EQ(w.at(0, 2), 0u);
  EXPECT_EQ(w.at(1, 2), kPaper);
  EXPECT_EQ(w.at(7, 1), 0u);
  EXPECT_EQ(w.at(3, 1), kPaper);  // inside the frame
  int inverted = 0;
  for (std::uint32_t p : w.pixels) inverted += p != kPaper;
  EXPECT_EQ(inverted, 9);  // 18 outline pixels, half of them in the pattern
  velmora::image::xor_frame(port, {0, 0, 8, 3});
  for (std::uint32_t p : w.pixels) ASSERT_EQ(p, kPaper);
  FMW_Host_SetDocumentWindow(nullptr);
}

TEST(NoWindow, ClearAnswers) {
  FMW_Host_SetDocumentWindow(nullptr);
  EXPECT_EQ(run(kDrawImage, "RECT=0,0,10,10 PATH=/x.bmp").substr(0, 8), "ERROR=-7");
  EXPECT_EQ(run(kDrawImage, "PATH=/x.bmp").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(run(kCheckArea, "RECT=0,0,10,10"), "0");
  EXPECT_EQ(run(kCheckArea, "").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(run(kGetMousePos, "").substr(0, 8), "ERROR=-7");
  EXPECT_EQ(run(kEffect, "KIND=ZOOM RECT=0,0,10,10 SRCRECT=0,0,1,1").substr(0, 8), "ERROR=-7");
  EXPECT_EQ(run(kEffect, "KIND=FADEIN"), "<none>");
}

}  // namespace
