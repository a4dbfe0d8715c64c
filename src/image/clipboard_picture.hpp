// Pictures on the clipboard: reading PICT data (from a PICT-named format, else from a
// device-independent bitmap turned into PICT) and writing PICT data together with a DIB
// so that programs that only paste bitmaps can take it.
#pragma once
#include <cstdint>
#include <vector>

#include "host/errors.hpp"

namespace velmora::image {

inline constexpr Err kClipboardNoData = -102;     // a bitmap format listed without data
inline constexpr Err kClipboardNotOpened = -103;  // the clipboard cannot be opened
inline constexpr Err kClipboardNoPicture = -104;  // no picture format on the clipboard

// PICT data as a picture record (no 512-byte header area).
Err read_clipboard_picture(std::vector<std::uint8_t>& pict);
// Replaces the clipboard's content with the picture; -108 for no data.
Err write_clipboard_picture(const std::vector<std::uint8_t>& pict);

}  // namespace velmora::image
