// The host-kept clipboard is reached through the host library, the same on every system.
#include "platform/shared/host_clipboard.hpp"

#include <fmx/FMWrapper.h>

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace

Clipboard* host_clipboard() {
  static HostClipboard host;
  return FM_Clipboard_HostKept() ? &host : nullptr;
}

}  // namespace velmora::platform
