// The TIFF data of an EXIF block: bytes counted from the first byte of the TIFF header,
// read in the header's byte order.  Every read is checked against the end of the data,
// because every offset and count comes from the file.
#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace velmora::image {

enum class ByteOrder { none, intel, motorola };

class TiffData {
 public:
  TiffData(std::span<const std::uint8_t> bytes, ByteOrder order) : bytes_(bytes), order_(order) {}

  std::uint64_t size() const { return bytes_.size(); }
  ByteOrder order() const { return order_; }

  // True when [offset, offset + length) lies inside the data (no overflow possible).
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  // Readers of numbers inside the data; callers check contains() first.
  const std::uint8_t* at(std::uint64_t offset) const { return bytes_.data() + offset; }
  std::uint16_t u16(std::uint64_t offset) const { return u16_of(at(offset)); }
  std::uint32_t u32(std::uint64_t offset) const { return u32_of(at(offset)); }
  std::uint64_t u64(std::uint64_t offset) const {
    const std::uint64_t first = u32(offset);
    const std::uint64_t second = u32(offset + 4);
    return order_ == ByteOrder::motorola ? (first << 32) | second : (second << 32) | first;
  }

  std::uint16_t u16_of(const std::uint8_t* p) const {
    return order_ == ByteOrder::motorola ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                                         : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
  }
  std::uint32_t u32_of(const std::uint8_t* p) const {
    const std::uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
    return order_ == ByteOrder::motorola ? b0 << 24 | b1 << 16 | b2 << 8 | b3
                                         : b3 << 24 | b2 << 16 | b1 << 8 | b0;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  ByteOrder order_;
};

// TIFF field types.
namespace field {
inline constexpr std::uint16_t kByte = 1;
inline constexpr std::uint16_t kAscii = 2;
inline constexpr std::uint16_t kShort = 3;
inline constexpr std::uint16_t kLong = 4;
inline constexpr std::uint16_t kRational = 5;
inline constexpr std::uint16_t kSByte = 6;
inline constexpr std::uint16_t kUndefined = 7;
inline constexpr std::uint16_t kSShort = 8;
inline constexpr std::uint16_t kSLong = 9;
inline constexpr std::uint16_t kSRational = 10;
inline constexpr std::uint16_t kFloat = 11;
inline constexpr std::uint16_t kDouble = 12;
}  // namespace field

// Tags the walk itself looks at.
namespace tag {
inline constexpr std::uint16_t kExifPointer = 0x8769;
inline constexpr std::uint16_t kGpsPointer = 0x8825;
inline constexpr std::uint16_t kInteropPointer = 0xA005;
inline constexpr std::uint16_t kMakerNote = 0x927C;
inline constexpr std::uint16_t kVersion = 0x0002;  // GPS and interoperability versions
inline constexpr std::uint16_t kExifVersion = 0x9000;
inline constexpr std::uint16_t kFlashPixVersion = 0xA000;
inline constexpr std::uint16_t kComponentsConfiguration = 0x9101;
inline constexpr std::uint16_t kFileSource = 0xA300;
inline constexpr std::uint16_t kSceneType = 0xA301;
inline constexpr std::uint16_t kCfaPattern = 0xA302;
inline constexpr std::uint16_t kUserComment = 0x9286;
}  // namespace tag

// One 12-byte IFD entry.  `field` is the value field as it stands in the file; `value` is
// that field as the walk records it: the raw bytes (first byte lowest) for BYTE, ASCII,
// SBYTE and UNDEFINED with at most four values, else a number in the file's order.
struct IfdEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t value = 0;
  std::array<std::uint8_t, 4> field{};
};

// Decodes the entry at `offset` (12 bytes inside the data).
IfdEntry decode_entry(const TiffData& tiff, std::uint64_t offset);

}  // namespace velmora::image
