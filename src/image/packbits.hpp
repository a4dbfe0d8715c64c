// PackBits run-length coding, as PICT rows use it (units of 1 byte, or 2 for 16-bit
// pixels).
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace velmora::image {

void packbits_encode(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);
// Unpacks into exactly out.size() bytes; false when the input ends first or a run
// would overflow the row.
bool packbits_decode(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                     std::size_t unit = 1);

}  // namespace velmora::image
