// The user interface seam before the document window exists: fmhost shows no window
// yet, so there is no host window and no message queue to pump.
#include "platform/ui.hpp"

namespace velmora::platform {

WindowHandle host_window() { return 0; }

void pump_messages() {}

}  // namespace velmora::platform
