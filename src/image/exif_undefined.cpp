// UNDEFINED (type 7) values: a handful of tags have a known layout; every other
// UNDEFINED entry is left out of the text.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/exif_number.hpp"
#include "image/exif_values.hpp"

namespace velmora::image {
namespace {

// ExifVersion and friends: four characters such as 0220.  A zero byte ends the text.
ValueText append_version(const IfdEntry& e, std::string& line) {
  for (std::uint8_t b : e.field) {
    if (b == 0) break;
    line.push_back(static_cast<char>(b));
  }
  return ValueText::written;
}

// Component codes 1 to 6 of ComponentsConfiguration; other codes write nothing.
constexpr std::array<std::string_view, 7> kComponents = {"", "Y", "Cb", "Cr", "R", "G", "B"};

ValueText append_components(const IfdEntry& e, std::string& line) {
  for (std::uint8_t b : e.field) {
    if (b < kComponents.size()) line.append(kComponents[b]);
  }
  return ValueText::written;
}

// FileSource and SceneType: the field bytes as a little-endian signed number.
ValueText append_field_number(const IfdEntry& e, std::string& line) {
  const std::uint32_t v = std::uint32_t{e.field[0]} | std::uint32_t{e.field[1]} << 8 |
                          std::uint32_t{e.field[2]} << 16 | std::uint32_t{e.field[3]} << 24;
  append_decimal(line, static_cast<std::int32_t>(v));
  return ValueText::written;
}

// CFAPattern: the repeat sizes H and V, then H bytes, then V bytes (in hexadecimal):
// '0002,0002,0,1,'H=1,2
ValueText append_cfa_pattern(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  if (!tiff.contains(e.value, 4)) return ValueText::skipped;
  const std::uint16_t h = tiff.u16(e.value);
  const std::uint16_t v = tiff.u16(e.value + 2);
  if (!tiff.contains(e.value + 4, std::uint64_t{h} + v)) return ValueText::skipped;
  const std::uint8_t* p = tiff.at(e.value + 4);
  line.push_back('\'');
  append_hex(line, h, 4);
  line.push_back(',');
  append_hex(line, v, 4);
  line.push_back(',');
  for (std::uint16_t i = 0; i < h; ++i) {
    append_hex(line, *p++);
    line.push_back(',');
  }
  line.append("'H=");
  for (std::uint16_t i = 0; i < v; ++i) {
    append_hex(line, *p++);
    line.push_back(',');
  }
  if (line.back() == ',') line.pop_back();
  return ValueText::written;
}

}  // namespace

ValueText append_undefined(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  switch (e.tag) {
    case tag::kVersion:
    case tag::kExifVersion:
    case tag::kFlashPixVersion:
      return append_version(e, line);
    case tag::kComponentsConfiguration:
      return append_components(e, line);
    case tag::kFileSource:
    case tag::kSceneType:
      return append_field_number(e, line);
    case tag::kCfaPattern:
      return append_cfa_pattern(tiff, e, line);
    case tag::kUserComment:
      return append_user_comment(tiff, e, line);
    default:
      return ValueText::skipped;
  }
}

}  // namespace velmora::image
