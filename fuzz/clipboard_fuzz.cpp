// Arbitrary bytes offered on a clipboard under the name the first byte picks (a PICT
// format, a bitmap, PNG, JPEG, TIFF or GIF): reading must fail cleanly or yield a PICT
// picture, and that picture must be writable back (PICT and bitmap) and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "image/clipboard_picture.hpp"
#include "image/pict.hpp"

namespace {

constexpr const char* kNames[] = {"Mac-PICT",   "QT-PICT",    "CF_DIB",   "image/png",
                                  "image/jpeg", "image/tiff", "image/gif"};

class Offer final : public velmora::platform::Clipboard {
 public:
  std::vector<std::string> names;
  std::vector<std::uint8_t> bytes;
  std::vector<velmora::platform::ClipboardItem> written;

  bool formats(std::vector<std::string>& out) override {
    out = names;
    return true;
  }
  bool read(std::string_view format, std::vector<std::uint8_t>& out) override {
    if (format != names.front() || bytes.empty()) return false;
    out = bytes;
    return true;
  }
  bool replace(const std::vector<velmora::platform::ClipboardItem>& items) override {
    written = items;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmora::image;
  if (size < 1) return 0;
  Offer clipboard;
  clipboard.names.push_back(kNames[data[0] % std::size(kNames)]);
  clipboard.bytes.assign(data + 1, data + size);
  std::vector<std::uint8_t> pict;
  if (read_clipboard_picture(clipboard, pict) != 0) {
    if (!pict.empty()) std::abort();
    return 0;
  }
  Description d;
  if (describe_pict(pict, d) != 0) return 0;  // PICT data handed through as it was
  if (std::int64_t{d.bounds.width()} * d.bounds.height() > (1 << 18)) return 0;
  // Pictures wider than the recorder writes in one row (8191 pixels) or taller than a
  // coordinate spans are read but cannot be recorded again.
  if (d.bounds.width() > 0x1FFF || d.bounds.height() > 32767) return 0;
  if (write_clipboard_picture(clipboard, pict) != 0) return 0;
  if (clipboard.written.size() != 2) std::abort();
  Offer again;
  again.names = {"CF_DIB"};
  again.bytes = clipboard.written[1].data;
  std::vector<std::uint8_t> back;
  if (read_clipboard_picture(again, back) != 0) std::abort();
  return 0;
}
