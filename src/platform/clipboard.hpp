// The clipboard seam: named formats, each a block of bytes.  The plug-in lists what is on
// offer, reads one format, or replaces the whole content with a set of formats.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform {

// A device-independent bitmap without its file header (a "packed DIB").
inline constexpr std::string_view kClipboardDib = "CF_DIB";

struct ClipboardItem {
  std::string format;
  std::vector<std::uint8_t> data;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The formats on offer, in the order they are offered; false when the clipboard cannot
  // be opened.
  virtual bool formats(std::vector<std::string>& out) = 0;
  // The data of one format; false when it has none.
  virtual bool read(std::string_view format, std::vector<std::uint8_t>& out) = 0;
  // Replaces everything on the clipboard; false when it cannot be taken over.
  virtual bool replace(const std::vector<ClipboardItem>& items) = 0;
};

// The clipboard the host keeps when it has one, else the system's (the display's); with
// neither, a clipboard that cannot be opened.
Clipboard& system_clipboard();

// Hands what this process put on the clipboard to a clipboard manager, so that it outlives
// the process.  Called at shutdown.
void keep_clipboard_contents();

}  // namespace velmora::platform
