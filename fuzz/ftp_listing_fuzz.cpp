// Folder listings come from any server: every byte sequence must parse without harm, and
// every entry found must be a non-empty name on one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ftp/listing.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& entry : velmora::ftp::parse_listing(text)) {
    if (entry.name.empty() || entry.name.find('\n') != std::string::npos) std::abort();
  }
  return 0;
}
