// Code page 932 through iconv.  "CP932" keeps byte 0x5C a backslash (the "SHIFT_JIS"
// table turns it into a yen sign and breaks every path).
#include "platform/text.hpp"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

namespace velmora::platform {

namespace {

// Converts with iconv; a sequence the target cannot hold (or an invalid input byte)
// becomes `replacement` in the output and the conversion goes on.
std::string convert(const char* to, const char* from, std::string_view input,
                    std::string_view replacement, std::size_t input_unit) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  out.resize(input.size() * 2 + 16);
  char* in_ptr = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  while (in_left > 0) {
    const std::size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      const std::size_t used = static_cast<std::size_t>(out_ptr - out.data());
      out.resize(out.size() * 2);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
      continue;
    }
    // EILSEQ or EINVAL: skip one input character and write the replacement.
    std::size_t skip = input_unit;
    if (input_unit == 1 && std::strcmp(from, "UTF-8") == 0) {
      const auto c = static_cast<unsigned char>(*in_ptr);
      skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    } else if (input_unit == 2 && std::strcmp(from, "UTF-16LE") == 0 && in_left >= 4) {
      const auto hi = static_cast<unsigned char>(in_ptr[1]);
      if (hi >= 0xD8 && hi <= 0xDB) skip = 4;  // a surrogate pair is one character
    }
    if (skip > in_left) skip = in_left;
    in_ptr += skip;
    in_left -= skip;
    if (out_left < replacement.size()) {
      const std::size_t used = static_cast<std::size_t>(out_ptr - out.data());
      out.resize(out.size() * 2 + replacement.size());
      out_ptr = out.data() + used;
      out_left = out.size() - used;
    }
    std::memcpy(out_ptr, replacement.data(), replacement.size());
    out_ptr += replacement.size();
    out_left -= replacement.size();
  }
  iconv_close(cd);
  out.resize(static_cast<std::size_t>(out_ptr - out.data()));
  return out;
}

bool is_ascii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string native_to_utf8(std::string_view native) {
  if (is_ascii(native)) return std::string(native);
  return convert("UTF-8", "CP932", native, "?", 1);
}

std::string utf8_to_native(std::string_view utf8) {
  if (is_ascii(utf8)) return std::string(utf8);
  return convert("CP932", "UTF-8", utf8, "?", 1);
}

std::u16string native_to_utf16(std::string_view native) {
  std::u16string out;
  if (is_ascii(native)) {
    out.reserve(native.size());
    for (const char c : native) out.push_back(static_cast<char16_t>(c));
    return out;
  }
  const std::string bytes = convert("UTF-16LE", "CP932", native, std::string("?\0", 2), 1);
  out.resize(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string utf16_to_native(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size() * 2);
  bool ascii = true;
  for (const char16_t u : utf16) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
    if (u >= 0x80) ascii = false;
  }
  if (ascii) {
    std::string out;
    out.reserve(utf16.size());
    for (const char16_t u : utf16) out.push_back(static_cast<char>(u));
    return out;
  }
  return convert("CP932", "UTF-16LE", bytes, "?", 2);
}

}  // namespace velmora::platform
