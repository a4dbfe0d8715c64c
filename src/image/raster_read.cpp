// The hand-written readers' common door: which of them a file's first bytes call for,
// and the file read into memory for those that decode from it whole.
#include <algorithm>
#include <new>
#include <vector>

#include "image/picture_errors.hpp"
#include "image/raster_formats.hpp"
#include "image/raster_readers.hpp"

namespace velmora::image {

namespace {

// Files read whole beyond this size are refused as too big for memory.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 30;

Err load(platform::CodecInput& in, std::vector<std::uint8_t>& out) {
  if (in.size() > kMaxFileBytes) return kMemFull;
  try {
    out.resize(static_cast<std::size_t>(in.size()));
  } catch (const std::bad_alloc&) {
    return kMemFull;
  }
  return in.read(0, out.data(), out.size()) ? kNoErr : kBadPictureData;
}

}  // namespace

bool SpanInput::read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) {
  if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
  std::copy_n(bytes_.data() + offset, n, dst);
  return true;
}

bool read_bytes(platform::CodecInput& in, std::uint64_t offset, std::size_t n,
                std::vector<std::uint8_t>& out) {
  if (offset > in.size() || n > in.size() - offset) return false;
  try {
    out.resize(n);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return in.read(offset, out.data(), n);
}

Err make_world(std::int64_t width, std::int64_t height, Pixmap& out) {
  if (width <= 0 || height <= 0) return kBadPictureData;
  if (width * height > kMaxPixels) return kMemFull;
  return out.create(
      PixRect{0, 0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)}, kBlack);
}

bool sniff_raster_magic(std::span<const std::uint8_t> head, RasterFormat& out) {
  struct Sniffer {
    bool (*sniff)(std::span<const std::uint8_t>);
    RasterFormat format;
  };
  constexpr Sniffer kSniffers[] = {
      {sniff_sgi, RasterFormat::sgi},
      {sniff_psd, RasterFormat::psd},
      {sniff_qtif, RasterFormat::qtif},
  };
  for (const Sniffer& s : kSniffers) {
    if (s.sniff(head)) {
      out = s.format;
      return true;
    }
  }
  return false;
}

Err describe_raster(RasterFormat format, platform::CodecInput& in, Description& out) {
  std::vector<std::uint8_t> head;
  switch (format) {
    case RasterFormat::tga:
      if (!read_bytes(in, 0, kTgaHeaderSize, head)) return kBadPictureData;
      return describe_tga(head, out);
    case RasterFormat::sgi:
      if (!read_bytes(in, 0, kSgiHeaderSize, head)) return kBadPictureData;
      return describe_sgi(head, out);
    case RasterFormat::psd:
      return describe_psd(in, out);
    case RasterFormat::qtif:
      return describe_qtif(in, out);
  }
  return kBadPictureData;
}

Err decode_raster(RasterFormat format, platform::CodecInput& in, std::int32_t min_width,
                  std::int32_t min_height, Pixmap& out) {
  if (format == RasterFormat::qtif) return read_qtif(in, min_width, min_height, out);
  std::vector<std::uint8_t> file;
  if (const Err err = load(in, file); err != kNoErr) return err;
  switch (format) {
    case RasterFormat::tga:
      return read_tga(file, out);
    case RasterFormat::sgi:
      return read_sgi(file, out);
    default:
      return read_psd(file, out);
  }
}

}  // namespace velmora::image
