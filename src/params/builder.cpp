#include "params/builder.hpp"

#include "params/text_util.hpp"

namespace velmora::params {

std::string decimal(std::int64_t value) {
  // Digits from the magnitude, so that the smallest value has no overflow.
  std::uint64_t magnitude =
      value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::string out;
  out.reserve(static_cast<std::size_t>(n) + 1);
  if (value < 0) out.push_back('-');
  while (n > 0) out.push_back(digits[--n]);
  return out;
}

Builder& Builder::integer(std::int64_t value) { return text(decimal(value)); }

Builder& Builder::four_cc(std::uint32_t code) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((code >> shift) & 0xFF);
    switch (c) {
      case ' ':
        out_ += "\\s";
        break;
      case '"':
        out_ += "\\\"";
        break;
      case '\'':
        out_ += "\\'";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      default:
        out_.push_back(c);
    }
  }
  return *this;
}

Builder& Builder::color(const RgbColor& c) {
  integer(c.red >> 8).text(",").integer(c.green >> 8).text(",").integer(c.blue >> 8);
  return *this;
}

Builder& Builder::point(const Point& p) { return integer(p.h).text(",").integer(p.v); }

Builder& Builder::rect(const Rect& r) {
  return integer(r.left).text(",").integer(r.top).text(",").integer(r.right).text(",").integer(
      r.bottom);
}

Builder& Builder::item(std::string_view key, std::string_view value) {
  if (!out_.empty()) out_.push_back(' ');
  return text(key).text("=").text(value);
}

Builder& Builder::item(std::string_view key, std::int64_t value) {
  if (!out_.empty()) out_.push_back(' ');
  return text(key).text("=").integer(value);
}

Builder& Builder::quoted_item(std::string_view key, std::string_view value) {
  if (!out_.empty()) out_.push_back(' ');
  return text(key).text("='").text(escape(value)).text("'");
}

}  // namespace velmora::params
