// The clipboard on Windows: the host-kept one when the host keeps one, else the system's,
// with the packed DIB as CF_DIB and every other format registered under its own name
// ("Mac-PICT", ...).
#include "platform/clipboard.hpp"

#include <cstring>
#include <new>

#include "platform/shared/host_clipboard.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

UINT format_id(std::string_view name) {
  if (name == kClipboardDib) return CF_DIB;
  return RegisterClipboardFormatW(win::wide(name).c_str());
}

std::string format_name(UINT id) {
  if (id == CF_DIB) return std::string(kClipboardDib);
  wchar_t name[256];
  const int n = GetClipboardFormatNameW(id, name, 256);
  return n > 0 ? win::narrow(std::wstring_view(name, static_cast<std::size_t>(n))) : std::string();
}

// Opened for the life of the object; the system's clipboard is shared by every program,
// so a few retries ride out another program's brief hold on it.
class OpenClipboardScope {
 public:
  OpenClipboardScope() {
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
      open_ = OpenClipboard(nullptr) != 0;
      if (!open_) Sleep(20);
    }
  }
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

class SystemClipboard final : public Clipboard {
 public:
  bool formats(std::vector<std::string>& out) override {
    out.clear();
    OpenClipboardScope scope;
    if (!scope.open()) return false;
    for (UINT id = EnumClipboardFormats(0); id != 0; id = EnumClipboardFormats(id)) {
      std::string name = format_name(id);
      if (!name.empty()) out.push_back(std::move(name));
    }
    return true;
  }

  bool read(std::string_view format, std::vector<std::uint8_t>& out) override {
    const UINT id = format_id(format);
    if (id == 0) return false;
    OpenClipboardScope scope;
    if (!scope.open()) return false;
    HANDLE data = GetClipboardData(id);
    if (data == nullptr) return false;
    const SIZE_T size = GlobalSize(data);
    const void* bytes = GlobalLock(data);
    if (bytes == nullptr) return false;
    out.assign(static_cast<const std::uint8_t*>(bytes),
               static_cast<const std::uint8_t*>(bytes) + size);
    GlobalUnlock(data);
    return !out.empty();
  }

  bool replace(const std::vector<ClipboardItem>& items) override {
    OpenClipboardScope scope;
    if (!scope.open() || !EmptyClipboard()) return false;
    for (const ClipboardItem& item : items) {
      const UINT id = format_id(item.format);
      if (id == 0) return false;
      HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, item.data.empty() ? 1 : item.data.size());
      if (block == nullptr) throw std::bad_alloc();
      void* dst = GlobalLock(block);
      if (!item.data.empty()) std::memcpy(dst, item.data.data(), item.data.size());
      GlobalUnlock(block);
      // Once set, the block is the system's.
      if (SetClipboardData(id, block) == nullptr) {
        GlobalFree(block);
        return false;
      }
    }
    return true;
  }
};

}  // namespace

Clipboard& system_clipboard() {
  static SystemClipboard system;
  if (Clipboard* host = host_clipboard()) return *host;
  return system;
}

// The system keeps what was put on the clipboard after the process ends.
void keep_clipboard_contents() {}

}  // namespace velmora::platform
