// The progress family without a display: the bar drawn into a document window held
// here, its range rules, the barber pole, and how closing, the idle event and shutdown
// take it away again.
#include <fmx/FMHostServices.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "dialogs/progress_bar.hpp"
#include "dialogs/progress_state.hpp"
#include "host/shared_state.hpp"
#include "run_handlers.hpp"

namespace {

using velmora::dialogs::kBarFill;
using velmora::dialogs::kBarFrame;
using velmora::dialogs::kBarTrack;
using velmora::testing::run;

constexpr std::uint32_t kPaper = 0x123456;
constexpr int kArrow = 17;  // the bar's height on Linux

// A document window as a plain pixel array.
struct Surface {
  int width = 300, height = 200;
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(300 * 200, kPaper);
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Surface* self(void* c) {
  return static_cast<Surface*>(c);
}

FMX_DocumentWindow make_table(Surface& s) {
  FMX_DocumentWindow t{};
  t.structSize = sizeof t;
  t.context = &s;
  t.clientRect = [](void* c, FMX_WindowRect* r) { *r = {0, 0, self(c)->width, self(c)->height}; };
  t.origin = [](void*, int32_t* h, int32_t* v) { *h = *v = 0; };
  t.visibleRegion = [](void*, FMX_WindowRect*, uint32_t) -> uint32_t { return 0; };
  t.pixels = [](void* c, int32_t* row) {
    *row = self(c)->width;
    return self(c)->pixels.data();
  };
  t.invalidate = [](void*, const FMX_WindowRect*) {};
  t.validate = [](void*, const FMX_WindowRect*) {};
  t.invalidRect = [](void*, FMX_WindowRect*) -> int32_t { return 0; };
  t.resize = [](void* c, int32_t w, int32_t h) -> int32_t {
    Surface& s = *self(c);
    std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h, kPaper);
    for (int y = 0; y < std::min(h, s.height); ++y) {
      for (int x = 0; x < std::min(w, s.width); ++x) p[y * w + x] = s.at(x, y);
    }
    s.pixels = std::move(p);
    s.width = w;
    s.height = h;
    return 0;
  };
  t.nativeWindow = [](void*) -> void* { return nullptr; };
  t.pumpEvents = [](void*) {};
  return t;
}

class Progress : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = make_table(surface_);
    FMW_Host_SetDocumentWindow(&table_);
    ASSERT_TRUE(velmora::host::create_shared_state());
    // What Open leaves behind for a bar in the host's window (Open itself wants a
    // display, which these tests do not have).
    auto& r = record();
    r.owner = velmora::platform::host_window();
    r.minimum = 0;
    r.maximum = 100;
    r.value = 0;
  }
  void TearDown() override {
    velmora::host::release_shared_state();
    FMW_Host_SetDocumentWindow(nullptr);
  }
  velmora::host::ProgressState& state() { return velmora::host::shared_state()->progress; }
  velmora::dialogs::ProgressRecord& record() { return velmora::dialogs::progress_record(state()); }
  int top() const { return surface_.height - kArrow + 1; }
  // Filled columns along the bar's middle row.
  int filled() const {
    int n = 0;
    for (int x = 1; x < 157; ++x) n += surface_.at(x, top() + 5) == kBarFill;
    return n;
  }
  bool untouched() const {
    for (std::uint32_t p : surface_.pixels) {
      if (p != kPaper) return false;
    }
    return true;
  }

  Surface surface_;
  FMX_DocumentWindow table_{};
};

TEST_F(Progress, NothingShowsUntilAValueAndThenABarAtTheBottomLeft) {
  EXPECT_EQ(run(38, ""), "<none>");
  EXPECT_EQ(run(38, "VALUE=abc"), "<none>");  // not a number: stored as 0, nothing drawn
  EXPECT_TRUE(untouched());
  EXPECT_EQ(run(38, "VALUE=50"), "<none>");
  EXPECT_TRUE(state().has_bar);
  // Frame on the bar's edges, 158 wide, the last row falling just outside the client.
  EXPECT_EQ(surface_.at(0, top()), kBarFrame);
  EXPECT_EQ(surface_.at(157, top() + 3), kBarFrame);
  EXPECT_EQ(surface_.at(158, top() + 3), kPaper);
  EXPECT_EQ(surface_.at(0, top() - 1), kPaper);
  EXPECT_EQ(filled(), 78);
  EXPECT_EQ(surface_.at(100, top() + 5), kBarTrack);
}

TEST_F(Progress, RangeRulesRaiseTheValueAndKeepTheMaximumAboveTheMinimum) {
  run(38, "MIN=50 VALUE=10");
  EXPECT_EQ(record().value, 50);
  EXPECT_EQ(filled(), 0);
  run(38, "MIN=7 MAX=7");
  EXPECT_EQ(record().maximum, 8);
  EXPECT_EQ(record().value, 8);
  EXPECT_EQ(filled(), 156);
  run(38, "MIN=0 MAX=200 VALUE=300");
  EXPECT_EQ(record().value, 200);
  // A range beyond 16 bits still fills by its true share.
  run(38, "MIN=0 MAX=200000 VALUE=50000");
  EXPECT_EQ(filled(), 39);
  // An invalid number stores its leading digits but does not redraw by itself.
  run(38, "VALUE=12x");
  EXPECT_EQ(record().value, 12);
  EXPECT_EQ(filled(), 39);
}

