// Arbitrary bytes through the DIB reader, as a BMP file and as a packed DIB; what is
// read must be as big as the header said, and writing it back must read the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "image/dib.hpp"

namespace {

void check(std::span<const std::uint8_t> bytes, bool packed) {
  using namespace velmora::image;
  Description desc;
  const auto described = describe_dib(bytes, packed, desc);
  if (described == 0 && std::int64_t{desc.bounds.width()} * desc.bounds.height() > (1 << 16))
    return;
  Pixmap world;
  if (read_dib(bytes, packed, world) != 0) return;
  if (described != 0 || world.bounds() != desc.bounds) std::abort();
  std::vector<std::uint8_t> again;
  if (write_dib(world, desc.hres, desc.vres, !packed, again) != 0) std::abort();
  Pixmap back;
  if (read_dib(again, packed, back) != 0 || back.bounds() != world.bounds()) std::abort();
  for (std::size_t i = 0; i < world.pixels().size(); ++i)
    if ((world.pixels()[i] & 0xFFFFFF) != (back.pixels()[i] & 0xFFFFFF)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  check({data, size}, false);
  check({data, size}, true);
  return 0;
}
