// Number formatting for EXIF values: the printf conversions the text format is defined
// by (%u, %d, %x, %04x, %f), without a locale and without printf's cost.
#pragma once
#include <charconv>
#include <cstdint>
#include <string>

namespace velmora::image {

inline void append_decimal(std::string& out, std::int64_t value) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  out.append(buf, end);
}

inline void append_hex(std::string& out, std::uint32_t value, int min_digits = 1) {
  char buf[16];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
  for (auto digits = end - buf; digits < min_digits; ++digits) out.push_back('0');
  out.append(buf, end);
}

// "%f": fixed notation, six decimals (the largest double needs 316 characters).
inline void append_fixed(std::string& out, double value) {
  char buf[400];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6).ptr;
  out.append(buf, end);
}

}  // namespace velmora::image
