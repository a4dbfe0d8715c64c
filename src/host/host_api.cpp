#include "host/host_api.hpp"

#include <new>
#include <vector>

namespace velmora::host {

namespace {
FMX_ExternCallStruct* g_record = nullptr;
}

void check(const FMX_ErrorRecord& err) {
  if (err.code == FMX_ERR_NONE) return;
  if (err.code == FMX_ERR_MEMORY) throw std::bad_alloc();
  throw HostError();
}

FMX_ExternCallStruct* record() {
  return g_record;
}
void set_record(FMX_ExternCallStruct* r) {
  g_record = r;
}

Text::Text() {
  ErrorRecord err;
  text_ = FM_Text_Constructor1(&err);
  check(err);
  if (text_ == nullptr) throw std::bad_alloc();
}

Text::~Text() {
  ErrorRecord err;
  FM_Text_Delete(text_, &err);
}

void Text::assign_utf16(const std::u16string& units) {
  ErrorRecord err;
  FM_Text_AssignUnicode(text_, reinterpret_cast<const std::uint16_t*>(units.c_str()), &err);
  check(err);
}

void Text::assign_utf8(std::string_view utf8) {
  assign_bytes(utf8, FMX_ENC_UTF8);
}

void Text::assign_bytes(std::string_view bytes, int encoding) {
  ErrorRecord err;
  FM_Text_AssignWithLength(text_, bytes.data(), static_cast<std::uint32_t>(bytes.size()), encoding,
                           &err);
  check(err);
}

std::uint32_t Text::size() const {
  ErrorRecord err;
  const std::uint32_t n = FM_Text_GetSize(text_, &err);
  check(err);
  return n;
}

void Text::set_from(const FMX_Text* source) {
  ErrorRecord err;
  FM_Text_SetText(text_, source, 0, 0xFFFFFFFFu, &err);
  check(err);
}

std::string Text::cp932_bytes() const {
  const std::uint32_t units = size();
  // Every UTF-16 unit takes at most two bytes in code page 932 (a surrogate pair becomes
  // one '?'), so the buffer always holds the whole text.
  std::vector<char> buffer(static_cast<std::size_t>(units) * 2 + 1, '\0');
  ErrorRecord err;
  // The call answers nothing: the bytes are measured up to the terminator it writes.
  FM_Text_GetBytes(text_, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0, 0xFFFFFFFFu,
                   FMX_ENC_SJIS, &err);
  check(err);
  buffer.back() = '\0';
  return std::string(buffer.data());
}

std::uint32_t Text::find(const Text& other, std::uint32_t from) const {
  ErrorRecord err;
  const std::uint32_t at = FM_Text_Find(text_, other.text_, from, &err);
  check(err);
  return at;
}

void Text::erase(std::uint32_t position, std::uint32_t length) {
  ErrorRecord err;
  FM_Text_DeleteText(text_, position, length, &err);
  check(err);
}

QuadChar::QuadChar(char a, char b, char c, char d) {
  ErrorRecord err;
  quad_ = FM_QuadChar_Constructor2(a, b, c, d, &err);
  check(err);
  if (quad_ == nullptr) throw std::bad_alloc();
}

QuadChar::~QuadChar() {
  ErrorRecord err;
  FM_QuadChar_Delete(quad_, &err);
}

}  // namespace velmora::host
