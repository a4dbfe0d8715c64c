/* Floods a top-level window with X events that never stop coming: configure notices that
 * repeat the window's own geometry (what a window manager sends when it moves a window),
 * each of which the owner's toolkit takes as one event, sent as fast as the server takes
 * them.  Usage: event_flood WINDOW-ID (decimal or 0x) SECONDS.  Prints "flooding" once
 * the first batch is out, then floods until killed or for SECONDS. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

enum { kBatch = 256 };

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const Window window = (Window)strtoul(argv[1], NULL, 0);
  const long seconds = strtol(argv[2], NULL, 10);
  Display* d = XOpenDisplay(NULL);
  if (d == NULL || window == 0 || seconds <= 0) return 3;
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  if (!XGetGeometry(d, window, &root, &x, &y, &width, &height, &border, &depth)) return 4;
  XEvent e = {0};
  e.xconfigure.type = ConfigureNotify;
  e.xconfigure.event = window;
  e.xconfigure.window = window;
  e.xconfigure.x = x;
  e.xconfigure.y = y;
  e.xconfigure.width = (int)width;
  e.xconfigure.height = (int)height;
  e.xconfigure.border_width = (int)border;
  const time_t end = time(NULL) + seconds;
  int told = 0;
  while (time(NULL) < end) {
    for (int i = 0; i < kBatch; ++i) XSendEvent(d, window, False, StructureNotifyMask, &e);
    /* A round trip per batch: the flood goes no faster than the server takes it, and a
     * window that is gone ends it with an error. */
    XSync(d, False);
    if (!told) {
      puts("flooding");
      fflush(stdout);
      told = 1;
    }
  }
  XCloseDisplay(d);
  return 0;
}
