// Finding the EXIF block of a JPEG file: the first APP1 segment before the picture data
// whose data starts with the identifier "Exif\0\0".  The walk reads a few bytes per
// segment, so its cost does not grow with the size of the file or of its segments.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace velmora::image {

// Random access to the bytes of a file or of a buffer.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Copies the n bytes at offset (offset + n <= size()) to dst; false when reading fails.
  virtual bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// The TIFF data of the EXIF block: from the byte after the identifier to the end of its
// APP1 segment (or of the file, when the segment claims more than the file holds).
struct ExifLocation {
  std::uint64_t tiff_offset = 0;
  std::uint64_t tiff_size = 0;
};

enum class LocateStatus { found, absent, read_failed };

LocateStatus locate_exif(ByteSource& source, ExifLocation& out);

// Locates the block and reads its TIFF data into `tiff` (empty when absent).
LocateStatus load_exif(ByteSource& source, std::vector<std::uint8_t>& tiff);

}  // namespace velmora::image
