// The dialog seam on Linux: the desktop companion's GTK dialogs, or no display.
#include "platform/dialogs.hpp"

#include "platform/linux/desktop.hpp"

namespace velmora::platform {

DialogRun run_button_box(const resources::DialogTemplate& dialog, const ButtonBoxContent& content,
                         int& ended_by) {
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->run_button_box(dialog, content, ended_by) : DialogRun::NoDisplay;
}

DialogRun run_input_box(const resources::DialogTemplate& dialog, InputBoxContent& content,
                        int& ended_by) {
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->run_input_box(dialog, content, ended_by) : DialogRun::NoDisplay;
}

DialogRun pick_color(const SystemDialogNames& names, std::uint8_t rgb[3], bool& accepted) {
  accepted = false;
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->pick_color(names, rgb, accepted) : DialogRun::NoDisplay;
}

}  // namespace velmora::platform
