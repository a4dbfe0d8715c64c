// UserComment: an eight-byte character code, then the text.  UNICODE text is UCS-2 in
// either byte order and is converted to the native code page; the others are copied.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "image/exif_values.hpp"
#include "platform/text.hpp"

namespace velmora::image {
namespace {

constexpr std::size_t kCodeLength = 8;
constexpr std::string_view kUnicode{"UNICODE\0", kCodeLength};
constexpr std::string_view kAscii{"ASCII\0\0\0", kCodeLength};
constexpr std::string_view kJis{"JIS\0\0\0\0\0", kCodeLength};
constexpr std::string_view kUndefinedCode{"\0\0\0\0\0\0\0\0", kCodeLength};

// 'text' up to its first zero byte, at most `length` bytes.
void append_quoted(const std::uint8_t* p, std::size_t length, std::string& line) {
  const auto* text = reinterpret_cast<const char*>(p);
  line.push_back('\'');
  line.append(text, std::find(text, text + length, '\0'));
  line.push_back('\'');
}

// UCS-2 up to its first zero unit.  A byte-order mark decides the order and is dropped;
// without one the units follow the file's order.
void append_ucs2(const std::uint8_t* p, std::size_t length, bool motorola, std::string& line) {
  bool big_endian = motorola;
  if (length >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
    big_endian = true;
    p += 2, length -= 2;
  } else if (length >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    big_endian = false;
    p += 2, length -= 2;
  }
  std::u16string units;
  for (std::size_t i = 0; i + 1 < length; i += 2) {
    const auto unit =
        static_cast<char16_t>(big_endian ? p[i] << 8 | p[i + 1] : p[i + 1] << 8 | p[i]);
    if (unit == 0) break;
    units.push_back(unit);
  }
  line.push_back('\'');
  line.append(platform::utf16_to_native(units));
  line.push_back('\'');
}

}  // namespace

ValueText append_user_comment(const TiffData& tiff, const IfdEntry& e, std::string& line) {
  if (e.count <= 4) return ValueText::written;
  if (!tiff.contains(e.value, std::max<std::uint64_t>(e.count, kCodeLength))) {
    return ValueText::skipped;
  }
  const std::uint8_t* code = tiff.at(e.value);
  const std::string_view code_text(reinterpret_cast<const char*>(code), kCodeLength);
  // A count under eight leaves no room for text after the code.
  const std::size_t length = e.count > kCodeLength ? e.count - kCodeLength : 0;
  if (code_text == kUnicode) {
    append_ucs2(code + kCodeLength, length, tiff.order() == ByteOrder::motorola, line);
  } else if (code_text == kAscii || code_text == kUndefinedCode || code_text == kJis) {
    append_quoted(code + kCodeLength, length, line);
  } else {
    append_quoted(code, length, line);
  }
  return ValueText::written;
}

}  // namespace velmora::image
