// Conversions between the host's UTF-16 texts and the byte encodings modules use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::fmw {

// Whether `encoding` is one FM_Text_Assign / FM_Text_GetBytes understand.
bool known_encoding(std::int32_t encoding);

// Bytes in `encoding` to UTF-16; bytes that do not form a character become '?'.
std::u16string decode(std::string_view bytes, std::int32_t encoding);

// UTF-16 to bytes in `encoding`; characters the encoding cannot hold (and unpaired
// surrogates) become '?'.
std::string encode(std::u16string_view units, std::int32_t encoding);

// The longest prefix of `bytes` (in `encoding`) that fits in `limit` bytes without
// splitting a character.
std::size_t whole_characters(std::string_view bytes, std::size_t limit, std::int32_t encoding);

}  // namespace velmora::fmw
