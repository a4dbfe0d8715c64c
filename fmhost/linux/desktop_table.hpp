// fmhost on Linux: what it needs of GTK and GLib (the shown document window, waiting with
// the display's events flowing, BMP pictures as PNG), in a companion library loaded only
// when one of these is wanted.  A script run that shows no window never loads the
// toolkit, which is most of what starting fmhost would cost.  The companion's one export
// is fmhost_desktop_table(); C types only, so that either side may be rebuilt alone.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// What the shown window tells the document window it shows.
struct FmhostViewEvents {
  void* context;
  // The surface to paint: 0x00RRGGBB pixels, `width` to a row.
  const std::uint32_t* (*surface)(void* context, int* width, int* height);
  void (*painted)(void* context);
  void (*resized)(void* context, int width, int height);
  void (*closing)(void* context);    // the person closed it: hidden, the surface stays
  void (*destroyed)(void* context);  // destroyed from outside: gone
};

struct FmhostDesktop {
  std::size_t size;
  // A shown window, or null (`failure` set) when there is no display.
  void* (*show)(const FmhostViewEvents* events, int width, int height, const char** failure);
  void (*destroy)(void* view);
  void (*pump)(void* view);
  void (*resize)(void* view, int width, int height);
  void (*queue_draw)(void* view, int left, int top, int width, int height);
  int (*pointer)(void* view, int* h, int* v);
  void* (*native)(void* view);
  // Runs the main context until standard input has bytes or is at its end (0),
  // `timeout_ms` have passed (1; negative: no limit), or `stop(context)` answers true (2).
  int (*wait_input)(int timeout_ms, int (*stop)(void*), void* context);
  // Runs the main context until `go_on(context)` answers false.
  void (*dispatch_while)(int (*go_on)(void*), void* context);
  // Writes a BMP file's picture as PNG; 0, or the reason in `failure` (size bytes).
  int (*bmp_as_png)(const std::uint8_t* bmp, std::size_t n, const char* path, char* failure,
                    std::size_t failure_size);
};

const FmhostDesktop* fmhost_desktop_table();
}

namespace velmora::fmhost {

// The companion beside fmhost, loaded on the first call; null when it cannot be loaded
// (then there is no window and no display to wait with).
const FmhostDesktop* desktop();

// The companion if the process already runs GLib (the module's dialogs or clipboard
// loaded the toolkit), so that waiting keeps the display's events flowing; else null,
// and a plain wait on standard input will do.
const FmhostDesktop* desktop_if_toolkit_loaded();

}  // namespace velmora::fmhost
