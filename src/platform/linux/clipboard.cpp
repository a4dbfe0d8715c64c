// Choosing the clipboard: the one the host keeps (a host without a display), else the
// display's (the desktop companion's), else none.  The host-kept one is reached through
// the host library.
#include "platform/clipboard.hpp"

#include "platform/linux/desktop.hpp"
#include "platform/shared/host_clipboard.hpp"

namespace velmora::platform {

namespace {

// No host clipboard and no display: nothing can be opened.
class NoClipboard final : public Clipboard {
 public:
  bool formats(std::vector<std::string>&) override { return false; }
  bool read(std::string_view, std::vector<std::uint8_t>&) override { return false; }
  bool replace(const std::vector<ClipboardItem>&) override { return false; }
};

}  // namespace

Clipboard& system_clipboard() {
  static NoClipboard none;
  if (Clipboard* host = host_clipboard()) return *host;
  if (const auto* d = linux_backend::desktop()) return *d->clipboard();
  return none;
}

void keep_clipboard_contents() {
  // Only a process that opened the display can own the clipboard; shutting down never
  // loads the companion for that.
  if (const auto* d = linux_backend::desktop_if_loaded()) d->keep_clipboard_contents();
}

}  // namespace velmora::platform
