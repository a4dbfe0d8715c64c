#include "image/eps_preview.hpp"

#include "image/byte_cursor.hpp"

namespace velmora::image {

Err find_eps_preview(std::span<const std::uint8_t> header, std::uint64_t file_size,
                     EpsPreview& out) {
  ByteCursor c(header);
  const std::uint32_t magic = c.le32();
  c.seek(20);
  const std::uint32_t offset = c.le32();
  const std::uint32_t length = c.le32();
  if (!c.ok() || magic != 0xC6D3D0C5u || length == 0) return kParamErr;
  // A preview said to lie beyond the end would be read as garbage or not at all.
  if (std::uint64_t{offset} + length > file_size || offset < kEpsHeaderSize) return kParamErr;
  out = EpsPreview{offset, length};
  return kNoErr;
}

}  // namespace velmora::image
