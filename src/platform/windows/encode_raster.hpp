// The rows an encoder is handed on Windows: the request's pixels turned into the packed
// grey, indexed or direct-colour raster the depth asks for, with its palette.  The
// system's own converters differ from one Windows (or Wine) to the next in what they
// can reduce to, so the reduction is done here.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/encoders.hpp"

namespace velmora::platform::win {

enum class RasterKind { grey, indexed, bgr24, bgra32 };

struct Raster {
  RasterKind kind = RasterKind::bgr24;
  int bits = 24;  // bits a pixel
  std::uint32_t stride = 0;
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, for indexed rasters
};

// Grey levels of `bits`, `bits` of colour index, or direct colour (alpha kept when
// `alpha`).  Indexed: the picture's own colours when few enough, else the nearest of
// `reduced` (a palette made for the picture), 1 bit: white and black by luminance.
enum class RasterRequest { grey, indexed, bgr24, bgra32 };
bool make_raster(const EncodeRequest& r, RasterRequest kind, int bits,
                 const std::vector<std::uint32_t>& reduced, Raster& out);

// The picture's own colours when there are at most `limit`; false otherwise.
bool own_colours(const EncodeRequest& r, std::size_t limit, std::vector<std::uint32_t>& out);

}  // namespace velmora::platform::win
