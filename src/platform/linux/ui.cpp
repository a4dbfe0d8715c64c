// The user interface seam on Linux: the display and the message queue are GTK's (the
// document window is the host's, shared with every system).
#include "platform/ui.hpp"

#include <gtk/gtk.h>

#include <cstdlib>
#include <initializer_list>

#include "platform/shared/host_window.hpp"

namespace velmora::platform {

namespace {

bool has_display_variable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return true;
  }
  return false;
}

}  // namespace

bool display_available() {
  // Opening a display that is not there fails at once; the answer is kept so that a
  // headless host pays for the attempt only once.
  static const bool available = has_display_variable() && gtk_init_check(nullptr, nullptr);
  return available;
}

void pump_messages() {
  pump_host_events();
  if (gdk_display_get_default() == nullptr) return;
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace velmora::platform
