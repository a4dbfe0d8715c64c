// The desktop companion's one export: the table the module finds with dlsym.  Opening it
// opens the display; the module calls nothing else unless that succeeded.
#include "platform/linux/desktop/companion.hpp"

#include <gtk/gtk.h>

namespace velmora::platform::desktop {

namespace {

const DesktopServices* lent = nullptr;

bool open(const DesktopServices* services) {
  if (services == nullptr || services->struct_size < sizeof(DesktopServices)) return false;
  lent = services;
  return gtk_init_check(nullptr, nullptr) != FALSE;
}

// Events that keep coming (an animation, another program flooding a window) must not keep
// the call here: what is still pending after this long waits for the next pump.
constexpr gint64 kPumpBudgetUs = 250 * 1000;

void pump_display() {
  if (gdk_display_get_default() == nullptr) return;
  const gint64 until = g_get_monotonic_time() + kPumpBudgetUs;
  while (gtk_events_pending() && g_get_monotonic_time() < until) gtk_main_iteration_do(FALSE);
}

Clipboard* clipboard() {
  return &gtk::display_clipboard();
}

}  // namespace

const DesktopServices& services() {
  return *lent;
}

void pump_messages() {
  lent->pump_host_events();
  pump_display();
}

}  // namespace velmora::platform::desktop

using velmora::platform::linux_backend::DesktopTable;
namespace gtk = velmora::platform::gtk;
namespace desktop = velmora::platform::desktop;

extern "C" __attribute__((visibility("default"))) const DesktopTable VelmoraDesktop_Table = {
    sizeof(DesktopTable),
    velmora::platform::linux_backend::kDesktopVersion,
    &desktop::open,
    &desktop::pump_display,
    &desktop::clipboard,
    &gtk::keep_clipboard_contents,
    &gtk::run_button_box,
    &gtk::run_input_box,
    &gtk::pick_color,
    &gtk::run_compression_dialog,
    &gtk::run_chooser,
    &gtk::file_type_description,
    &gtk::open_progress_dialog,
    &velmora::platform::x11::close_windows,
};
