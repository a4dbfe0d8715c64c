// What every hand-written reader's fuzz target checks: a picture that reads must be as
// big as its headers said, and the world must hold exactly its pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/raster_formats.hpp"
#include "image/raster_readers.hpp"

namespace velmora::fuzz {

inline void check_raster(image::RasterFormat format, const std::uint8_t* data, std::size_t size) {
  using namespace velmora::image;
  SpanInput in({data, size});
  Description desc;
  const auto described = describe_raster(format, in, desc);
  // Reading allocates the whole picture: keep within the fuzzer's memory limit.
  if (described == 0 && std::int64_t{desc.bounds.width()} * desc.bounds.height() > (1 << 16))
    return;
  Pixmap world;
  if (decode_raster(format, in, 0, 0, world) != 0) return;
  if (described != 0 || world.bounds() != desc.bounds) std::abort();
  if (world.pixels().size() != static_cast<std::size_t>(world.width()) * world.height())
    std::abort();
}

}  // namespace velmora::fuzz
