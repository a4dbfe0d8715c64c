// Picture codecs and encoders not yet built on Windows: unsupported, never a picture.
#include "platform/codecs.hpp"
#include "platform/encoders.hpp"

namespace velmora::platform {

CodecStatus probe_picture(CodecFormat, CodecInput&, int, CodecProbe&) {
  return CodecStatus::unsupported;
}

CodecStatus decode_picture(CodecFormat, CodecInput&, int, std::int32_t, std::int32_t,
                           DecodedPicture&) {
  return CodecStatus::unsupported;
}

EncodeStatus encode_picture(EncodeFormat, const EncodeRequest&, std::vector<std::uint8_t>& out) {
  out.clear();
  return EncodeStatus::failed;
}

}  // namespace velmora::platform
