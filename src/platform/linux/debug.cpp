// Debugger output on Linux: standard error in UTF-8, when the host asks for it with
// VELMORA_DEBUG (fmhost --debug sets it).  Silent otherwise, like an unattached debugger.
#include "platform/debug.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/text.hpp"

namespace velmora::platform {

void debug_output(std::string_view text) {
  static const bool enabled = [] {
    const char* v = std::getenv("VELMORA_DEBUG");
    return v != nullptr && *v != '\0' && *v != '0';
  }();
  if (!enabled) return;
  // The lines come as native text; the terminal that shows them speaks UTF-8.
  const std::string utf8 = native_to_utf8(text);
  const char* p = utf8.data();
  std::size_t left = utf8.size();
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace velmora::platform
