// FM_Text_*: UTF-16 texts. Positions and lengths count UTF-16 units; a length of
// 0xFFFFFFFF (or one running past the end) means "up to the end".
#include <fmx/FMHostServices.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "encoding.hpp"
#include "objects.hpp"

namespace velmora::fmw {

namespace {

constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;

// The units from `position`, at most `length` of them; a position past the end is a bad
// argument, a position at the end gives an empty range.
std::u16string_view range(const std::u16string& units, std::uint32_t position,
                          std::uint32_t length) {
  if (position > units.size()) throw BadArgument{};
  const std::size_t available = units.size() - position;
  return std::u16string_view(units).substr(position, std::min<std::size_t>(length, available));
}

void assign_bytes(FMX_Text* text, const char* bytes, std::size_t length, std::int32_t encoding) {
  FMX_Text& t = require(text);
  if (bytes == nullptr && length > 0) throw BadArgument{};
  if (!known_encoding(encoding)) throw BadArgument{};
  text_allocation();
  t.units = decode(std::string_view(bytes == nullptr ? "" : bytes, length), encoding);
}

// Converts a range into a caller's buffer, zero-terminated; answers the bytes written.
uint32_t get_bytes(const FMX_Text* text, char* buffer, uint32_t bufferSize, uint32_t position,
                   uint32_t length, int32_t encoding) {
  // Terminated first, so that the caller finds an empty string whatever fails.
  if (bufferSize > 0) {
    require(buffer);
    buffer[0] = '\0';
  }
  const FMX_Text& t = require(text);
  if (!known_encoding(encoding)) throw BadArgument{};
  const std::u16string_view part = range(t.units, position, length);
  if (bufferSize == 0) return 0;
  text_allocation();
  const std::string bytes = encode(part, encoding);
  // Never half a character: a cut multi-byte sequence would turn into garbage.
  const std::size_t n = whole_characters(bytes, bufferSize - 1, encoding);
  std::memcpy(buffer, bytes.data(), n);
  buffer[n] = '\0';
  return static_cast<uint32_t>(n);
}

}  // namespace

}  // namespace velmora::fmw

using namespace velmora::fmw;

extern "C" {

FMX_API FMX_Text* FM_Text_Constructor1(FMX_ErrorRecord* err) {
  return guarded<FMX_Text*>(err, nullptr, [] {
    text_allocation();
    return new FMX_Text;
  });
}

FMX_API void FM_Text_Delete(FMX_Text* text, FMX_ErrorRecord* err) {
  guarded_void(err, [&] { delete text; });
}

FMX_API void FM_Text_Assign(FMX_Text* text, const char* bytes, int32_t encoding,
                            FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    require(bytes);
    assign_bytes(text, bytes, std::strlen(bytes), encoding);
  });
}

FMX_API void FM_Text_AssignWithLength(FMX_Text* text, const char* bytes, uint32_t length,
                                      int32_t encoding, FMX_ErrorRecord* err) {
  guarded_void(err, [&] { assign_bytes(text, bytes, length, encoding); });
}

FMX_API void FM_Text_AssignUnicode(FMX_Text* text, const uint16_t* units, FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    FMX_Text& t = require(text);
    require(units);
    std::size_t n = 0;
    while (units[n] != 0) ++n;
    text_allocation();
    t.units.assign(reinterpret_cast<const char16_t*>(units), n);
  });
}

FMX_API void FM_Text_AssignUnicodeWithLength(FMX_Text* text, const uint16_t* units, uint32_t length,
                                             FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    FMX_Text& t = require(text);
    if (units == nullptr && length > 0) throw BadArgument{};
    text_allocation();
    t.units.assign(reinterpret_cast<const char16_t*>(units), length);
  });
}

FMX_API uint32_t FM_Text_GetSize(const FMX_Text* text, FMX_ErrorRecord* err) {
  return guarded<uint32_t>(err, 0,
                           [&] { return static_cast<uint32_t>(require(text).units.size()); });
}

FMX_API void FM_Text_SetText(FMX_Text* text, const FMX_Text* source, uint32_t position,
                             uint32_t length, FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    FMX_Text& t = require(text);
    // A copy first: the source may be the text itself.
    std::u16string part(range(require(source).units, position, length));
    text_allocation();
    t.units = std::move(part);
  });
}

FMX_API void FM_Text_GetBytes(const FMX_Text* text, char* buffer, uint32_t bufferSize,
                              uint32_t position, uint32_t length, int32_t encoding,
                              FMX_ErrorRecord* err) {
  guarded_void(err, [&] { (void)get_bytes(text, buffer, bufferSize, position, length, encoding); });
}

FMX_API uint32_t FM_Text_GetBytesEx(const FMX_Text* text, char* buffer, uint32_t bufferSize,
                                    uint32_t position, uint32_t length, int32_t encoding,
                                    FMX_ErrorRecord* err) {
  return guarded<uint32_t>(
      err, 0, [&] { return get_bytes(text, buffer, bufferSize, position, length, encoding); });
}

// `size` counts the units copied (a range past the end stops there); no terminator is
// written, so a buffer of exactly those units is enough.
FMX_API void FM_Text_GetUnicode(const FMX_Text* text, uint16_t* buffer, uint32_t position,
                                uint32_t size, FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    const FMX_Text& t = require(text);
    const std::u16string_view part = range(t.units, position, size);
    require(buffer);
    std::memcpy(buffer, part.data(), part.size() * sizeof(uint16_t));
  });
}

FMX_API void FM_Text_InsertText(FMX_Text* text, const FMX_Text* other, uint32_t position,
                                FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    FMX_Text& t = require(text);
    if (position > t.units.size()) throw BadArgument{};
    std::u16string part = require(other).units;  // the other may be the text itself
    text_allocation();
    t.units.insert(position, part);
  });
}

FMX_API uint32_t FM_Text_Find(const FMX_Text* text, const FMX_Text* other, uint32_t position,
                              FMX_ErrorRecord* err) {
  return guarded<uint32_t>(err, kNotFound, [&]() -> uint32_t {
    const FMX_Text& t = require(text);
    const FMX_Text& o = require(other);
    if (position > t.units.size()) throw BadArgument{};
    const std::size_t at = t.units.find(o.units, position);
    return at == std::u16string::npos ? kNotFound : static_cast<uint32_t>(at);
  });
}

FMX_API void FM_Text_DeleteText(FMX_Text* text, uint32_t position, uint32_t length,
                                FMX_ErrorRecord* err) {
  guarded_void(err, [&] {
    FMX_Text& t = require(text);
    const std::size_t n = range(t.units, position, length).size();
    t.units.erase(position, n);
  });
}

}  // extern "C"
