// Reading and writing clipboard pictures.  A PICT-named format wins over a bitmap; a
// bitmap is turned into PICT; PNG or JPEG bytes offered by other programs are decoded
// and recorded as PICT too.  Writing offers the PICT data and its DIB together.
#include "image/clipboard_picture.hpp"

#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "image/dib.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"
#include "platform/codecs.hpp"

namespace velmora::image {

namespace {

constexpr std::string_view kPictFormats[] = {"Mac-PICT", "QT-PICT"};
constexpr std::string_view kWrittenPict = "Mac-PICT";

struct CodedFormat {
  std::string_view name;
  platform::CodecFormat codec;
};
// Picture files other programs offer when they have no bitmap, in order of preference.
constexpr CodedFormat kCodedFormats[] = {
    {"image/png", platform::CodecFormat::png},
    {"image/jpeg", platform::CodecFormat::jpeg},
    {"image/tiff", platform::CodecFormat::tiff},
    {"image/gif", platform::CodecFormat::gif},
};

bool is_pict_format(std::string_view name) {
  for (std::string_view p : kPictFormats) {
    if (name == p) return true;
  }
  return false;
}

class MemoryInput final : public platform::CodecInput {
 public:
  explicit MemoryInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override {
    if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
    if (n > 0) std::memcpy(dst, bytes_.data() + offset, n);
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

Err from_status(platform::CodecStatus status) {
  switch (status) {
    case platform::CodecStatus::ok:
      return kNoErr;
    case platform::CodecStatus::no_memory:
      return kMemFull;
    case platform::CodecStatus::unsupported:
      return kUnsupportedData;
    default:
      return kBadPictureData;
  }
}

Err coded_to_pict(platform::CodecFormat codec, std::span<const std::uint8_t> bytes,
                  std::vector<std::uint8_t>& pict) {
  MemoryInput in(bytes);
  platform::CodecProbe probe;
  if (const Err e = from_status(platform::probe_picture(codec, in, 0, probe)); e != kNoErr)
    return e;
  if (!pict_can_hold(probe.width, probe.height)) return kParamErr;
  platform::DecodedPicture decoded;
  if (const Err e = from_status(platform::decode_picture(codec, in, 0, 0, 0, decoded)); e != kNoErr)
    return e;
  Pixmap world;
  if (const Err e = world.create(PixRect{0, 0, decoded.width, decoded.height}); e != kNoErr)
    return e;
  if (decoded.pixels.size() != world.pixels().size()) return kBadPictureData;
  std::memcpy(world.row(0), decoded.pixels.data(), decoded.pixels.size() * sizeof(Pixel));
  return write_pict(world, probe.hres, probe.vres, pict);
}

Err read_picture(platform::Clipboard& clipboard, std::vector<std::uint8_t>& pict) {
  std::vector<std::string> formats;
  if (!clipboard.formats(formats)) return kClipboardNotOpened;

  const std::string* pict_format = nullptr;  // the last one listed wins
  bool dib = false;
  const CodedFormat* coded = nullptr;
  for (const std::string& f : formats) {
    if (is_pict_format(f)) pict_format = &f;
    if (f == platform::kClipboardDib) dib = true;
    for (const CodedFormat& c : kCodedFormats) {
      if (f == c.name && (coded == nullptr || &c < coded)) coded = &c;
    }
  }

  if (pict_format != nullptr) {
    if (!clipboard.read(*pict_format, pict)) return kMemFull;
    return kNoErr;
  }
  std::vector<std::uint8_t> bytes;
  if (dib) {
    if (!clipboard.read(platform::kClipboardDib, bytes)) return kClipboardNoData;
    return dib_to_pict(bytes, pict);
  }
  if (coded != nullptr) {
    if (!clipboard.read(coded->name, bytes)) return kClipboardNoData;
    return coded_to_pict(coded->codec, bytes, pict);
  }
  return kClipboardNoPicture;
}

}  // namespace

Err dib_to_pict(std::span<const std::uint8_t> dib, std::vector<std::uint8_t>& pict) {
  Description d;
  if (const Err e = describe_dib(dib, true, d); e != kNoErr) return e;
  if (!pict_can_hold(d.bounds.width(), d.bounds.height())) return kParamErr;
  Pixmap world;
  if (const Err e = read_dib(dib, true, world); e != kNoErr) return e;
  return write_pict(world, d.hres, d.vres, pict);
}

Err pict_to_dib(std::span<const std::uint8_t> pict, std::vector<std::uint8_t>& dib) {
  Description d;
  if (const Err e = describe_pict(pict, d); e != kNoErr) return e;
  Pixmap world;
  if (const Err e = read_pict(pict, world); e != kNoErr) return e;
  return write_dib(world, d.hres, d.vres, false, dib);
}

Err read_clipboard_picture(platform::Clipboard& clipboard, std::vector<std::uint8_t>& pict) {
  pict.clear();
  try {
    const Err e = read_picture(clipboard, pict);
    if (e != kNoErr) pict.clear();
    return e;
  } catch (const std::bad_alloc&) {
    pict.clear();
    return kMemFull;
  }
}

Err write_clipboard_picture(platform::Clipboard& clipboard, std::vector<std::uint8_t> pict) {
  if (pict.empty()) return kMemFull;
  try {
    // Both formats are made before the clipboard is taken over, so that a picture that
    // cannot be converted leaves the clipboard as it was instead of half replaced.
    std::vector<platform::ClipboardItem> items(2);
    items[0].format = kWrittenPict;
    items[1].format = platform::kClipboardDib;
    if (const Err e = pict_to_dib(pict, items[1].data); e != kNoErr) return e;
    items[0].data = std::move(pict);
    if (!clipboard.replace(items)) return kClipboardNotOpened;
    return kNoErr;
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
}

Err read_clipboard_picture(std::vector<std::uint8_t>& pict) {
  return read_clipboard_picture(platform::system_clipboard(), pict);
}

Err write_clipboard_picture(std::vector<std::uint8_t> pict) {
  return write_clipboard_picture(platform::system_clipboard(), std::move(pict));
}

}  // namespace velmora::image
