// The EXIF reader: formats every entry of an EXIF block as NAME=value followed by one
// blank.  Run it once without a buffer to learn the length of the text, then again with
// a buffer of that length plus room for the terminator: both runs give the same text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmora::image {

// Formats the TIFF data of an EXIF block (its first byte is the TIFF header).
// out == nullptr: answers the length the text needs, terminator excluded.
// Otherwise: writes whole lines while each fits with its terminator in `capacity`,
// keeps `out` zero-terminated, and answers the length written.
std::size_t format_tiff(std::span<const std::uint8_t> tiff, char* out, std::size_t capacity);

// The same over the bytes of a whole JPEG file: finds the first EXIF APP1 segment and
// formats its TIFF data; nothing (0) when the file holds no EXIF block.
std::size_t format_exif(std::span<const std::uint8_t> file, char* out, std::size_t capacity);

// Both runs of format_exif, for callers that want the text itself.
std::string exif_text(std::span<const std::uint8_t> file);

}  // namespace velmora::image
