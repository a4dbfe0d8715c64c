// Code page 932 through iconv's "CP932" table, which keeps byte 0x5C a backslash
// ("SHIFT_JIS" would make it a yen sign).
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "cp932.hpp"

namespace velmora::fmw {

namespace {

bool is_high_surrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool is_low_surrogate(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// One conversion descriptor per direction and thread: opening one costs more than most
// conversions, and a descriptor must not be shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in`; where iconv stops at an input it cannot convert, `skip`
  // tells how many input bytes to pass over and '?' is written in their place.
  template <typename Skip>
  std::string run(std::string_view in, std::string_view replacement, Skip skip) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 2 + 8, '\0');
    char* in_ptr = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    char* out_ptr = out.data();
    std::size_t out_left = out.size();
    auto grow = [&](std::size_t extra) {
      const std::size_t used = static_cast<std::size_t>(out_ptr - out.data());
      out.resize(out.size() * 2 + extra);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
    };
    while (in_left > 0) {
      if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1)) {
        break;
      }
      if (errno == E2BIG) {
        grow(0);
        continue;
      }
      std::size_t n = skip(std::string_view(in_ptr, in_left));
      if (n == 0 || n > in_left) n = in_left;
      in_ptr += n;
      in_left -= n;
      if (out_left < replacement.size()) grow(replacement.size());
      for (const char c : replacement) *out_ptr++ = c;
      out_left -= replacement.size();
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(out_ptr - out.data()));
    return out;
  }

 private:
  iconv_t cd_;
};

std::u16string from_utf16le(const std::string& raw) {
  std::u16string out(raw.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                   (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
  }
  return out;
}

std::string to_utf16le(std::u16string_view in) {
  std::string raw(in.size() * 2, '\0');
  for (std::size_t i = 0; i < in.size(); ++i) {
    raw[2 * i] = static_cast<char>(in[i] & 0xFF);
    raw[2 * i + 1] = static_cast<char>(in[i] >> 8);
  }
  return raw;
}

}  // namespace

// Linux's native text is UTF-8, so "ANSI" here is only the Windows ANSI encoding asked
// for by number: Windows-1252.
std::u16string decode_ansi(std::string_view in) {
  thread_local Converter to_utf16("UTF-16LE", "CP1252");
  return from_utf16le(to_utf16.run(in, std::string_view("?\0", 2),
                                   [](std::string_view) { return std::size_t{1}; }));
}

std::string encode_ansi(std::u16string_view in) {
  thread_local Converter from_utf16("CP1252", "UTF-16LE");
  return from_utf16.run(to_utf16le(in), "?", [](std::string_view) { return std::size_t{2}; });
}

bool is_ansi_lead(unsigned char) {
  return false;
}

std::u16string decode_cp932(std::string_view in) {
  thread_local Converter to_utf16("UTF-16LE", "CP932");
  // An undecodable byte is skipped alone: a broken lead byte must not swallow the
  // character after it.
  return from_utf16le(to_utf16.run(in, std::string_view("?\0", 2),
                                   [](std::string_view) { return std::size_t{1}; }));
}

std::string encode_cp932(std::u16string_view in) {
  thread_local Converter from_utf16("CP932", "UTF-16LE");
  const std::string raw = to_utf16le(in);
  // A surrogate pair is one character and becomes one '?'.
  return from_utf16.run(raw, "?", [](std::string_view rest) {
    if (rest.size() >= 4) {
      const char32_t hi =
          static_cast<unsigned char>(rest[0]) | (static_cast<unsigned char>(rest[1]) << 8);
      const char32_t lo =
          static_cast<unsigned char>(rest[2]) | (static_cast<unsigned char>(rest[3]) << 8);
      if (is_high_surrogate(hi) && is_low_surrogate(lo)) return std::size_t{4};
    }
    return std::size_t{2};
  });
}

}  // namespace velmora::fmw
