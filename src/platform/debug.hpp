// The platform's debugger output: where the module writes its few diagnostic lines.
#pragma once
#include <string_view>

namespace velmora::platform {

// Writes text as it is (callers add their own line ends).
void debug_output(std::string_view text);

}  // namespace velmora::platform
