// Value text by TIFF field type.  Values that fit in the four bytes of the value field
// are read from it; longer ones from their offset, which must lie inside the block.
#include "image/exif_values.hpp"

#include <bit>
#include <cstdint>
#include <string>

#include "image/exif_number.hpp"

namespace velmora::image {
namespace {

// Where `length` bytes of values are: the value field when they fit in it, else the
// block at the entry's offset.  Null when the offset and length leave the block.
const std::uint8_t* value_bytes(const TiffData& tiff, const IfdEntry& e, std::uint64_t length) {
  if (length <= 4) return e.field.data();
  if (!tiff.contains(e.value, length)) return nullptr;
  return tiff.at(e.value);
}

// Writes `count` values of `size` bytes each, separated by `separator` (none when 0),
// each through `put`.
template <typename Put>
ValueText append_list(const TiffData& tiff, const IfdEntry& e, std::uint64_t count,
                      std::uint64_t size, char separator, Put put, std::string& line) {
  const std::uint8_t* p = value_bytes(tiff, e, count * size);
  if (p == nullptr) return ValueText::skipped;
  for (std::uint64_t i = 0; i < count; ++i, p += size) {
    if (i != 0 && separator != 0) line.push_back(separator);
    put(p);
    if (line.size() > kMaxExifText) return ValueText::too_long;
  }
  return ValueText::written;
}

ValueText append_ascii(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  const std::uint8_t* p = value_bytes(tiff, e, e.count);
  if (p == nullptr) return ValueText::skipped;
  line.push_back('\'');
  for (std::uint32_t i = 0; i < e.count; ++i) line.push_back(p[i] == 0 ? ',' : char(p[i]));
  line.push_back('\'');
  return ValueText::written;
}

// SHORT and SSHORT: a count of 0 still prints the two values of the field.
template <typename Short>
ValueText append_shorts(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  const std::uint64_t count = e.count == 0 ? 2 : e.count;
  return append_list(
      tiff, e, count, 2, ',',
      [&](const std::uint8_t* p) { append_decimal(line, static_cast<Short>(tiff.u16_of(p))); },
      line);
}

// LONG and SLONG: a count of 0 still prints the field.
template <typename Long>
ValueText append_longs(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  const std::uint64_t count = e.count == 0 ? 1 : e.count;
  return append_list(
      tiff, e, count, 4, ',',
      [&](const std::uint8_t* p) { append_decimal(line, static_cast<Long>(tiff.u32_of(p))); },
      line);
}

// RATIONAL and SRATIONAL: always at the offset, even a single pair.
template <typename Long>
ValueText append_rationals(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  if (e.count == 0) return ValueText::written;
  if (!tiff.contains(e.value, std::uint64_t{e.count} * 8)) return ValueText::skipped;
  const std::uint8_t* p = tiff.at(e.value);
  for (std::uint32_t i = 0; i < e.count; ++i, p += 8) {
    if (i != 0) line.push_back(',');
    append_decimal(line, static_cast<Long>(tiff.u32_of(p)));
    line.push_back('/');
    append_decimal(line, static_cast<Long>(tiff.u32_of(p + 4)));
    if (line.size() > kMaxExifText) return ValueText::too_long;
  }
  return ValueText::written;
}

ValueText append_doubles(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  if (e.count == 0) return ValueText::written;
  if (!tiff.contains(e.value, std::uint64_t{e.count} * 8)) return ValueText::skipped;
  for (std::uint32_t i = 0; i < e.count; ++i) {
    if (i != 0) line.push_back(',');
    append_fixed(line, std::bit_cast<double>(tiff.u64(e.value + std::uint64_t{i} * 8)));
    if (line.size() > kMaxExifText) return ValueText::too_long;
  }
  return ValueText::written;
}

}  // namespace

ValueText append_value(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  switch (e.type) {
    case field::kByte:
      return append_list(
          tiff, e, e.count, 1, 0, [&](const std::uint8_t* p) { append_decimal(line, *p); }, line);
    case field::kSByte:
      return append_list(
          tiff, e, e.count, 1, 0,
          [&](const std::uint8_t* p) { append_decimal(line, static_cast<std::int8_t>(*p)); }, line);
    case field::kAscii:
      return append_ascii(tiff, e, line);
    case field::kShort:
      return append_shorts<std::uint16_t>(tiff, e, line);
    case field::kSShort:
      return append_shorts<std::int16_t>(tiff, e, line);
    case field::kLong:
      return append_longs<std::uint32_t>(tiff, e, line);
    case field::kSLong:
      return append_longs<std::int32_t>(tiff, e, line);
    case field::kRational:
      return append_rationals<std::uint32_t>(tiff, e, line);
    case field::kSRational:
      return append_rationals<std::int32_t>(tiff, e, line);
    case field::kFloat:
      return append_list(
          tiff, e, e.count, 4, ',',
          [&](const std::uint8_t* p) { append_fixed(line, std::bit_cast<float>(tiff.u32_of(p))); },
          line);
    case field::kDouble:
      return append_doubles(tiff, e, line);
    case field::kUndefined:
      return append_undefined(tiff, e, line);
    default:
      line.append("TAG:");
      append_decimal(line, static_cast<std::int16_t>(e.type));
      return ValueText::written;
  }
}

}  // namespace velmora::image
