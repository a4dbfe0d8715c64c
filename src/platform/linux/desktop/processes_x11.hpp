// Inside the desktop companion: closing other programs' windows through X11.  Apart from
// the other parts, as Xlib's macros (None, Status, ...) clash with the seam's names.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/processes.hpp"

namespace velmora::platform::x11 {

CloseOutcome close_windows(const std::vector<std::uint32_t>& process_ids, int& asked);

}  // namespace velmora::platform::x11
