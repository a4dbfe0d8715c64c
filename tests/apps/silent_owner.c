/* A clipboard owner that never answers: it takes the CLIPBOARD selection, writes "ready"
 * to the log file given as its argument and then reads no event at all, so every request
 * for the clipboard's contents or targets waits for an answer that never comes.  It ends
 * when killed, or after 60 seconds. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <unistd.h>

enum { kLifetimeSeconds = 60 };

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Display* d = XOpenDisplay(NULL);
  if (d == NULL) return 3;
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  XSetSelectionOwner(d, clipboard, w, CurrentTime);
  XSync(d, False);
  if (XGetSelectionOwner(d, clipboard) != w) return 4;
  FILE* f = fopen(argv[1], "w");
  if (f == NULL) return 5;
  fputs("ready\n", f);
  fclose(f);
  sleep(kLifetimeSeconds);
  XCloseDisplay(d);
  return 0;
}
