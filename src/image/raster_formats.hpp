// The hand-written readers one by one, and what they share: each describes a picture
// from its headers and reads a whole file held in memory into a world.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "host/errors.hpp"
#include "image/description.hpp"
#include "image/pixmap.hpp"
#include "platform/codecs.hpp"

namespace velmora::image {

Err describe_tga(std::span<const std::uint8_t> head, Description& out);
Err read_tga(std::span<const std::uint8_t> file, Pixmap& out);

bool sniff_sgi(std::span<const std::uint8_t> head);
Err describe_sgi(std::span<const std::uint8_t> head, Description& out);
Err read_sgi(std::span<const std::uint8_t> file, Pixmap& out);

bool sniff_psd(std::span<const std::uint8_t> head);
Err describe_psd(platform::CodecInput& in, Description& out);
Err read_psd(std::span<const std::uint8_t> file, Pixmap& out);

bool sniff_qtif(std::span<const std::uint8_t> head);
Err describe_qtif(platform::CodecInput& in, Description& out);
Err read_qtif(platform::CodecInput& in, std::int32_t min_width, std::int32_t min_height,
              Pixmap& out);

// Bytes in memory as a random-access input.
class SpanInput final : public platform::CodecInput {
 public:
  explicit SpanInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool read(std::uint64_t offset, std::uint8_t* dst, std::size_t n) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

inline constexpr std::size_t kTgaHeaderSize = 18;
inline constexpr std::size_t kSgiHeaderSize = 512;

// The n bytes at offset into out; false when the input holds fewer.
bool read_bytes(platform::CodecInput& in, std::uint64_t offset, std::size_t n,
                std::vector<std::uint8_t>& out);
// A world of width x height, every pixel opaque black: -8969 for a side of 0 or less,
// -108 beyond the pixel limit or when memory runs out.
Err make_world(std::int64_t width, std::int64_t height, Pixmap& out);
// An n-bit value scaled to 8 bits.
constexpr std::uint8_t widen(std::uint32_t v, int bits) {
  if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
  std::uint32_t out = 0;
  for (int shift = 8 - bits; shift > -bits; shift -= bits)
    out |= shift >= 0 ? v << shift : v >> -shift;
  return static_cast<std::uint8_t>(out);
}

}  // namespace velmora::image
