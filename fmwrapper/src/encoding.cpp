// UTF-8 is converted here by hand; code page 932 goes through iconv's "CP932" table,
// which keeps byte 0x5C a backslash ("SHIFT_JIS" would make it a yen sign).
#include "encoding.hpp"

#include <fmx/FMWrapper.h>
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace velmora::fmw {

namespace {

constexpr char16_t kReplacement = u'?';

bool is_high_surrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool is_low_surrogate(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

bool all_ascii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool all_ascii(std::u16string_view units) {
  for (const char16_t u : units) {
    if (u >= 0x80) return false;
  }
  return true;
}

// --- UTF-8 ---------------------------------------------------------------------

void append_code_point(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

std::u16string decode_utf8(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  std::size_t i = 0;
  while (i < in.size()) {
    const auto b0 = static_cast<unsigned char>(in[i]);
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4, cp = b0 & 0x07, min = 0x10000;
    }
    bool ok = len != 0 && i + len <= in.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto b = static_cast<unsigned char>(in[i + k]);
      if ((b & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      // One byte of a malformed sequence at a time, so that what follows still decodes.
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    append_code_point(out, cp);
    i += len;
  }
  return out;
}

std::string encode_utf8(std::u16string_view in) {
  std::string out;
  out.reserve(in.size() * 3);
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (is_high_surrogate(cp) && i + 1 < in.size() && is_low_surrogate(in[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (is_high_surrogate(cp) || is_low_surrogate(cp)) {
      out.push_back('?');
      continue;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// --- code page 932 -------------------------------------------------------------

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

std::u16string decode_cp932(std::string_view in) {
  thread_local Converter to_utf16("UTF-16LE", "CP932");
  // An undecodable byte is skipped alone: a broken lead byte must not swallow the
  // character after it.
  const std::string raw =
      to_utf16.run(in, std::string_view("?\0", 2), [](std::string_view) { return std::size_t{1}; });
  std::u16string out(raw.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                   (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
  }
  return out;
}

std::string encode_cp932(std::u16string_view in) {
  thread_local Converter from_utf16("CP932", "UTF-16LE");
  std::string raw(in.size() * 2, '\0');
  for (std::size_t i = 0; i < in.size(); ++i) {
    raw[2 * i] = static_cast<char>(in[i] & 0xFF);
    raw[2 * i + 1] = static_cast<char>(in[i] >> 8);
  }
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

bool is_cp932_lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace

bool known_encoding(std::int32_t encoding) {
  return encoding == FMX_ENC_NATIVE || encoding == FMX_ENC_UTF8 || encoding == FMX_ENC_SJIS;
}

std::u16string decode(std::string_view bytes, std::int32_t encoding) {
  if (!known_encoding(encoding)) throw std::invalid_argument("encoding");
  if (all_ascii(bytes)) return std::u16string(bytes.begin(), bytes.end());
  return encoding == FMX_ENC_UTF8 ? decode_utf8(bytes) : decode_cp932(bytes);
}

std::string encode(std::u16string_view units, std::int32_t encoding) {
  if (!known_encoding(encoding)) throw std::invalid_argument("encoding");
  if (all_ascii(units)) return std::string(units.begin(), units.end());
  return encoding == FMX_ENC_UTF8 ? encode_utf8(units) : encode_cp932(units);
}

std::size_t whole_characters(std::string_view bytes, std::size_t limit, std::int32_t encoding) {
  if (bytes.size() <= limit) return bytes.size();
  if (encoding == FMX_ENC_UTF8) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
    return cut;
  }
  // Trail bytes of code page 932 look like single bytes, so walk from the start.
  std::size_t at = 0;
  while (at < limit) {
    const std::size_t len = is_cp932_lead(static_cast<unsigned char>(bytes[at])) ? 2 : 1;
    if (at + len > limit) break;
    at += len;
  }
  return at;
}

}  // namespace velmora::fmw
