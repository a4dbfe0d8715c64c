#include "dialogs/progress_bar.hpp"

#include <algorithm>

namespace velmora::dialogs {

namespace {

constexpr std::uint32_t kStripeDark = 0x3C78D8;
constexpr std::uint32_t kStripeLight = 0xC9DAF8;

// The part of `place` inside the client.
platform::WindowRect clip(const BarPlace& place, const platform::WindowRect& client) {
  platform::WindowRect r;
  r.left = std::max(place.left, client.left);
  r.top = std::max(place.top, client.top);
  r.right = std::min(place.left + place.width, client.right);
  r.bottom = std::min(place.top + place.height, client.bottom);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

}  // namespace

std::uint32_t stripe_pixel(int x, int y) {
  if (x < 0 || y < 0 || x >= kStripeWidth || y >= kStripeHeight) return kBarTrack;
  // Diagonal bands, half dark and half light in each period.
  return (x + y) % kStripePeriod < kStripePeriod / 2 ? kStripeDark : kStripeLight;
}

BarPlace bar_place(const platform::WindowRect& client, int height) {
  // The host's document window has no scroll bars of its own to keep clear of, so the
  // bar takes the width it takes beside a window's missing horizontal scroll bar.
  constexpr int kWidthWithoutScrollBar = 158;
  return {client.left, client.bottom - height + 1, kWidthWithoutScrollBar, height};
}

bool WindowBar::create(const BarPlace& place) {
  platform::WindowSurface surface;
  if (!platform::window_surface(surface)) return false;
  place_ = place;
  save();
  placed_ = true;
  return true;
}

WindowBar::~WindowBar() {
  if (placed_) restore();
}

void WindowBar::move(const BarPlace& place) {
  if (placed_) restore();
  place_ = place;
  save();
  placed_ = true;
}

void WindowBar::save() {
  saved_.clear();
  platform::WindowSurface s;
  if (!platform::window_surface(s)) {
    saved_rect_ = {};
    return;
  }
  saved_rect_ = clip(place_, s.client);
  for (std::int32_t y = saved_rect_.top; y < saved_rect_.bottom; ++y) {
    const std::uint32_t* row = s.pixels + static_cast<std::ptrdiff_t>(y) * s.row_pixels;
    saved_.insert(saved_.end(), row + saved_rect_.left, row + saved_rect_.right);
  }
}

void WindowBar::restore() {
  platform::WindowSurface s;
  if (!platform::window_surface(s)) return;
  // The window may have shrunk since: only what still lies inside comes back.
  const platform::WindowRect inside =
      clip({saved_rect_.left, saved_rect_.top, saved_rect_.right - saved_rect_.left,
            saved_rect_.bottom - saved_rect_.top},
           s.client);
  const std::int32_t saved_width = saved_rect_.right - saved_rect_.left;
  for (std::int32_t y = inside.top; y < inside.bottom; ++y) {
    const std::uint32_t* from = saved_.data() +
                                static_cast<std::size_t>(y - saved_rect_.top) * saved_width +
                                (inside.left - saved_rect_.left);
    std::copy(from, from + (inside.right - inside.left),
              s.pixels + static_cast<std::ptrdiff_t>(y) * s.row_pixels + inside.left);
  }
  platform::invalidate_window(&inside);
}

template <typename PixelOf>
void WindowBar::paint(PixelOf pixel_of) {
  platform::WindowSurface s;
  if (!platform::window_surface(s)) return;
  const platform::WindowRect r = clip(place_, s.client);
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    std::uint32_t* row = s.pixels + static_cast<std::ptrdiff_t>(y) * s.row_pixels;
    for (std::int32_t x = r.left; x < r.right; ++x) {
      const int bx = x - place_.left, by = y - place_.top;
      const bool frame = bx == 0 || by == 0 || bx == place_.width - 1 || by == place_.height - 1;
      row[x] = frame ? kBarFrame : pixel_of(bx - 1, by - 1);
    }
  }
  platform::invalidate_window(&r);
}

void WindowBar::draw_value(double fraction) {
  fraction_ = std::clamp(fraction, 0.0, 1.0);
  const int inner = std::max(place_.width - 2, 0);
  const int filled = static_cast<int>(fraction_ * inner + 0.5);
  paint([filled](int x, int) { return x < filled ? kBarFill : kBarTrack; });
}

void WindowBar::draw_stripes(int column) {
  paint([column](int x, int y) { return stripe_pixel(column + x, y); });
}

}  // namespace velmora::dialogs
