/* Asks a top-level window to close the way a window manager does when its close button is
 * pressed: a WM_DELETE_WINDOW client message.  Usage: wm_delete WINDOW-ID (decimal or 0x). */
#include <X11/Xlib.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const Window window = (Window)strtoul(argv[1], NULL, 0);
  Display* d = XOpenDisplay(NULL);
  if (d == NULL || window == 0) return 3;
  XEvent e = {0};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(d, window, False, NoEventMask, &e);
  XSync(d, False);
  XCloseDisplay(d);
  return sent ? 0 : 4;
}
