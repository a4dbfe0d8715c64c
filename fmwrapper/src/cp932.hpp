// Code page 932 <-> UTF-16, by the system's own converter (one file per system).  Bytes
// that do not form a character, and characters the code page cannot hold, become '?'.
#pragma once

#include <string>
#include <string_view>

namespace velmora::fmw {

std::u16string decode_cp932(std::string_view in);
std::string encode_cp932(std::u16string_view in);

// The system's own 8-bit encoding where it is not UTF-8 (Windows' ANSI code page):
// conversions and its lead-byte test.  Unused on systems whose native text is UTF-8.
std::u16string decode_ansi(std::string_view in);
std::string encode_ansi(std::u16string_view in);
bool is_ansi_lead(unsigned char b);

}  // namespace velmora::fmw
