#include "platform/linux/curl_library.hpp"

#include <dlfcn.h>

#include <mutex>

namespace velmora::platform::linux_backend {

namespace {

// The run-time name of libcurl 7.16 and later (the SONAME has not changed since).
constexpr const char* kLibrary = "libcurl.so.4";

template <typename F>
bool bind(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(library, name));
  return out != nullptr;
}

const CurlLibrary* load() {
  // Never closed: easy handles and the library's global state live as long as the module.
  void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  static CurlLibrary calls{};
  const bool bound = bind(library, "curl_global_init", calls.global_init) &&
                     bind(library, "curl_easy_init", calls.easy_init) &&
                     bind(library, "curl_easy_cleanup", calls.easy_cleanup) &&
                     bind(library, "curl_easy_reset", calls.easy_reset) &&
                     bind(library, "curl_easy_perform", calls.easy_perform) &&
                     bind(library, "curl_easy_setopt", calls.easy_setopt) &&
                     bind(library, "curl_easy_getinfo", calls.easy_getinfo);
  if (!bound || calls.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
  return &calls;
}

}  // namespace

const CurlLibrary* curl_library() {
  static std::once_flag once;
  static const CurlLibrary* loaded = nullptr;
  std::call_once(once, [] { loaded = load(); });
  return loaded;
}

}  // namespace velmora::platform::linux_backend
