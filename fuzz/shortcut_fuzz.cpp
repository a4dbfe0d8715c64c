// Arbitrary bytes read as a shortcut (.lnk) file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/shortcut.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto target = velmora::platform::shortcut_target_from_bytes(bytes)) {
    if (target->size() > 259) __builtin_trap();
  }
  return 0;
}
