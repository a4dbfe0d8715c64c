// Linux backend only: libcurl, loaded the first time a transfer needs it rather than with
// the module, so that the many libraries it brings (TLS, Kerberos, LDAP, ...) cost
// nothing to a host that never transfers a file.
#pragma once
#include <curl/curl.h>

namespace velmora::platform::linux_backend {

// The libcurl calls the backend makes.
struct CurlLibrary {
  CURLcode (*global_init)(long flags);
  CURL* (*easy_init)();
  void (*easy_cleanup)(CURL* handle);
  void (*easy_reset)(CURL* handle);
  CURLcode (*easy_perform)(CURL* handle);
  CURLcode (*easy_setopt)(CURL* handle, CURLoption option, ...);
  CURLcode (*easy_getinfo)(CURL* handle, CURLINFO info, ...);
};

// The library, loaded and initialised once per process; null when it cannot be loaded
// (then no transfer can be made).
const CurlLibrary* curl_library();

}  // namespace velmora::platform::linux_backend
