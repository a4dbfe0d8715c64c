// Arbitrary bytes through the EXIF reader: as a whole file (the APP1 scan, then the walk)
// and as TIFF data directly, so that most inputs reach the IFD walk.  Both runs of each
// (measure, then fill) must agree, and a short buffer must keep whole lines only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "image/exif_reader.hpp"

namespace {

void check(std::size_t (*format)(std::span<const std::uint8_t>, char*, std::size_t),
           std::span<const std::uint8_t> bytes) {
  const std::size_t length = format(bytes, nullptr, 0);
  std::vector<char> text(length + 2, '\x7F');
  if (format(bytes, text.data(), text.size()) != length || text[length] != '\0') std::abort();
  if (length != 0 && text[length - 1] != ' ') std::abort();
  if (std::memchr(text.data(), '\0', length) != nullptr && length > 0) {
    // NUL bytes are never part of the text.
    std::abort();
  }
  if (length > 1) {
    std::vector<char> shorter(length / 2 + 1, '\x7F');
    const std::size_t cut = format(bytes, shorter.data(), shorter.size());
    if (cut >= shorter.size() || shorter[cut] != '\0') std::abort();
    if (std::memcmp(shorter.data(), text.data(), cut) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  check(velmora::image::format_exif, bytes);
  check(velmora::image::format_tiff, bytes);
  return 0;
}
