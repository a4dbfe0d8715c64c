// Choosing the clipboard: the one the host keeps (a host without a display), else the
// display's, else none.  The host-kept one is reached through the host library.
#include "platform/clipboard.hpp"

#include <fmx/FMWrapper.h>

#include <new>

#include "platform/linux/clipboard_gtk.hpp"
#include "platform/ui.hpp"

namespace velmora::platform {

namespace {

class HostClipboard final : public Clipboard {
 public:
  bool formats(std::vector<std::string>& out) override {
    out.clear();
    const std::uint32_t n = FM_Clipboard_FormatCount();
    for (std::uint32_t i = 0; i < n; ++i) {
      char name[256];
      if (FM_Clipboard_FormatName(i, name, sizeof name)) out.emplace_back(name);
    }
    return true;
  }

  bool read(std::string_view format, std::vector<std::uint8_t>& out) override {
    const std::string name(format);
    std::uint64_t size = 0;
    if (!FM_Clipboard_Read(name.c_str(), nullptr, &size) || size == 0) return false;
    if (size > out.max_size()) throw std::bad_alloc();
    out.resize(static_cast<std::size_t>(size));
    if (!FM_Clipboard_Read(name.c_str(), out.data(), &size)) return false;
    out.resize(static_cast<std::size_t>(size));
    return !out.empty();
  }

  bool replace(const std::vector<ClipboardItem>& items) override {
    FM_Clipboard_Empty();
    for (const ClipboardItem& item : items) {
      if (!FM_Clipboard_Add(item.format.c_str(), item.data.data(), item.data.size())) {
        throw std::bad_alloc();
      }
    }
    return true;
  }
};

// No host clipboard and no display: nothing can be opened.
class NoClipboard final : public Clipboard {
 public:
  bool formats(std::vector<std::string>&) override { return false; }
  bool read(std::string_view, std::vector<std::uint8_t>&) override { return false; }
  bool replace(const std::vector<ClipboardItem>&) override { return false; }
};

}  // namespace

Clipboard& system_clipboard() {
  static HostClipboard host;
  static NoClipboard none;
  if (FM_Clipboard_HostKept()) return host;
  if (display_available()) return display_clipboard();
  return none;
}

}  // namespace velmora::platform
