// The codec seam on Linux: one backend per library.
#include "platform/codecs.hpp"

#include "platform/linux/codec_backends.hpp"

namespace velmora::platform {

CodecStatus probe_picture(CodecFormat format, CodecInput& in, int index, CodecProbe& out) {
  switch (format) {
    case CodecFormat::jpeg:
      return codecs::jpeg_probe(in, index, out);
    case CodecFormat::png:
      return codecs::png_probe(in, index, out);
    case CodecFormat::tiff:
      return codecs::tiff_probe(in, index, out);
    case CodecFormat::gif:
      return codecs::gif_probe(in, index, out);
  }
  return CodecStatus::unsupported;
}

CodecStatus decode_picture(CodecFormat format, CodecInput& in, int index, std::int32_t min_width,
                           std::int32_t min_height, DecodedPicture& out,
                           const PixelWindow& window) {
  switch (format) {
    case CodecFormat::jpeg:
      return codecs::jpeg_decode(in, index, min_width, min_height, window, out);
    case CodecFormat::png:
      return codecs::png_decode(in, index, min_width, min_height, window, out);
    case CodecFormat::tiff:
      return codecs::tiff_decode(in, index, min_width, min_height, window, out);
    case CodecFormat::gif:
      return codecs::gif_decode(in, index, min_width, min_height, window, out);
  }
  return CodecStatus::unsupported;
}

}  // namespace velmora::platform
