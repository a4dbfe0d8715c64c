// The user interface seam: the host's document window and the message queue.
#pragma once
#include <cstdint>

namespace velmora::platform {

using WindowHandle = std::uintptr_t;  // 0 for none

// The host's front document window, or 0 when the host shows none.
WindowHandle host_window();
// Removes and dispatches every message waiting on this thread.
void pump_messages();

}  // namespace velmora::platform
