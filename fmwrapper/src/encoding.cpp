// UTF-8 is converted here by hand; code page 932 by the system's converter (cp932.hpp).
#include "encoding.hpp"

#include <fmx/FMHostServices.h>

#include <cerrno>
#include <stdexcept>

#include "cp932.hpp"

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

// --- code page 932 (cp932_*.cpp, one per system) -----------------------------

bool is_cp932_lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// What an encoding number means on this system: native is UTF-8 on Linux and the ANSI
// code page on Windows.
enum class Codec { Utf8, Cp932, Ansi, Latin1, Unknown };

Codec codec_of(std::int32_t encoding) {
  switch (encoding) {
    case FMX_ENC_NATIVE:
#if defined(_WIN32)
      return Codec::Ansi;
#else
      return Codec::Utf8;
#endif
    case FMX_ENC_UTF8:
      return Codec::Utf8;
    case FMX_ENC_WINDOWS_ANSI:
      return Codec::Ansi;
    case FMX_ENC_LATIN1:
      return Codec::Latin1;
    case FMX_ENC_SJIS:
    case FMX_ENC_SJIS_MAC:
      return Codec::Cp932;
    default:
      return Codec::Unknown;
  }
}

std::u16string decode_latin1(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string encode_latin1(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (const char16_t u : units) out.push_back(u < 0x100 ? static_cast<char>(u) : '?');
  return out;
}

}  // namespace

bool known_encoding(std::int32_t encoding) {
  return codec_of(encoding) != Codec::Unknown;
}

std::u16string decode(std::string_view bytes, std::int32_t encoding) {
  const Codec codec = codec_of(encoding);
  if (codec == Codec::Unknown) throw std::invalid_argument("encoding");
  if (all_ascii(bytes)) return std::u16string(bytes.begin(), bytes.end());
  switch (codec) {
    case Codec::Utf8:
      return decode_utf8(bytes);
    case Codec::Latin1:
      return decode_latin1(bytes);
    case Codec::Ansi:
      return decode_ansi(bytes);
    default:
      return decode_cp932(bytes);
  }
}

std::string encode(std::u16string_view units, std::int32_t encoding) {
  const Codec codec = codec_of(encoding);
  if (codec == Codec::Unknown) throw std::invalid_argument("encoding");
  if (all_ascii(units)) return std::string(units.begin(), units.end());
  switch (codec) {
    case Codec::Utf8:
      return encode_utf8(units);
    case Codec::Latin1:
      return encode_latin1(units);
    case Codec::Ansi:
      return encode_ansi(units);
    default:
      return encode_cp932(units);
  }
}

std::size_t whole_characters(std::string_view bytes, std::size_t limit, std::int32_t encoding) {
  if (bytes.size() <= limit) return bytes.size();
  const Codec codec = codec_of(encoding);
  if (codec == Codec::Latin1) return limit;
  if (codec == Codec::Utf8) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
    return cut;
  }
  // Trail bytes of code page 932 look like single bytes, so walk from the start.
  std::size_t at = 0;
  while (at < limit) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    const bool lead = codec == Codec::Ansi ? is_ansi_lead(b) : is_cp932_lead(b);
    const std::size_t len = lead ? 2 : 1;
    if (at + len > limit) break;
    at += len;
  }
  return at;
}

}  // namespace velmora::fmw
