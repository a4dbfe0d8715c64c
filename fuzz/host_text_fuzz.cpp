// Arbitrary bytes through the host library's text conversions and text editing calls,
// and through its fault specification parser.
#include <fmx/FMHostServices.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kEncodings[] = {FMX_ENC_NATIVE,       FMX_ENC_UTF8,   FMX_ENC_SJIS,
                                  FMX_ENC_WINDOWS_ANSI, FMX_ENC_LATIN1, 42};

void require(bool condition) {
  if (!condition) std::abort();
}

std::u16string units_of(const FMX_Text* t) {
  FMX_ErrorRecord err{};
  const uint32_t n = FM_Text_GetSize(t, &err);
  std::vector<uint16_t> buffer(n + 1, 0xFFFF);
  FM_Text_GetUnicode(t, buffer.data(), 0, n, &err);
  require(err.code == FMX_ERR_NONE && buffer[n] == 0xFFFF);  // never past the units asked for
  return std::u16string(buffer.begin(), buffer.begin() + n);
}

// Converts with a buffer of `size` bytes and checks the cut and the terminator.
std::string bytes_of(const FMX_Text* t, uint32_t size, uint32_t position, uint32_t length,
                     int32_t encoding) {
  std::vector<char> buffer(size + 1, 'X');
  FMX_ErrorRecord err{};
  const uint32_t n = FM_Text_GetBytesEx(t, buffer.data(), size, position, length, encoding, &err);
  if (size > 0) require(n < size && buffer[n] == '\0');
  require(buffer[size] == 'X');
  // The call without an answer fills the buffer the same way.
  std::vector<char> plain(size + 1, 'X');
  FM_Text_GetBytes(t, plain.data(), size, position, length, encoding, &err);
  require(plain[size] == 'X');
  if (size > 0) require(std::memcmp(plain.data(), buffer.data(), n + 1) == 0);
  return std::string(buffer.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int32_t encoding = kEncodings[data[0] % 5];
  const uint32_t cut = data[1];
  const uint32_t position = data[2] % 16;
  const char* bytes = reinterpret_cast<const char*>(data + 3);
  const uint32_t n = static_cast<uint32_t>(size - 3);

  FMX_ErrorRecord err{};
  FMX_Text* text = FM_Text_Constructor1(&err);
  FMX_Text* other = FM_Text_Constructor1(&err);
  FM_Text_AssignWithLength(text, bytes, n, encoding, &err);
  const std::u16string units = units_of(text);

  // UTF-8 written from a text reads back as the same text, unpaired surrogates aside.
  const std::string utf8 =
      bytes_of(text, 4 * static_cast<uint32_t>(units.size()) + 1, 0, 0xFFFFFFFFu, FMX_ENC_UTF8);
  FM_Text_AssignWithLength(other, utf8.data(), static_cast<uint32_t>(utf8.size()), FMX_ENC_UTF8,
                           &err);
  if (encoding != FMX_ENC_UTF8 && encoding != FMX_ENC_NATIVE) require(units_of(other) == units);

  for (const int32_t e : kEncodings) {
    (void)bytes_of(text, cut, position, 0xFFFFFFFFu, e);
    (void)bytes_of(text, cut + 1, 0, position, e);
  }

  // Editing calls with positions taken from the input.
  FM_Text_SetText(other, text, position, cut, &err);
  (void)FM_Text_Find(text, other, position / 2, &err);
  FM_Text_DeleteText(text, position, cut, &err);
  FM_Text_SetText(text, text, position / 3, 0xFFFFFFFFu, &err);
  FM_Text_Delete(other, &err);
  FM_Text_Delete(text, &err);

  // The same bytes as a fault specification; faults are switched off again at once.
  const std::string spec(bytes, n);
  FMW_Host_SetFaults(spec.c_str());
  FMW_Host_SetFaults(nullptr);
  return 0;
}
