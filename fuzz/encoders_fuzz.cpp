// Arbitrary pictures (size, depth, quality, pixels from the bytes) through every encoder
// and back through the matching decoder: an encode must succeed, and the decoded
// picture must have the size that was written.  Also every exporter by file type, and
// the picture recorded at the depth and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/export_types.hpp"
#include "image/exporter.hpp"
#include "image/pict.hpp"
#include "platform/codecs.hpp"
#include "platform/encoders.hpp"

namespace {

using velmora::platform::CodecFormat;
using velmora::platform::EncodeFormat;

class Memory final : public velmora::platform::CodecInput {
 public:
  explicit Memory(const std::vector<std::uint8_t>& b) : b_(b) {}
  std::uint64_t size() const override { return b_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > b_.size() || n > b_.size() - offset) return false;
    if (n) std::memcpy(dst, b_.data() + offset, n);
    return true;
  }

 private:
  const std::vector<std::uint8_t>& b_;
};

constexpr std::int16_t kDepths[] = {1, 2, 4, 8, 16, 24, 32, 34, 36, 40};
constexpr EncodeFormat kEncode[] = {EncodeFormat::jpeg, EncodeFormat::png, EncodeFormat::tiff,
                                    EncodeFormat::gif};
constexpr CodecFormat kDecode[] = {CodecFormat::jpeg, CodecFormat::png, CodecFormat::tiff,
                                   CodecFormat::gif};
constexpr std::uint32_t kTypes[] = {velmora::image::kTypePict, velmora::image::kTypeQtif,
                                    velmora::image::kTypeBmp,  velmora::image::kTypeTga,
                                    velmora::image::kTypeSgi,  velmora::image::kTypePsd};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const int format = data[0] % 4;
  const std::int16_t depth = kDepths[data[1] % 10];
  const std::int32_t width = 1 + data[2] % 48;
  const std::int32_t height = 1 + data[3] % 48;
  const std::int32_t quality = ((data[4] << 8) | data[5]) % 1025;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    std::uint32_t p = 0xFF000000u;
    for (int k = 0; k < 3; ++k) p |= std::uint32_t{data[6 + (i * 3 + k) % (size - 6)]} << (8 * k);
    pixels[i] = p;
  }
  velmora::platform::EncodeRequest r;
  r.pixels = pixels.data();
  r.width = width;
  r.height = height;
  r.depth = depth;
  r.quality = quality;
  std::vector<std::uint8_t> bytes;
  if (velmora::platform::encode_picture(kEncode[format], r, bytes) !=
      velmora::platform::EncodeStatus::ok) {
    std::abort();
  }
  Memory in(bytes);
  velmora::platform::DecodedPicture decoded;
  if (velmora::platform::decode_picture(kDecode[format], in, 0, 0, 0, decoded) !=
          velmora::platform::CodecStatus::ok ||
      decoded.width != width || decoded.height != height) {
    std::abort();
  }

  velmora::image::Pixmap world;
  if (world.create(velmora::image::PixRect{0, 0, width, height}) != velmora::kNoErr) return 0;
  std::memcpy(world.row(0), pixels.data(), pixels.size() * sizeof(std::uint32_t));
  velmora::image::ExportSettings settings;
  settings.type = kTypes[data[1] % 6];
  settings.depth = depth;
  if (velmora::image::encode_picture_file(world, settings, bytes) != velmora::kNoErr) std::abort();

  // A recording at the depth reads back at its size, whatever colours the world holds.
  std::vector<std::uint8_t> pict;
  if (velmora::image::write_pict(world, velmora::image::to_fixed(72), velmora::image::to_fixed(72),
                                 pict, velmora::image::kDitherCopy, depth) != velmora::kNoErr) {
    std::abort();
  }
  velmora::image::Pixmap back;
  if (velmora::image::read_pict(pict, back) != velmora::kNoErr || back.width() != width ||
      back.height() != height) {
    std::abort();
  }
  return 0;
}
