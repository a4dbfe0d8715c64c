// Error codes of the picture readers, in the numbering of the picture layer.
#pragma once
#include "host/errors.hpp"

namespace velmora::image {

inline constexpr Err kNoImporter = -2003;       // no reader recognises the bytes
inline constexpr Err kUnsupportedData = -8962;  // a recognised kind, in a variant not read
inline constexpr Err kBadPictureData = -8969;   // damaged or truncated picture data

}  // namespace velmora::image
