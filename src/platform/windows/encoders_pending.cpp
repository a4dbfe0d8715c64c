// Picture encoders not yet built on Windows: every encode fails, never a file.
#include "platform/encoders.hpp"

namespace velmora::platform {

EncodeStatus encode_picture(EncodeFormat, const EncodeRequest&, std::vector<std::uint8_t>& out) {
  out.clear();
  return EncodeStatus::failed;
}

}  // namespace velmora::platform
