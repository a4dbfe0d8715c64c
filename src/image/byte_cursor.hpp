// Bounds-checked reading of outside bytes: every read answers false (and reads nothing)
// past the end, so parsers test one flag instead of doing arithmetic on lengths.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora::image {

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  bool ok() const { return ok_; }
  bool seek(std::size_t pos) { return check(pos <= bytes_.size()) && ((pos_ = pos), true); }
  bool skip(std::size_t n) { return check(n <= remaining()) && ((pos_ += n), true); }

  std::uint8_t u8() {
    if (!check(remaining() >= 1)) return 0;
    return bytes_[pos_++];
  }
  std::uint16_t be16() {
    if (!check(remaining() >= 2)) return 0;
    const std::uint16_t v = static_cast<std::uint16_t>((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  std::int16_t sbe16() { return static_cast<std::int16_t>(be16()); }
  std::uint32_t be32() {
    const std::uint32_t hi = be16();
    return (hi << 16) | be16();
  }
  std::uint16_t le16() {
    if (!check(remaining() >= 2)) return 0;
    const std::uint16_t v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t le32() {
    const std::uint32_t lo = le16();
    return lo | (std::uint32_t{le16()} << 16);
  }
  // The next n bytes; an empty span (and the failure flag) when fewer remain.
  std::span<const std::uint8_t> take(std::size_t n) {
    if (!check(n <= remaining())) return {};
    auto s = bytes_.subspan(pos_, n);
    pos_ += n;
    return s;
  }

 private:
  bool check(bool condition) {
    if (!condition) ok_ = false;
    return condition;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace velmora::image
