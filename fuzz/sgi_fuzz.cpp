// Arbitrary bytes through the reader of SGI image files: verbatim and coded rows, their tables and
// channels.
#include <cstddef>
#include <cstdint>

#include "raster_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  velmora::fuzz::check_raster(velmora::image::RasterFormat::sgi, data, size);
  return 0;
}
