// The host-kept clipboard is reached through our host's services table, the same on every
// system; the real host keeps none.
#include "platform/shared/host_clipboard.hpp"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host_services.hpp"

namespace velmora::platform {

namespace {

class HostClipboard final : public Clipboard {
 public:
  explicit HostClipboard(const VLM_HostServices& s) : s_(s) {}

  bool formats(std::vector<std::string>& out) override {
    out.clear();
    const std::uint32_t n = s_.clipboardFormatCount();
    for (std::uint32_t i = 0; i < n; ++i) {
      char name[256];
      if (s_.clipboardFormatName(i, name, sizeof name)) out.emplace_back(name);
    }
    return true;
  }

  bool read(std::string_view format, std::vector<std::uint8_t>& out) override {
    const std::string name(format);
    std::uint64_t size = 0;
    if (!s_.clipboardRead(name.c_str(), nullptr, &size) || size == 0) return false;
    if (size > out.max_size()) throw std::bad_alloc();
    out.resize(static_cast<std::size_t>(size));
    if (!s_.clipboardRead(name.c_str(), out.data(), &size)) return false;
    out.resize(static_cast<std::size_t>(size));
    return !out.empty();
  }

  bool replace(const std::vector<ClipboardItem>& items) override {
    s_.clipboardEmpty();
    for (const ClipboardItem& item : items) {
      if (!s_.clipboardAdd(item.format.c_str(), item.data.data(), item.data.size())) {
        throw std::bad_alloc();
      }
    }
    return true;
  }

 private:
  const VLM_HostServices& s_;
};

}  // namespace

Clipboard* host_clipboard() {
  const VLM_HostServices* s = host_services();
  if (s == nullptr || !s->clipboardHostKept()) return nullptr;
  static HostClipboard host(*s);
  return &host;
}

}  // namespace velmora::platform