TEST_F(Progress, BarberPoleStartsItsOwnRangeAndMovesAtMostEverySixMilliseconds) {
  run(38, "BARBER");
  EXPECT_TRUE(record().barber);
  EXPECT_EQ(record().maximum, 10);
  EXPECT_EQ(record().value, 1);
  EXPECT_TRUE(state().has_bitmap);
  EXPECT_EQ(record().stripe_offset, 48);
  const std::uint32_t drawn = surface_.at(1, top() + 1);
  EXPECT_EQ(drawn, velmora::dialogs::stripe_pixel(48, 0));
  // The next tick is 6 ms away: an immediate update leaves the stripes.
  run(38, "BARBER=TRUE");
  EXPECT_EQ(record().stripe_offset, 48);
  std::this_thread::sleep_for(std::chrono::milliseconds(8));
  run(38, "");
  EXPECT_EQ(record().stripe_offset, 42);
  // Back to a value bar: the barber range is set, then the value read.
  run(38, "BARBER=FALSE VALUE=5");
  EXPECT_FALSE(record().barber);
  EXPECT_EQ(record().maximum, 10);
  EXPECT_EQ(filled(), 78);
}

TEST_F(Progress, StripeImageRepeatsEveryPeriod) {
  for (int y = 0; y < velmora::dialogs::kStripeHeight; ++y) {
    for (int x = 0; x + 48 < velmora::dialogs::kStripeWidth; x += 5) {
      ASSERT_EQ(velmora::dialogs::stripe_pixel(x, y), velmora::dialogs::stripe_pixel(x + 48, y));
    }
  }
  EXPECT_NE(velmora::dialogs::stripe_pixel(0, 0), velmora::dialogs::stripe_pixel(24, 0));
  EXPECT_EQ(velmora::dialogs::stripe_pixel(-1, 0), kBarTrack);
  EXPECT_EQ(velmora::dialogs::stripe_pixel(438, 0), kBarTrack);
}

TEST_F(Progress, ResizedWindowMovesTheBarAndGivesBackWhatWasBeneath) {
  run(38, "VALUE=100");
  ASSERT_TRUE(velmora::platform::resize_window(400, 120));
  run(38, "VALUE=100");
  EXPECT_EQ(record().place.top, 120 - kArrow + 1);
  EXPECT_EQ(surface_.at(0, 120 - kArrow + 1), kBarFrame);
  EXPECT_EQ(filled(), 156);
  // The old place (rows 184.. of the former window) lies outside now; shrink-safe.
  ASSERT_TRUE(velmora::platform::resize_window(300, 200));
  run(38, "VALUE=0");
  EXPECT_EQ(surface_.at(5, 120 - kArrow + 5), kPaper);
}

TEST_F(Progress, CloseRemovesTheBarButKeepsRangeAndValue) {
  run(38, "MAX=40 VALUE=20");
  EXPECT_EQ(run(39, ""), "<none>");
  EXPECT_TRUE(untouched());
  EXPECT_FALSE(state().has_bar);
  EXPECT_EQ(record().maximum, 40);
  EXPECT_EQ(record().value, 20);
  // An update after Close draws a new bar on the same owner.
  run(38, "VALUE=40");
  EXPECT_EQ(filled(), 156);
  EXPECT_EQ(run(39, ""), "<none>");
  EXPECT_TRUE(untouched());
}

TEST_F(Progress, IdleEventClosesOnlyAnActiveProgress) {
  run(38, "VALUE=30");
  velmora::host::idle_pump();  // not opened through Open: the flag is clear
  EXPECT_EQ(filled(), 47);
  velmora::host::set_progress_active(true);
  velmora::host::idle_pump();
  EXPECT_TRUE(untouched());
  EXPECT_FALSE(velmora::host::progress_active());
  EXPECT_FALSE(state().has_bar);
}

TEST_F(Progress, ShutdownTakesAnOpenBarAway) {
  run(38, "VALUE=30");
  EXPECT_FALSE(untouched());
  velmora::host::release_shared_state();
  EXPECT_TRUE(untouched());
}

TEST_F(Progress, NoOwnerWindowMeansNothingIsDrawn) {
  FMW_Host_SetDocumentWindow(nullptr);
  EXPECT_EQ(run(38, "VALUE=30"), "<none>");
  EXPECT_FALSE(state().has_bar);
  FMW_Host_SetDocumentWindow(&table_);
  // The owner taken at Open is gone for good: still nothing.
  record().owner = 0;
  EXPECT_EQ(run(38, "VALUE=30"), "<none>");
  EXPECT_TRUE(untouched());
}

TEST(ProgressWithoutState, EachFunctionAnswersItsOwnCode) {
  velmora::host::release_shared_state();
  EXPECT_EQ(run(37, ""), "ERROR=9990");
  EXPECT_EQ(run(38, "VALUE=1"), "ERROR=9991");
  EXPECT_EQ(run(39, ""), "ERROR=9992");
}

TEST(ProgressHeadless, OpenAnswersNoDisplayAtOnce) {
  if (velmora::platform::display_available()) GTEST_SKIP() << "a display is available";
  ASSERT_TRUE(velmora::host::create_shared_state());
  EXPECT_EQ(run(37, "DIALOG").rfind("ERROR=-7", 0), 0u);
  EXPECT_EQ(run(37, "").rfind("ERROR=-7", 0), 0u);
  EXPECT_FALSE(velmora::host::progress_active());
  velmora::host::release_shared_state();
}

}  // namespace
