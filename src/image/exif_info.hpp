// VeImg_ExifInfo's own error codes (the handler itself is declared in host/handlers.hpp).
#pragma once
#include "host/errors.hpp"

namespace velmora::image {

inline constexpr Err kExifOpenFailed = -1000;  // the file cannot be opened or held
inline constexpr Err kExifReadFailed = -1001;  // reading the file fails

}  // namespace velmora::image
