// The file and folder choosers on Linux: the desktop companion's, or no display.
#include "platform/file_dialogs.hpp"

#include "platform/linux/desktop.hpp"

namespace velmora::platform {

DialogRun run_chooser(const ChooserRequest& request, ChooserOutcome& outcome, std::string& path) {
  outcome = ChooserOutcome::Cancelled;
  path.clear();
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->run_chooser(request, outcome, path) : DialogRun::NoDisplay;
}

std::string file_type_description(std::string_view extension) {
  // The descriptions only label a chooser's type list: without a display there is no
  // chooser to label.
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->file_type_description(extension) : std::string();
}

}  // namespace velmora::platform
