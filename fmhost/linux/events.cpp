// Waiting on Linux: standard input watched from the GLib main context that GTK (and the
// module's clipboard and dialogs) dispatch from, so one loop serves both.
#include "events.hpp"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <cerrno>

#include "document_window.hpp"

namespace velmora::fmhost {

namespace {

// A closed standard input would be taken by the next descriptor fmhost opens (GLib's own
// wake-up descriptor among them) and then be read as input: /dev/null keeps its place and
// reads as end of input.
const bool g_input_placed = [] {
  if (::fcntl(STDIN_FILENO, F_GETFD) < 0) {
    const int fd = ::open("/dev/null", O_RDONLY);
    if (fd > STDIN_FILENO) {
      ::dup2(fd, STDIN_FILENO);
      ::close(fd);
    }
  }
  return true;
}();

struct Waiting {
  bool input = false;
  bool timeout = false;
  guint input_source = 0;
  guint timeout_source = 0;
};

gboolean input_ready(gint, GIOCondition, gpointer data) {
  auto* w = static_cast<Waiting*>(data);
  w->input = true;
  w->input_source = 0;
  return G_SOURCE_REMOVE;
}

gboolean timed_out(gpointer data) {
  auto* w = static_cast<Waiting*>(data);
  w->timeout = true;
  w->timeout_source = 0;
  return G_SOURCE_REMOVE;
}

}  // namespace

Wake dispatch_until_input(const DocumentWindow& window, int timeout_ms) {
  // No standard input at all (closed before fmhost started): the read reports its end.
  if (::fcntl(STDIN_FILENO, F_GETFD) < 0) return Wake::Input;
  Waiting w;
  // End of input and a broken pipe wake the watch as well; the read then tells which.
  w.input_source = g_unix_fd_add(
      STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR | G_IO_NVAL),
      input_ready, &w);
  if (timeout_ms >= 0) {
    w.timeout_source = g_timeout_add(static_cast<guint>(timeout_ms), timed_out, &w);
  }
  while (!w.input && !w.timeout && !window.closed()) g_main_context_iteration(nullptr, TRUE);
  if (w.input_source != 0) g_source_remove(w.input_source);
  if (w.timeout_source != 0) g_source_remove(w.timeout_source);
  if (w.input) return Wake::Input;
  return w.timeout ? Wake::Timeout : Wake::WindowClosed;
}

bool read_input(std::string& into) {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n > 0) {
      into.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    // End of input, or input that cannot be read (a closed descriptor): either ends it.
    return n < 0 && errno == EAGAIN;
  }
}

void dispatch_until_closed(const DocumentWindow& window) {
  while (window.shown()) g_main_context_iteration(nullptr, TRUE);
}

}  // namespace velmora::fmhost
