// The progress dialog on Linux: the desktop companion's, or no display.
#include "platform/progress.hpp"

#include "platform/linux/desktop.hpp"

namespace velmora::platform {

ProgressDialogOpen open_progress_dialog(const resources::DialogTemplate& dialog,
                                        const std::string& title, const std::string& message,
                                        std::unique_ptr<ProgressDialog>& out) {
  out.reset();
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->open_progress_dialog(dialog, title, message, out)
                      : ProgressDialogOpen::NoDisplay;
}

// The arrow height of a standard scroll bar at 96 dots per inch.
int scroll_arrow_height() {
  return 17;
}

}  // namespace velmora::platform
