// Picture codecs (JPEG, PNG, TIFF, GIF): measuring a picture from its headers without
// decoding pixels, and decoding it to 0xAARRGGBB pixels.  The bytes come through a
// random-access input, so a probe reads only what the headers need.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::platform {

enum class CodecFormat { jpeg, png, tiff, gif };

class CodecInput {
 public:
  virtual ~CodecInput() = default;
  virtual std::uint64_t size() const = 0;
  // Copies the n bytes at offset to dst; false when they cannot all be read.
  virtual bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) = 0;
};

enum class CodecStatus { ok, bad_data, unsupported, no_memory, bad_index };

struct CodecProbe {
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Depth in the picture layer's terms: 1..32 for colour and indexed pictures, 34, 36
  // and 40 for grey scales of 2, 4 and 8 (or more) bits.
  std::int16_t depth = 32;
  std::int32_t hres = 72 << 16;  // 16.16 pixels per inch; 72 when the file does not say
  std::int32_t vres = 72 << 16;
  std::int32_t image_count = 1;
};

// A part of a picture in its own pixels: columns [left, right), rows [top, bottom).  An
// empty one stands for the whole picture.
struct PixelWindow {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

struct DecodedPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;  // rows top to bottom
  // Decoded through a window, the pixels are one part of the whole picture at the
  // decoded scale (whole_width x whole_height), starting at column left and row top.
  // A whole of 0 x 0: the pixels are the whole picture.
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t whole_width = 0;
  std::int32_t whole_height = 0;
};

// Pictures of more pixels than this are refused as too big for memory.
inline constexpr std::int64_t kMaxDecodedPixels = std::int64_t{1} << 28;

// `index`: 0-based image of a multi-image file (TIFF pages, GIF frames).
CodecStatus probe_picture(CodecFormat format, CodecInput& in, int index, CodecProbe& out);
// With a box (min_width, min_height > 0) the decoder may hand back a smaller picture
// that still covers the box (JPEG decodes at 1/2, 1/4 or 1/8 in the DCT domain; PNG
// averages whole blocks of pixels as its rows arrive, so the full picture is never held).
// With a window only the part of the picture inside it need be decoded (the decoder may
// give more, out to whole blocks or the whole picture); the pixel limit applies to what
// is decoded, so a part of a picture too large to decode whole can still be shown.
CodecStatus decode_picture(CodecFormat format, CodecInput& in, int index, std::int32_t min_width,
                           std::int32_t min_height, DecodedPicture& out,
                           const PixelWindow& window = {});

}  // namespace velmora::platform
