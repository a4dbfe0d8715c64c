// Codecs of the standard compression and the round trip through them.  Lossless codecs
// with a reduced depth go through PNG, which holds every depth exactly.
#include "image/compression.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/export_types.hpp"
#include "params/readers.hpp"
#include "platform/codecs.hpp"
#include "platform/encoders.hpp"

namespace velmora::image {

const std::array<CodecEntry, 6> kCodecs = {{
    {type_code("jpeg"), "Photo - JPEG", CodecCarrier::jpeg, kTypeJpeg},
    {type_code("png "), "PNG", CodecCarrier::png, kTypePng},
    {type_code("tiff"), "TIFF", CodecCarrier::tiff, kTypeTiff},
    {type_code("gif "), "GIF", CodecCarrier::gif, kTypeGif},
    {type_code("WRLE"), "BMP", CodecCarrier::none, kTypeBmp},
    {type_code("raw "), "None", CodecCarrier::none, 0},
}};

namespace {

class MemoryInput final : public platform::CodecInput {
 public:
  explicit MemoryInput(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
    std::memcpy(dst, bytes_.data() + offset, n);
    return true;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
};

struct Carrier {
  platform::EncodeFormat encode;
  platform::CodecFormat decode;
};

Carrier carrier_of(CodecCarrier c) {
  switch (c) {
    case CodecCarrier::jpeg:
      return {platform::EncodeFormat::jpeg, platform::CodecFormat::jpeg};
    case CodecCarrier::tiff:
      return {platform::EncodeFormat::tiff, platform::CodecFormat::tiff};
    case CodecCarrier::gif:
      return {platform::EncodeFormat::gif, platform::CodecFormat::gif};
    default:
      return {platform::EncodeFormat::png, platform::CodecFormat::png};
  }
}

Err copy_world(const Pixmap& world, Pixmap& out) {
  try {
    out = world;
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  return kNoErr;
}

}  // namespace

const CodecEntry* find_codec(std::uint32_t type) {
  for (const CodecEntry& c : kCodecs) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

CompressSettings default_settings(const Description& picture) {
  CompressSettings s;
  s.codec = kCodecs[0].type;
  s.quality = platform::kQualityNormal;
  s.depth = picture.depth == 32 ? 24 : picture.depth;
  if (!platform::valid_depth(s.depth)) s.depth = 24;
  return s;
}

Err read_settings(const params::Store& s, CompressSettings& settings) {
  std::uint32_t codec = 0;
  if (params::four_cc(s, "CODEC", codec)) settings.codec = codec;
  std::int32_t n = 0;
  if (params::validated_integer(s, "QUALITY", n)) settings.quality = std::clamp(n, 0, 1024);
  if (params::validated_integer(s, "DEPTH", n)) {
    if (!platform::valid_depth(n)) return kParamErr;
    settings.depth = static_cast<std::int16_t>(n);
  }
  return kNoErr;
}

Err compress_world(const Pixmap& world, const CompressSettings& settings, Pixmap& out) {
  const CodecEntry* codec = find_codec(settings.codec);
  if (codec == nullptr) return kNoCodec;
  if (world.empty()) return kParamErr;
  // Without an encoder of its own a codec only changes what the depth removes.
  if (codec->carrier == CodecCarrier::none && settings.depth >= 24 && settings.depth <= 32) {
    return copy_world(world, out);
  }
  const Carrier carrier = carrier_of(codec->carrier);
  platform::EncodeRequest r;
  r.pixels = world.pixels().data();
  r.width = world.width();
  r.height = world.height();
  r.depth = settings.depth;
  r.quality = settings.quality;
  std::vector<std::uint8_t> bytes;
  switch (platform::encode_picture(carrier.encode, r, bytes)) {
    case platform::EncodeStatus::ok:
      break;
    case platform::EncodeStatus::no_memory:
      return kMemFull;
    case platform::EncodeStatus::bad_input:
      return kParamErr;
    case platform::EncodeStatus::failed:
      return -8960;
  }
  MemoryInput in(bytes);
  platform::DecodedPicture decoded;
  if (platform::decode_picture(carrier.decode, in, 0, 0, 0, decoded) != platform::CodecStatus::ok ||
      decoded.width != world.width() || decoded.height != world.height()) {
    return -8960;
  }
  bytes = std::vector<std::uint8_t>();
  // The decoded pixels become the result as they are: a picture's worth of memory less.
  Pixmap result;
  if (const Err err = result.adopt(world.bounds(), std::move(decoded.pixels)); err != kNoErr)
    return err;
  out = std::move(result);
  return kNoErr;
}

}  // namespace velmora::image
