// The user interface seam on Windows: the document window is the host's (reached through
// the host library's table); messages are this thread's Win32 queue.
#include "platform/ui.hpp"

#include <fmx/FMWrapper.h>

#include <cstddef>
#include <cstdlib>
#include <initializer_list>

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

const FMX_DocumentWindow* table() {
  FMX_ErrorRecord err{};
  return FM_DocumentWindow_Get(&err);
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

bool display_available() {
  // A desktop someone can see: not a service's window station, not a host that says it
  // has no display.  Under Wine the desktop is the X or Wayland display of the Unix side;
  // without one, Wine's null driver takes windows nobody can see or answer, so dialogs
  // would wait for ever.
  static const bool available = [] {
    const char* v = std::getenv("VELMORA_NO_DISPLAY");
    if (v != nullptr && *v != '\0' && *v != '0') return false;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                  &needed) &&
        (flags.dwFlags & WSF_VISIBLE) == 0) {
      return false;
    }
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* d = std::getenv(name);
        if (d != nullptr && *d != '\0') return true;
      }
      return false;
    }
    return true;
  }();
  return available;
}

void pump_messages() {
  if (const FMX_DocumentWindow* w = table()) w->pumpEvents(w->context);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
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
