// The compression settings dialog on Linux: the desktop companion's, or no display.
#include "platform/compression_dialog.hpp"

#include "platform/linux/desktop.hpp"

namespace velmora::platform {

DialogRun run_compression_dialog(CompressionDialogContent& content, bool& accepted) {
  accepted = false;
  const auto* d = linux_backend::desktop();
  return d != nullptr ? d->run_compression_dialog(content, accepted) : DialogRun::NoDisplay;
}

}  // namespace velmora::platform
