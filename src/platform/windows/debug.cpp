// Debugger output on Windows: OutputDebugStringA takes native (ANSI) text as it is.
#include "platform/debug.hpp"

#include <string>

#include "platform/windows/win32.hpp"

namespace velmora::platform {

void debug_output(std::string_view text) {
  const std::string line(text);
  OutputDebugStringA(line.c_str());
}

}  // namespace velmora::platform
