// The encoder seam's entry: checks the request, then hands it to the library backend.
#include "platform/encoders.hpp"

#include "platform/linux/encoder_backends.hpp"

namespace velmora::platform {

EncodeStatus encode_picture(EncodeFormat format, const EncodeRequest& request,
                            std::vector<std::uint8_t>& out) {
  out.clear();
  if (request.pixels == nullptr || request.width <= 0 || request.height <= 0 ||
      request.width > 0xFFFF || request.height > 0xFFFF || !valid_depth(request.depth)) {
    return EncodeStatus::bad_input;
  }
  switch (format) {
    case EncodeFormat::jpeg:
      return encoders::jpeg_encode(request, out);
    case EncodeFormat::png:
      return encoders::png_encode(request, out);
    case EncodeFormat::tiff:
      return encoders::tiff_encode(request, out);
    case EncodeFormat::gif:
      return encoders::gif_encode(request, out);
  }
  return EncodeStatus::bad_input;
}

}  // namespace velmora::platform
