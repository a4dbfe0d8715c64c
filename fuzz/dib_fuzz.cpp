// Arbitrary bytes through the DIB reader, as a BMP file and as a packed DIB; what is
// read must be as big as the header said, and writing it back must read the same.  A
// BMP file read a band of rows at a time gives the same pixels, also through a window.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "image/dib.hpp"
#include "image/raster_formats.hpp"

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
  if (!packed) {
    SpanInput in(bytes);
    const std::int32_t w = world.width(), h = world.height();
    for (const velmora::platform::PixelWindow window :
         {velmora::platform::PixelWindow{},
          velmora::platform::PixelWindow{w / 3, h / 4, w / 2 + 1, h / 2 + 1}}) {
      velmora::platform::DecodedPicture rows;
      if (read_bmp(in, 0, 0, window, rows) != 0) std::abort();
      for (std::int32_t y = 0; y < rows.height; ++y)
        for (std::int32_t x = 0; x < rows.width; ++x)
          if (rows.pixels[static_cast<std::size_t>(y) * rows.width + x] !=
              world.at(rows.left + x, rows.top + y))
            std::abort();
      if (window.empty() && (rows.width != w || rows.height != h)) std::abort();
    }
  }
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
