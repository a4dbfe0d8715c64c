// Byte-level text helpers shared by the parser, the readers and the builder.
// Texts are 8-bit native (code page 932): lead bytes take the next byte along.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::params {

constexpr bool is_blank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
constexpr bool is_separator(unsigned char c) { return is_blank(c) || c == '|'; }
constexpr bool is_lead_byte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF);
}
constexpr bool is_ascii_letter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool is_key_char(unsigned char c) { return is_ascii_letter(c) || is_digit(c) || c == '_'; }
constexpr unsigned char to_upper_ascii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// True when the byte at `pos` is the second byte of a double-byte character, found by
// walking from `start`.
bool is_second_byte(const char* start, const char* pos);

// Zero when equal after mapping a-z onto A-Z; otherwise the difference of the first
// differing bytes as they stand.
int compare_ignore_case(std::string_view a, std::string_view b);
bool equals_ignore_case(std::string_view a, std::string_view b);

// Escapes a text for the parameter language: tab, line feed and carriage return become
// \t \n \r; a double quote, an apostrophe or a backslash gets a backslash before it;
// second bytes of double-byte characters are left alone.  The walk runs from the end, so
// when the result would pass `limit` bytes it is the end of the text that is escaped.
// The input is first cut to `limit` bytes.  limit 255 is the length-prefixed form.
std::string escape(std::string_view text, std::size_t limit = 255);

// Escapes a text of any length completely (no limit).
std::string escape_all(std::string_view text);

}  // namespace velmora::params
