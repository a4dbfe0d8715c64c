// The walk for the EXIF APP1 segment.  It steps from segment to segment by their
// lengths, so the cost is one small read per segment however large they are, and it
// stops where the picture data starts: nothing behind the headers is ever read.
#include "image/exif_locate.hpp"

#include <algorithm>
#include <cstring>

namespace velmora::image {
namespace {

// The two length bytes, "Exif", two zero bytes.
constexpr std::size_t kIdentifierOffset = 2;
constexpr std::uint8_t kIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
// A file with more segments before its picture data than this is not walked further.
constexpr int kMaxSegments = 4096;
// Fill bytes (0xFF) allowed in front of one marker.
constexpr int kMaxFill = 64;
// Stray bytes between segments (a damaged or padded file) are passed over up to the next
// 0xFF, as decoders do, but not beyond this many in all.
constexpr std::uint64_t kMaxStray = 1 << 20;
constexpr std::size_t kStrayBlock = 4096;

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kEndOfImage = 0xD9;

// Markers that stand alone, without a length: TEM, the restart markers and SOI.
constexpr bool stands_alone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

enum class Found { yes, no, read_failed };

// The first 0xFF at or after pos, within the stray budget.
Found next_ff(ByteSource& source, std::uint64_t& pos, std::uint64_t& budget) {
  std::uint8_t block[kStrayBlock];
  const std::uint64_t size = source.size();
  while (pos < size && budget > 0) {
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>({kStrayBlock, size - pos, budget}));
    if (!source.read(pos, block, n)) return Found::read_failed;
    if (const void* hit = std::memchr(block, 0xFF, n)) {
      const auto skipped =
          static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - block);
      pos += skipped;
      budget -= skipped;
      return Found::yes;
    }
    pos += n;
    budget -= n;
  }
  return Found::no;
}

}  // namespace

bool MemorySource::read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) {
  if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
  if (n != 0) std::memcpy(dst, bytes_.data() + offset, n);
  return true;
}

LocateStatus locate_exif(ByteSource& source, ExifLocation& out) {
  const std::uint64_t size = source.size();
  std::uint8_t soi[2] = {};
  if (size < 2) return LocateStatus::absent;
  if (!source.read(0, soi, 2)) return LocateStatus::read_failed;
  if (soi[0] != 0xFF || soi[1] != 0xD8) return LocateStatus::absent;

  std::uint64_t pos = 2;
  std::uint64_t stray_budget = kMaxStray;
  for (int segment = 0; segment < kMaxSegments; ++segment) {
    // A marker: 0xFF, perhaps more 0xFF fill, then the marker byte.
    std::uint8_t marker = 0xFF;
    int fill = 0;
    while (marker == 0xFF) {
      if (pos + 2 > size || fill++ > kMaxFill) return LocateStatus::absent;
      std::uint8_t pair[2];
      if (!source.read(pos, pair, 2)) return LocateStatus::read_failed;
      if (pair[0] != 0xFF) {
        switch (next_ff(source, pos, stray_budget)) {
          case Found::yes:
            continue;
          case Found::no:
            return LocateStatus::absent;
          case Found::read_failed:
            return LocateStatus::read_failed;
        }
      }
      marker = pair[1];
      ++pos;
    }
    ++pos;  // past the marker byte
    if (marker == kStartOfScan || marker == kEndOfImage) return LocateStatus::absent;
    if (stands_alone(marker)) continue;
    // Length (counting itself), then the segment's data.
    std::uint8_t head[kIdentifierOffset + sizeof kIdentifier] = {};
    if (pos + kIdentifierOffset > size) return LocateStatus::absent;
    const std::size_t have =
        static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, size - pos));
    if (!source.read(pos, head, have)) return LocateStatus::read_failed;
    const std::uint64_t length = std::uint64_t{head[0]} << 8 | head[1];
    if (length < 2) return LocateStatus::absent;
    if (marker == kApp1 && have == sizeof head &&
        std::memcmp(head + kIdentifierOffset, kIdentifier, sizeof kIdentifier) == 0) {
      const std::uint64_t segment_end = std::min(pos + length, size);
      out.tiff_offset = pos + sizeof head;
      out.tiff_size = segment_end > out.tiff_offset ? segment_end - out.tiff_offset : 0;
      return LocateStatus::found;
    }
    pos += length;
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
