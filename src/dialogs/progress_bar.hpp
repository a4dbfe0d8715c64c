// The progress bar drawn along the bottom-left edge of the host's document window.  It
// owns the pixels it covers: what was beneath comes back when the bar goes or moves.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ui.hpp"

namespace velmora::dialogs {

struct BarPlace {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const BarPlace&) const = default;
};

// The stripe image of the barber pole: 438 x 24 pixels whose pattern repeats every
// kStripePeriod columns, so that moving the source column by one period looks still.
inline constexpr int kStripeWidth = 438;
inline constexpr int kStripeHeight = 24;
inline constexpr int kStripePeriod = 48;
std::uint32_t stripe_pixel(int x, int y);

// Colours of the bar, 0x00RRGGBB.
inline constexpr std::uint32_t kBarFrame = 0x7A7A7A;
inline constexpr std::uint32_t kBarFill = 0x06B025;
inline constexpr std::uint32_t kBarTrack = 0xE6E6E6;

// Where the bar goes in a client rectangle: the bottom-left corner, `height` tall.
BarPlace bar_place(const platform::WindowRect& client, int height);

class WindowBar {
 public:
  // Takes its place in the window; false when the window has no pixels.
  bool create(const BarPlace& place);
  ~WindowBar();
  WindowBar() = default;
  WindowBar(const WindowBar&) = delete;
  WindowBar& operator=(const WindowBar&) = delete;

  // Gives the old place its pixels back and covers the new one (blank until drawn).
  void move(const BarPlace& place);
  // Value mode: framed, filled from the left to `fraction` (0 to 1).
  void draw_value(double fraction);
  // Barber mode: the stripe image from `column` on, inside the frame.
  void draw_stripes(int column);
  const BarPlace& place() const { return place_; }
  double shown_fraction() const { return fraction_; }

 private:
  void save();
  void restore();
  template <typename PixelOf>
  void paint(PixelOf pixel_of);

  BarPlace place_;
  std::vector<std::uint32_t> saved_;  // the covered pixels, row by row (clipped)
  platform::WindowRect saved_rect_;   // the part of the client they came from
  double fraction_ = 0.0;
  bool placed_ = false;
};

}  // namespace velmora::dialogs
