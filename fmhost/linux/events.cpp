// Waiting on Linux: standard input watched from the GLib main context that GTK (and the
// module's clipboard and dialogs) dispatch from, so one loop serves both, whenever the
// toolkit is in the process; a plain poll when it is not.
#include "events.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "document_window.hpp"
#include "linux/desktop_table.hpp"

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

int window_closed(void* window) {
  return static_cast<const DocumentWindow*>(window)->closed() ? 1 : 0;
}

int window_shown(void* window) {
  return static_cast<const DocumentWindow*>(window)->shown() ? 1 : 0;
}

// Without the toolkit in the process there are no display events to keep flowing: a
// plain wait on standard input.
Wake poll_input(int timeout_ms) {
  pollfd in{STDIN_FILENO, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&in, 1, timeout_ms);
    if (n > 0) return Wake::Input;  // bytes, end of input, or an error the read will tell
    if (n == 0) return Wake::Timeout;
    if (errno != EINTR) return Wake::Input;
  }
}

}  // namespace

Wake dispatch_until_input(const DocumentWindow& window, int timeout_ms) {
  // No standard input at all (closed before fmhost started): the read reports its end.
  if (::fcntl(STDIN_FILENO, F_GETFD) < 0) return Wake::Input;
  const FmhostDesktop* d = window.shown() ? desktop() : desktop_if_toolkit_loaded();
  if (d == nullptr) return window.closed() ? Wake::WindowClosed : poll_input(timeout_ms);
  void* context = const_cast<DocumentWindow*>(&window);
  switch (d->wait_input(timeout_ms, &window_closed, context)) {
    case 0:
      return Wake::Input;
    case 1:
      return Wake::Timeout;
    default:
      return Wake::WindowClosed;
  }
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
  if (!window.shown()) return;
  if (const FmhostDesktop* d = desktop()) {
    d->dispatch_while(&window_shown, const_cast<DocumentWindow*>(&window));
  }
}

}  // namespace velmora::fmhost
