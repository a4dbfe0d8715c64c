// The URL parameter is the user's text: splitting it must never misbehave, and the parts
// must stay within their buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ftp/url.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parts = velmora::ftp::split_url(text);
  if (parts) {
    if (parts->host.size() >= 1000 || parts->path.size() >= 1000 || parts->user.size() >= 1000 ||
        parts->password.size() >= 1000) {
      std::abort();
    }
    (void)velmora::ftp::is_ftp_scheme(parts->scheme);
  }
  return 0;
}
