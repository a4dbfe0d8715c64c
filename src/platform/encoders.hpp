// Picture encoders (JPEG, PNG, TIFF, GIF): 0xAARRGGBB pixels written as a file's bytes
// in memory, at a pixel depth and quality in the picture layer's terms.  Writing the
// bytes to disk is file_write.hpp's job, so that a failed encode never touches a file.
#pragma once
#include <cstdint>
#include <vector>

namespace velmora::platform {

enum class EncodeFormat { jpeg, png, tiff, gif };

enum class EncodeStatus { ok, bad_input, no_memory, failed };

// Spatial quality: 0 (least) .. 1023 (most), 1024 lossless.
inline constexpr std::int32_t kQualityNormal = 512;
inline constexpr std::int32_t kQualityHigh = 768;
inline constexpr std::int32_t kQualityLossless = 1024;

struct EncodeRequest {
  const std::uint32_t* pixels = nullptr;  // rows top to bottom, `width` words to a row
  std::int32_t width = 0;
  std::int32_t height = 0;
  // 1, 2, 4, 8: that many bits of colour index; 16, 24, 32: direct colour (16 keeps five
  // bits a component); 34, 36, 40: grey of 2, 4 and 8 bits.  A format that cannot hold a
  // depth takes the nearest it can (JPEG: grey or full colour; GIF: at most 256 colours).
  std::int16_t depth = 32;
  std::int32_t quality = kQualityHigh;  // JPEG only; the other formats are lossless
  std::int32_t hres = 72 << 16;         // 16.16 pixels per inch (GIF cannot hold it)
  std::int32_t vres = 72 << 16;
  // Keep the pixels' alpha where the format and depth can hold it (PNG at 32 bits).
  bool alpha = false;
};

// Depths the encoders accept.
constexpr bool valid_depth(std::int32_t depth) {
  switch (depth) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 34:
    case 36:
    case 40:
      return true;
    default:
      return false;
  }
}

// `out` is replaced by the whole file; left empty on failure.
EncodeStatus encode_picture(EncodeFormat format, const EncodeRequest& request,
                            std::vector<std::uint8_t>& out);

}  // namespace velmora::platform
