// The scan for the EXIF APP1 segment.  It looks at every byte pair 0xFF 0xE1 from offset
// 2 on, not only at segment starts, so an EXIF segment behind an XMP APP1 is found too.
#include "image/exif_locate.hpp"

#include <algorithm>
#include <cstring>

namespace velmora::image {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
// FF E1, the two length bytes, "Exif", two zero bytes.
constexpr std::size_t kHeadLength = 10;
constexpr std::uint8_t kIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};

// A window of the file: bytes [base, base + bytes.size()).
struct Window {
  std::uint64_t base = 0;
  std::vector<std::uint8_t> bytes;

  bool load(ByteSource& source, std::uint64_t from) {
    base = from;
    const std::uint64_t left = source.size() - std::min(from, source.size());
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk)));
    return bytes.empty() || source.read(from, bytes.data(), bytes.size());
  }
  std::uint64_t end() const { return base + bytes.size(); }
};

}  // namespace

bool MemorySource::read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) {
  if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
  if (n != 0) std::memcpy(dst, bytes_.data() + offset, n);
  return true;
}

LocateStatus locate_exif(ByteSource& source, ExifLocation& out) {
  const std::uint64_t size = source.size();
  Window w;
  if (!w.load(source, 0)) return LocateStatus::read_failed;
  if (w.bytes.size() < 2 || w.bytes[0] != 0xFF || w.bytes[1] != 0xD8) return LocateStatus::absent;

  std::uint64_t pos = 2;
  while (pos + 1 < size) {
    // Keep the whole head of a candidate segment inside the window.
    if (pos + kHeadLength > w.end() && w.end() < size) {
      if (!w.load(source, pos)) return LocateStatus::read_failed;
    }
    const std::uint8_t* data = w.bytes.data();
    const std::uint64_t window_end = w.end();
    const auto* hit = static_cast<const std::uint8_t*>(
        std::memchr(data + (pos - w.base), 0xFF, window_end - pos));
    if (hit == nullptr) {
      pos = window_end;
      continue;
    }
    pos = w.base + (hit - data);
    if (pos + kHeadLength > window_end && window_end < size) continue;  // reload first
    if (pos + 1 >= window_end || hit[1] != 0xE1) {
      ++pos;
      continue;
    }
    // An APP1 marker: its length, then the identifier (when the file has those bytes).
    if (pos + kHeadLength > window_end) return LocateStatus::absent;
    if (std::memcmp(hit + 4, kIdentifier, sizeof kIdentifier) != 0) {
      pos += 4;  // on after the length field
      continue;
    }
    const std::uint64_t length = std::uint64_t{hit[2]} << 8 | hit[3];
    const std::uint64_t segment_end = std::min(pos + 2 + length, size);
    out.tiff_offset = pos + kHeadLength;
    out.tiff_size = segment_end > out.tiff_offset ? segment_end - out.tiff_offset : 0;
    return LocateStatus::found;
  }
  return LocateStatus::absent;
}

LocateStatus load_exif(ByteSource& source, std::vector<std::uint8_t>& tiff) {
  tiff.clear();
  ExifLocation where;
  const LocateStatus status = locate_exif(source, where);
  if (status != LocateStatus::found) return status;
  tiff.resize(static_cast<std::size_t>(where.tiff_size));
  if (!tiff.empty() && !source.read(where.tiff_offset, tiff.data(), tiff.size())) {
    tiff.clear();
    return LocateStatus::read_failed;
  }
  return LocateStatus::found;
}

}  // namespace velmora::image
