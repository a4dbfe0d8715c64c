// The progress seam: the modeless progress dialog, owned by the host's window, and the
// one system measure the in-window bar takes its height from.  Texts are UTF-8.
#pragma once
#include <memory>
#include <string>

#include "resources/dialog_templates.hpp"

namespace velmora::platform {

// A shown progress dialog; destroying the object destroys the dialog.  Its state only
// changes while messages are dispatched (pump_messages in platform/ui.hpp).
class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;
  // Cancel was pressed, or Escape typed, since the dialog was shown.
  virtual bool cancelled() const = 0;
  virtual void hide() = 0;
  // Value mode: the bar filled to `fraction` (0 to 1).
  virtual void show_fraction(double fraction) = 0;
  // Barber mode: the stripes move one step.
  virtual void advance_stripe() = 0;
};

enum class ProgressDialogOpen { Shown, NoDisplay, Failed };

// Builds the dialog from its template, sets a non-empty title and message, and shows it
// without blocking.
ProgressDialogOpen open_progress_dialog(const resources::DialogTemplate& dialog,
                                        const std::string& title, const std::string& message,
                                        std::unique_ptr<ProgressDialog>& out);

// Height in pixels of a vertical scroll bar's arrow: the in-window bar's height.
int scroll_arrow_height();

}  // namespace velmora::platform
