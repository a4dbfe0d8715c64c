/* A small X client for the window-closing tests: two visible top-level windows and one
 * that is never shown, all accepting WM_DELETE_WINDOW and naming their process in
 * _NET_WM_PID (unless started with --no-pid, like older toolkits).  Every close request
 * is written to the log file given as the last argument ("ready", then
 * "delete visible-1", "delete hidden", ...); the program ends a second after both
 * visible windows were asked to close, or after 60 seconds. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

enum { kWindows = 3, kVisible = 2, kLifetimeSeconds = 60 };

static void log_line(const char* path, const char* text) {
  FILE* f = fopen(path, "a");
  if (f == NULL) return;
  fprintf(f, "%s\n", text);
  fclose(f);
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return 2;
  const int name_pid = !(argc == 3 && strcmp(argv[1], "--no-pid") == 0);
  const char* log = argv[argc - 1];
  Display* d = XOpenDisplay(NULL);
  if (d == NULL) return 3;
  Atom wm_delete = XInternAtom(d, "WM_DELETE_WINDOW", False);
  Atom net_wm_pid = XInternAtom(d, "_NET_WM_PID", False);
  const char* names[kWindows] = {"visible-1", "visible-2", "hidden"};
  Window windows[kWindows];
  unsigned long pid = (unsigned long)getpid();
  for (int i = 0; i < kWindows; ++i) {
    windows[i] = XCreateSimpleWindow(d, DefaultRootWindow(d), 10 + 40 * i, 10, 100, 80, 1, 0, 0);
    XStoreName(d, windows[i], names[i]);
    XSetWMProtocols(d, windows[i], &wm_delete, 1);
    if (name_pid) {
      XChangeProperty(d, windows[i], net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                      (unsigned char*)&pid, 1);
    }
    XSelectInput(d, windows[i], StructureNotifyMask);
  }
  for (int i = 0; i < kVisible; ++i) XMapWindow(d, windows[i]);

  int mapped = 0, closed = 0;
  time_t end = time(NULL) + kLifetimeSeconds;
  while (time(NULL) < end) {
    while (XPending(d) > 0) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == MapNotify && ++mapped == kVisible) log_line(log, "ready");
      if (e.type == ClientMessage && (Atom)e.xclient.data.l[0] == wm_delete) {
        for (int i = 0; i < kWindows; ++i) {
          if (windows[i] != e.xclient.window) continue;
          char line[64];
          snprintf(line, sizeof line, "delete %s", names[i]);
          log_line(log, line);
          if (i < kVisible) {
            XDestroyWindow(d, windows[i]);
            XFlush(d);
            ++closed;
          }
        }
        /* Requests sent along with the last one still get logged before we go. */
        if (closed == kVisible && end > time(NULL) + 2) end = time(NULL) + 2;
      }
    }
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(ConnectionNumber(d), &fds);
    struct timeval slice = {0, 100000};
    select(ConnectionNumber(d) + 1, &fds, NULL, NULL, &slice);
  }
  XCloseDisplay(d);
  return closed == kVisible ? 0 : 4;
}
