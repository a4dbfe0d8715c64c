// Reading and writing clipboard pictures.
#include "image/clipboard_picture.hpp"

namespace velmora::image {

Err read_clipboard_picture(std::vector<std::uint8_t>& pict) {
  pict.clear();
  return kNotImplemented;
}

Err write_clipboard_picture(const std::vector<std::uint8_t>& pict) {
  if (pict.empty()) return kMemFull;
  return kNotImplemented;
}

}  // namespace velmora::image
