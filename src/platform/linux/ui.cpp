// The user interface seam on Linux: the display and its message queue are the desktop
// companion's (the document window is the host's, shared with every system).
#include "platform/ui.hpp"

#include "platform/linux/desktop.hpp"
#include "platform/shared/host_window.hpp"

namespace velmora::platform {

bool display_available() {
  // Opening a display that is not there fails at once; the answer is kept so that a
  // headless host pays for the attempt only once.
  return linux_backend::desktop() != nullptr;
}

void pump_messages() {
  pump_host_events();
  // Nothing of the module's waits on a display it never opened.
  if (const auto* d = linux_backend::desktop_if_loaded()) d->pump_messages();
}

}  // namespace velmora::platform
