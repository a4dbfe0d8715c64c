// Arbitrary bytes through the picture source's reader choice and every codec's probe
// and decode (whole, and smaller for a box), read through the same random-access input
// the files use.  A decode must deliver exactly the pixels its size says, agree with the
// probe on that size, when reduced still cover the box, and through a window hold the
// whole decode's pixels inside it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/picture_source.hpp"
#include "platform/codecs.hpp"

namespace {

using velmora::platform::CodecFormat;

class Memory final : public velmora::platform::CodecInput {
 public:
  Memory(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    if (n) std::memcpy(dst, data_ + offset, n);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

void run(CodecFormat format, const std::uint8_t* data, std::size_t size, int index) {
  using namespace velmora::platform;
  Memory in(data, size);
  CodecProbe probe;
  if (probe_picture(format, in, index, probe) != CodecStatus::ok) return;
  if (probe.width <= 0 || probe.height <= 0 || probe.image_count < 1) std::abort();
  // A whole decode allocates the whole picture: keep within the fuzzer's memory limit.
  DecodedPicture picture;
  if (std::int64_t{probe.width} * probe.height <= (1 << 16) &&
      decode_picture(format, in, index, 0, 0, picture) == CodecStatus::ok) {
    if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height)
      std::abort();
    if (picture.width != probe.width || picture.height != probe.height) std::abort();
    // Through a window: inside it, the same pixels as the whole decode.
    const PixelWindow window{probe.width / 3, probe.height / 4, probe.width / 3 + 5,
                             probe.height / 4 + 3};
    DecodedPicture part;
    if (decode_picture(format, in, index, 0, 0, part, window) == CodecStatus::ok) {
      if (part.pixels.size() != static_cast<std::size_t>(part.width) * part.height) std::abort();
      if (part.left < 0 || part.top < 0 || part.left + part.width > picture.width ||
          part.top + part.height > picture.height)
        std::abort();
      const std::int32_t right = std::min(window.right, probe.width);
      const std::int32_t bottom = std::min(window.bottom, probe.height);
      for (std::int32_t y = window.top; y < bottom; ++y)
        for (std::int32_t x = window.left; x < right; ++x) {
          if (x < part.left || y < part.top || x >= part.left + part.width ||
              y >= part.top + part.height)
            std::abort();
          const std::size_t at = static_cast<std::size_t>(y - part.top) * part.width +
                                 static_cast<std::size_t>(x - part.left);
          if (part.pixels[at] != picture.pixels[static_cast<std::size_t>(y) * picture.width + x])
            std::abort();
        }
    }
  }
  // Decoded smaller, as drawn: every reader averages blocks as its rows arrive, so the
  // pictures may be larger, and the result still covers the box.
  if (std::int64_t{probe.width} * probe.height > (1 << 22)) return;
  const std::int32_t box_w = std::max(1, probe.width / 8), box_h = std::max(1, probe.height / 5);
  if (decode_picture(format, in, index, box_w, box_h, picture) != CodecStatus::ok) return;
  if (picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height)
    std::abort();
  if (picture.width > probe.width || picture.height > probe.height) std::abort();
  if (picture.width < std::min(box_w, probe.width) ||
      picture.height < std::min(box_h, probe.height))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  velmora::image::PictureKind kind;
  if (velmora::image::detect_kind(data, size, kind) != 0) return 0;
  const int index = size > 0 ? data[size - 1] % 3 : 0;  // pages and frames too
  switch (kind) {
    case velmora::image::PictureKind::jpeg:
      run(CodecFormat::jpeg, data, size, 0);
      break;
    case velmora::image::PictureKind::png:
      run(CodecFormat::png, data, size, 0);
      break;
    case velmora::image::PictureKind::tiff:
      run(CodecFormat::tiff, data, size, index);
      break;
    case velmora::image::PictureKind::gif:
      run(CodecFormat::gif, data, size, index);
      break;
    default:
      break;
  }
  return 0;
}
