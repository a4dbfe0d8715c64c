// The user interface seam: the host's document window (a pixel surface the plug-in
// draws into and reads back), the display, and the message queue.
#pragma once
#include <cstdint>

namespace velmora::platform {

using WindowHandle = std::uintptr_t;  // 0 for none

struct WindowRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The host's front document window, or 0 when the host shows none.
WindowHandle host_window();
// Removes and dispatches every message waiting on this thread.
void pump_messages();
// Whether dialogs can be shown: a display exists and could be opened.  Asked once; a
// host without a display answers false at once.
bool display_available();

// The document window's pixels (0x00RRGGBB, `row_pixels` to a row) and client rectangle.
struct WindowSurface {
  std::uint32_t* pixels = nullptr;
  std::int32_t row_pixels = 0;
  WindowRect client;
};
bool window_surface(WindowSurface& out);
// The document coordinate shown at the client's top-left corner.
bool window_origin(std::int32_t& h, std::int32_t& v);
// The visible part of the client; answers how many rectangles it has (0 without a window).
int window_visible_region(WindowRect* rects, int max);
// Marks a part (null: all) as needing a repaint, or as painted.
void invalidate_window(const WindowRect* rect);
void validate_window(const WindowRect* rect);
// The bounds of what needs a repaint; false when nothing does.
bool window_invalid_rect(WindowRect& out);
bool resize_window(std::int32_t width, std::int32_t height);
// The pointer's position in the document window's client coordinates; false when the
// host cannot tell (no window, or a host without the call).
bool pointer_position(std::int32_t& h, std::int32_t& v);

}  // namespace velmora::platform
