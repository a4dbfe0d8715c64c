// Debugger output on Linux: standard error, when the host asks for it with
// VELMORA_DEBUG (fmhost --debug sets it).  Silent otherwise, like an unattached debugger.
#include "platform/debug.hpp"

#include <unistd.h>

#include <cstdlib>

namespace velmora::platform {

void debug_output(std::string_view text) {
  static const bool enabled = [] {
    const char* v = std::getenv("VELMORA_DEBUG");
    return v != nullptr && *v != '\0' && *v != '0';
  }();
  if (!enabled) return;
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace velmora::platform
