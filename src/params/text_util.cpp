#include "params/text_util.hpp"

namespace velmora::params {

bool is_second_byte(const char* start, const char* pos) {
  bool second = false;
  for (const char* p = start; p < pos; ++p) {
    second = second ? false : is_lead_byte(static_cast<unsigned char>(*p));
  }
  return second;
}

int compare_ignore_case(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (to_upper_ascii(ca) != to_upper_ascii(cb)) return static_cast<int>(ca) - static_cast<int>(cb);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -static_cast<int>(static_cast<unsigned char>(b[n]))
                             : static_cast<int>(static_cast<unsigned char>(a[n]));
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && compare_ignore_case(a, b) == 0;
}

namespace {

// The letter an escaped byte is written as, or 0 when the byte stays as it is.
char escape_letter(unsigned char c) {
  switch (c) {
    case '\t':
      return 't';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '"':
    case '\'':
    case '\\':
      return static_cast<char>(c);
    default:
      return 0;
  }
}

// Marks which bytes are second bytes of double-byte characters, in one pass.
std::string second_byte_map(std::string_view text) {
  std::string map(text.size(), 0);
  bool second = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    map[i] = second ? 1 : 0;
    second = second ? false : is_lead_byte(static_cast<unsigned char>(text[i]));
  }
  return map;
}

}  // namespace

std::string escape(std::string_view text, std::size_t limit) {
  if (text.size() > limit) text = text.substr(0, limit);
  const std::string second = second_byte_map(text);
  // Walk backwards, so that when the limit is reached it is the end of the text that got
  // escaped; an insertion that would pass the limit is not made.
  std::size_t length = text.size();
  std::size_t escapes_from = text.size();  // bytes at or after this index get escaped
  for (std::size_t i = text.size(); i-- > 0;) {
    if (second[i] || escape_letter(static_cast<unsigned char>(text[i])) == 0) continue;
    if (length + 1 > limit) break;
    ++length;
    escapes_from = i;
    if (length > limit - 1) break;
  }
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char letter = escape_letter(static_cast<unsigned char>(text[i]));
    if (i >= escapes_from && !second[i] && letter != 0) {
      out.push_back('\\');
      out.push_back(letter);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string escape_all(std::string_view text) {
  const std::string second = second_byte_map(text);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char letter = escape_letter(static_cast<unsigned char>(text[i]));
    if (!second[i] && letter != 0) {
      out.push_back('\\');
      out.push_back(letter);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace velmora::params
