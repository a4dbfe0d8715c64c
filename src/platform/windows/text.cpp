// Code page 932 through the system's own table.  Characters the code page cannot hold
// become '?', as the ANSI calls make them.
#include "platform/text.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

constexpr UINT kNative = 932;

bool is_ascii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::wstring to_wide(UINT code_page, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n =
      MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

// Characters with no code of their own in the code page that take an ASCII one, as the
// code page's converters on the other systems write them (the yen sign, the overline).
struct Fold {
  wchar_t unit;
  wchar_t ascii;
};
constexpr Fold kFolds[] = {{L'\u00A5', L'\\'}, {L'\u203E', L'~'}};

std::string from_wide(UINT code_page, std::wstring_view units) {
  if (units.empty()) return {};
  std::wstring folded(units);
  // A character the code page cannot hold becomes '?', never a look-alike ("best fit"
  // would turn e-acute into e); UTF-8 holds every one.
  DWORD flags = 0;
  const char* fallback = nullptr;
  if (code_page != CP_UTF8) {
    flags = WC_NO_BEST_FIT_CHARS;
    fallback = "?";
    for (wchar_t& u : folded) {
      for (const Fold& f : kFolds) {
        if (u == f.unit) u = f.ascii;
      }
    }
  }
  const int n = WideCharToMultiByte(code_page, flags, folded.data(),
                                    static_cast<int>(folded.size()), nullptr, 0, fallback, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, folded.data(), static_cast<int>(folded.size()), out.data(),
                      n, fallback, nullptr);
  return out;
}

// Single bytes the system maps to control or private code points although no character
// of the code page is there: they read as '?', as on the other systems.
std::string marked_unassigned(std::string_view native) {
  std::string out(native);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (b == 0x80 || b == 0xA0 || b >= 0xFD) {
      out[i] = '?';
    } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
      ++i;  // a lead byte: its trail byte may be any of those
    }
  }
  return out;
}

}  // namespace

namespace win {
std::wstring wide(std::string_view native) {
  if (is_ascii(native)) return std::wstring(native.begin(), native.end());
  return to_wide(kNative, marked_unassigned(native));
}
std::string narrow(std::wstring_view units) {
  bool ascii = true;
  for (const wchar_t u : units) ascii = ascii && u < 0x80;
  if (ascii) {
    std::string out;
    out.reserve(units.size());
    for (const wchar_t u : units) out.push_back(static_cast<char>(u));
    return out;
  }
  return from_wide(kNative, units);
}
std::wstring wide_from_utf8(std::string_view utf8) {
  if (is_ascii(utf8)) return std::wstring(utf8.begin(), utf8.end());
  return to_wide(CP_UTF8, utf8);
}
std::string utf8_from_wide(std::wstring_view units) {
  return from_wide(CP_UTF8, units);
}
}  // namespace win

std::string native_to_utf8(std::string_view native) {
  if (is_ascii(native)) return std::string(native);
  return win::utf8_from_wide(win::wide(native));
}

std::string utf8_to_native(std::string_view utf8) {
  if (is_ascii(utf8)) return std::string(utf8);
  return win::narrow(win::wide_from_utf8(utf8));
}

std::u16string native_to_utf16(std::string_view native) {
  const std::wstring w = win::wide(native);
  return std::u16string(w.begin(), w.end());
}

std::string utf16_to_native(std::u16string_view utf16) {
  return win::narrow(std::wstring(utf16.begin(), utf16.end()));
}

}  // namespace velmora::platform
