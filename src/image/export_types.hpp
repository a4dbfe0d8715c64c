// The export choice of SaveImage and CompressImage: file types from EXTENSION or
// FILETYPE, and the QUALITY keyword or percentage, as tables.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "params/parser.hpp"

namespace velmora::image {

// A four-character code, first character in the most significant byte.
constexpr std::uint32_t type_code(const char (&s)[5]) {
  return (std::uint32_t{static_cast<unsigned char>(s[0])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(s[1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(s[2])} << 8) |
         std::uint32_t{static_cast<unsigned char>(s[3])};
}

inline constexpr std::uint32_t kTypePict = type_code("PICT");
inline constexpr std::uint32_t kTypeQtif = type_code("qtif");
inline constexpr std::uint32_t kTypeBmp = type_code("BMPf");
inline constexpr std::uint32_t kTypeJpeg = type_code("JPEG");
inline constexpr std::uint32_t kTypeGif = type_code("GIFf");
inline constexpr std::uint32_t kTypeTiff = type_code("TIFF");
inline constexpr std::uint32_t kTypePng = type_code("PNGf");
inline constexpr std::uint32_t kTypeTga = type_code("TPIC");
inline constexpr std::uint32_t kTypeSgi = type_code(".SGI");
inline constexpr std::uint32_t kTypePsd = type_code("8BPS");

// One keyword list of EXTENSION and the type of each of its positions.
struct ExtensionList {
  std::string_view keywords;
  std::array<std::uint32_t, 16> types;
};

// Searched in this order; the first list holding the extension decides.
extern const std::array<ExtensionList, 6> kExtensionLists;

// The type of a file-name extension (without the dot, any letter case); 0 for none.
std::uint32_t file_type_of_extension(std::string_view extension);

// EXTENSION, else FILETYPE (keyword or four-character code), else 0.
std::uint32_t export_file_type(const params::Store& s);

// QUALITY of an export: MIN 0, LOW 256, NORMAL 512, HIGH 768, MAX 1023, LOSSLESS 1024,
// or an integer 1..100 (larger counts as 100) scaled to 0..1023; none otherwise.
std::optional<std::int32_t> export_quality(const params::Store& s);

}  // namespace velmora::image
