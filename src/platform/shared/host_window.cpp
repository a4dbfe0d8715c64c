// The document window seam, shared by every system's backend: the window is the host's,
// reached through our host's services table, so nothing here depends on the system.
#include "platform/shared/host_window.hpp"

#include <cstddef>

#include "platform/host_services.hpp"
#include "platform/ui.hpp"

namespace velmora::platform {

namespace {

const FMX_DocumentWindow* table() {
  return host_document_window();
}

FMX_WindowRect to_host(const WindowRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}
WindowRect from_host(const FMX_WindowRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

WindowHandle host_window() {
  return reinterpret_cast<WindowHandle>(table());
}

void pump_host_events() {
  if (const FMX_DocumentWindow* w = table()) w->pumpEvents(w->context);
}

bool window_surface(WindowSurface& out) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr) return false;
  FMX_WindowRect client{};
  w->clientRect(w->context, &client);
  out.client = from_host(client);
  out.pixels = w->pixels(w->context, &out.row_pixels);
  return out.pixels != nullptr;
}

bool window_origin(std::int32_t& h, std::int32_t& v) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr) return false;
  w->origin(w->context, &h, &v);
  return true;
}

int window_visible_region(WindowRect* rects, int max) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr || max <= 0) return 0;
  FMX_WindowRect buffer[16];
  const std::uint32_t room = static_cast<std::uint32_t>(max < 16 ? max : 16);
  const std::uint32_t n = w->visibleRegion(w->context, buffer, room);
  const std::uint32_t copied = n < room ? n : room;
  for (std::uint32_t i = 0; i < copied; ++i) rects[i] = from_host(buffer[i]);
  return static_cast<int>(copied);
}

void invalidate_window(const WindowRect* rect) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr) return;
  if (rect == nullptr) {
    w->invalidate(w->context, nullptr);
  } else {
    const FMX_WindowRect r = to_host(*rect);
    w->invalidate(w->context, &r);
  }
}

void validate_window(const WindowRect* rect) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr) return;
  if (rect == nullptr) {
    w->validate(w->context, nullptr);
  } else {
    const FMX_WindowRect r = to_host(*rect);
    w->validate(w->context, &r);
  }
}

bool window_invalid_rect(WindowRect& out) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr) return false;
  FMX_WindowRect r{};
  const bool any = w->invalidRect(w->context, &r) != 0;
  out = from_host(r);
  return any;
}

bool resize_window(std::int32_t width, std::int32_t height) {
  const FMX_DocumentWindow* w = table();
  return w != nullptr && w->resize(w->context, width, height) == 0;
}

bool pointer_position(std::int32_t& h, std::int32_t& v) {
  const FMX_DocumentWindow* w = table();
  if (w == nullptr) return false;
  // Older hosts end their table before the call.
  constexpr std::size_t kNeeded =
      offsetof(FMX_DocumentWindow, pointerPosition) + sizeof(w->pointerPosition);
  if (w->structSize < kNeeded || w->pointerPosition == nullptr) return false;
  return w->pointerPosition(w->context, &h, &v) == 0;
}

}  // namespace velmora::platform
