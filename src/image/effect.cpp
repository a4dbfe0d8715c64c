// VeImg_Effect: a zoom of frames from one rectangle to another, each drawn with an
// inverting pattern and drawn again to take it away, so the window ends as it began.
#include "image/effect.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

#include "host/handlers.hpp"
#include "image/draw_context.hpp"
#include "params/readers.hpp"
#include "platform/ui.hpp"

namespace velmora::image {

namespace {

inline constexpr std::string_view kEffectKinds = "ZOOM,FADEIN,FADEOUT";
constexpr int kZoom = 1;
constexpr std::uint8_t kPattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
constexpr int kDefaultSteps = 8;
// Bounds that keep a script's effect finite: 1000 frames of at most 5 seconds each.
constexpr int kMaxSteps = 1000;
constexpr int kMaxDelayTicks = 300;

void invert_pixel(const RenderTarget& t, std::int32_t x, std::int32_t y,
                  const std::vector<PixRect>& visible) {
  if (((kPattern[y & 7] >> (7 - (x & 7))) & 1) == 0) return;
  bool shown = false;
  for (const PixRect& r : visible) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) shown = true;
  }
  if (!shown) return;
  Pixel& p =
      t.pixels[static_cast<std::ptrdiff_t>(y - t.bounds.top) * t.row_pixels + (x - t.bounds.left)];
  p ^= 0x00FFFFFF;
}

}  // namespace

std::chrono::microseconds frame_wait(int frames, int delay_ticks) {
  const std::chrono::microseconds asked{std::int64_t{std::max(delay_ticks, 0)} * 1000000 / 60};
  const std::chrono::microseconds share =
      std::chrono::duration_cast<std::chrono::microseconds>(kMaxEffectTime) / std::max(frames, 1);
  return std::min(asked, share);
}

PixRect zoom_frame(const PixRect& from, const PixRect& to, int i, int steps, bool accelerate) {
  float t = static_cast<float>(i) / static_cast<float>(steps);
  if (accelerate) t *= t;
  auto edge = [t](std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<float>(a) + static_cast<float>(b - a) * t);
  };
  return PixRect{edge(from.left, to.left), edge(from.top, to.top), edge(from.right, to.right),
                 edge(from.bottom, to.bottom)};
}

void xor_frame(const WindowPort& port, const PixRect& frame) {
  if (frame.empty()) return;
  const RenderTarget& t = port.target;
  // Clipped to the client before walking, so a huge frame costs no more than the window.
  const PixRect client = port.bounds();
  auto row = [&](std::int32_t y) {
    if (y < client.top || y >= client.bottom) return;
    const std::int32_t from = std::max(frame.left, client.left);
    const std::int32_t to = std::min(frame.right, client.right);
    for (std::int32_t x = from; x < to; ++x) invert_pixel(t, x, y, port.visible);
  };
  auto column = [&](std::int32_t x) {
    if (x < client.left || x >= client.right) return;
    const std::int32_t from = std::max(frame.top + 1, client.top);
    const std::int32_t to = std::min(frame.bottom - 1, client.bottom);
    for (std::int32_t y = from; y < to; ++y) invert_pixel(t, x, y, port.visible);
  };
  row(frame.top);
  if (frame.bottom - 1 != frame.top) row(frame.bottom - 1);
  column(frame.left);
  if (frame.right - 1 != frame.left) column(frame.right - 1);
  port.invalidate(intersect(frame, client));
}

Err effect(Call& call) {
  const params::Store& s = call.params;
  WindowPort port;
  const bool window = open_window_port(port);
  PixRect dest;
  const bool dest_given = read_destination(s, window ? &port : nullptr, dest);
  Rect src;
  const bool src_given = params::rect(s, "SRCRECT", src);
  const int kind = params::keyword(s, "KIND", kEffectKinds);

  Err code = kNoErr;
  if (kind == kZoom && dest_given && src_given) {
    if (!window) return kNoDisplay;
    int steps = params::integer(s, "STEP");
    if (steps <= 0) steps = kDefaultSteps;
    steps = std::min(steps, kMaxSteps);
    int delay = params::integer(s, "DELAY");
    if (delay <= 0) delay = 1;
    delay = std::min(delay, kMaxDelayTicks);
    const bool accelerate = params::boolean(s, "ACCELERATE", false);
    const PixRect from{src.left, src.top, src.right, src.bottom};
    const auto wait = frame_wait(steps + 1, delay);
    for (int i = 0; i <= steps; ++i) {
      const PixRect frame = zoom_frame(from, dest, i, steps, accelerate);
      xor_frame(port, frame);
      platform::pump_messages();
      std::this_thread::sleep_for(wait);
      xor_frame(port, frame);
    }
    platform::pump_messages();
  } else if (kind > kZoom) {
    // Fades leave the screen as it is: the answer is success.
  } else {
    code = kParamErr;
  }
  if (dest_given && window) port.validate_all();
  return code;
}

}  // namespace velmora::image
