// Code page 932 through the system's own table (MultiByteToWideChar / WideCharToMultiByte).
#include "cp932.hpp"

#include <windows.h>

#include <stdexcept>

namespace velmora::fmw {

namespace {

constexpr UINT kCodePage = 932;

bool is_lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Single bytes the system maps to private or control code points, but which no character
// of the code page is: they decode as unconvertible, as on every other system.
bool is_unassigned(unsigned char b) {
  return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

// Characters with no code of their own that take an ASCII one, as the code page's
// converters elsewhere write them (the yen sign on a backslash key, the overline).
struct Fold {
  char16_t unit;
  char byte;
};
constexpr Fold kFolds[] = {{u'\u00A5', '\\'}, {u'\u203E', '~'}};

// One character's bytes: a lead byte takes its trail byte with it when there is one.
std::size_t character_length(std::string_view in, std::size_t at) {
  return is_lead(static_cast<unsigned char>(in[at])) && at + 1 < in.size() ? 2 : 1;
}

}  // namespace

std::u16string decode_cp932(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  // Character by character, so that an undecodable byte becomes one '?' and never
  // swallows the character after it (the system would drop or merge it).
  std::size_t at = 0;
  while (at < in.size()) {
    if (is_unassigned(static_cast<unsigned char>(in[at]))) {
      out.push_back(u'?');
      at += 1;
      continue;
    }
    const std::size_t len = character_length(in, at);
    wchar_t unit = 0;
    const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in.data() + at,
                                      static_cast<int>(len), &unit, 1);
    if (n == 1) {
      out.push_back(static_cast<char16_t>(unit));
      at += len;
    } else {
      out.push_back(u'?');
      at += 1;
    }
  }
  return out;
}

std::string encode_cp932(std::u16string_view in) {
  std::string out;
  out.reserve(in.size() * 2);
  for (std::size_t i = 0; i < in.size(); ++i) {
    const char16_t u = in[i];
    if (u >= 0xD800 && u <= 0xDFFF) {
      // No surrogate is in the code page; a pair is one character and one '?'.
      if (u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) ++i;
      out.push_back('?');
      continue;
    }
    bool folded = false;
    for (const Fold& f : kFolds) {
      if (f.unit == u) {
        out.push_back(f.byte);
        folded = true;
      }
    }
    if (folded) continue;
    const wchar_t unit = static_cast<wchar_t>(u);
    char bytes[2];
    BOOL lossy = FALSE;
    const int n =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, 2, "?", &lossy);
    if (n <= 0 || lossy) {
      out.push_back('?');
    } else {
      out.append(bytes, static_cast<std::size_t>(n));
    }
  }
  return out;
}

std::u16string decode_ansi(std::string_view in) {
  if (in.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_ACP, 0, in.data(), static_cast<int>(in.size()), wide.data(), n);
  }
  return std::u16string(wide.begin(), wide.end());
}

std::string encode_ansi(std::u16string_view in) {
  if (in.empty()) return {};
  const std::wstring wide(in.begin(), in.end());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, "?", nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?",
                        nullptr);
  }
  return out;
}

bool is_ansi_lead(unsigned char b) {
  return IsDBCSLeadByteEx(CP_ACP, b) != 0;
}

}  // namespace velmora::fmw
