// Asking other programs' windows to close on Linux: through the display, which only the
// desktop companion reaches.
#include "platform/linux/desktop.hpp"
#include "platform/processes.hpp"

namespace velmora::platform {

CloseOutcome close_windows(const std::vector<std::uint32_t>& process_ids, int& asked) {
  asked = 0;
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->close_windows(process_ids, asked) : CloseOutcome::NoDisplay;
}

}  // namespace velmora::platform
