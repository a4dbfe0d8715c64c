// Native 8-bit text (code page 932) to and from Unicode.  A character the code page
// cannot hold becomes '?', as the system's ANSI calls do.
#pragma once
#include <string>
#include <string_view>

namespace velmora::platform {

std::string native_to_utf8(std::string_view native);
std::string utf8_to_native(std::string_view utf8);
std::u16string native_to_utf16(std::string_view native);
std::string utf16_to_native(std::u16string_view utf16);

}  // namespace velmora::platform
