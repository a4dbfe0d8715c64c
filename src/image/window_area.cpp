// VeImg_CheckArea and VeImg_GetMousePos: the host window read back in the coordinates
// VeImg_DrawImage draws in.
#include <cstdint>

#include "host/handlers.hpp"
#include "image/draw_context.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "platform/ui.hpp"

namespace velmora::image {

namespace {

// What the system answers for a pixel it cannot read.
constexpr std::uint32_t kInvalidColor = 0xFFFFFFFF;

// 0x00RRGGBB as the system's colour reference, 0x00BBGGRR.
constexpr std::uint32_t color_ref(Pixel p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

bool visible_at(const WindowPort& port, std::int32_t x, std::int32_t y) {
  for (const PixRect& r : port.visible) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  }
  return false;
}

inline constexpr std::string_view kMouseAnchors = "TOPLEFT,TOPRIGHT,BOTTOMLEFT,BOTTOMRIGHT,CENTER";

}  // namespace

// The sum wraps at 32 bits.  Pixels outside the window's client are counted without
// being visited, so a huge rectangle costs no more than the window.
std::uint32_t area_checksum(const WindowPort& port, const PixRect& area) {
  std::uint32_t sum = 0;
  const PixRect inside = intersect(area, port.bounds());
  const std::uint64_t total = static_cast<std::uint64_t>(area.width()) * area.height();
  const std::uint64_t within =
      inside.empty() ? 0 : static_cast<std::uint64_t>(inside.width()) * inside.height();
  sum += static_cast<std::uint32_t>((total - within) * kInvalidColor);
  const RenderTarget& t = port.target;
  for (std::int32_t y = inside.top; y < inside.bottom; ++y) {
    const Pixel* row = t.pixels + static_cast<std::ptrdiff_t>(y - t.bounds.top) * t.row_pixels;
    for (std::int32_t x = inside.left; x < inside.right; ++x) {
      sum += visible_at(port, x, y) ? color_ref(row[x - t.bounds.left]) : kInvalidColor;
    }
  }
  return sum;
}

Err check_area(Call& call) {
  WindowPort port;
  const bool window = open_window_port(port);
  PixRect area;
  if (!read_destination(call.params, window ? &port : nullptr, area)) return kParamErr;
  if (!window) return host::set_result("0");
  const auto sum = static_cast<std::int32_t>(area_checksum(port, area));
  return host::set_result(params::Builder().integer(sum).str());
}

Err get_mouse_pos(Call& call) {
  WindowPort port;
  if (!open_window_port(port)) return kNoDisplay;
  std::int32_t h = 0, v = 0;
  if (!platform::pointer_position(h, v)) return kNoDisplay;
  h += port.origin_h;
  v += port.origin_v;
  PixRect r;
  read_destination(call.params, &port, r);
  std::int32_t ah = r.left, av = r.top;
  switch (params::keyword(call.params, "ANCHOR", kMouseAnchors)) {
    case 2:
      ah = r.right;
      break;
    case 3:
      av = r.bottom;
      break;
    case 4:
      ah = r.right;
      av = r.bottom;
      break;
    case 5:
      ah = (r.left + r.right) / 2;
      av = (r.top + r.bottom) / 2;
      break;
    default:
      break;
  }
  params::Builder b;
  b.integer(h - ah).text(",").integer(v - av);
  return host::set_result(b.str());
}

}  // namespace velmora::image
