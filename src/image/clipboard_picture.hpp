// Pictures on the clipboard: reading PICT data (from a PICT-named format, else from a
// device-independent bitmap turned into PICT) and writing PICT data together with a DIB
// so that programs that only paste bitmaps can take it.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "host/errors.hpp"
#include "platform/clipboard.hpp"

namespace velmora::image {

inline constexpr Err kClipboardNoData = -102;     // a bitmap format listed without data
inline constexpr Err kClipboardNotOpened = -103;  // the clipboard cannot be opened or taken
inline constexpr Err kClipboardNoPicture = -104;  // no picture format on the clipboard

// A picture goes on the clipboard with a 24-bit bitmap of it (three bytes a pixel,
// however uniform the picture) beside its record, so its cost grows with its area:
// pictures beyond this (every camera photo up to 32 MP) are refused with -108 before
// they are made.
inline constexpr std::int64_t kMaxClipboardPixels = std::int64_t{1} << 25;

// PICT data as a picture record (no 512-byte header area).
Err read_clipboard_picture(std::vector<std::uint8_t>& pict);
// Replaces the clipboard's content with the picture and its DIB; -108 for no data.  A
// picture handed over (moved in) is not copied.
Err write_clipboard_picture(std::vector<std::uint8_t> pict);

// The same over a given clipboard.
Err read_clipboard_picture(platform::Clipboard& clipboard, std::vector<std::uint8_t>& pict);
Err write_clipboard_picture(platform::Clipboard& clipboard, std::vector<std::uint8_t> pict);

// A packed DIB (any depth and compression the DIB reader takes, 16-bit bit-field DIBs
// included) as a PICT picture record at the DIB's resolution.
Err dib_to_pict(std::span<const std::uint8_t> dib, std::vector<std::uint8_t>& pict);
// A PICT picture as a packed 24-bit DIB at the picture's resolution.
Err pict_to_dib(std::span<const std::uint8_t> pict, std::vector<std::uint8_t>& dib);

}  // namespace velmora::image
