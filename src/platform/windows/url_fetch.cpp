// Fetching a picture by its address on Windows: WinINet opens http: and ftp: addresses
// (following redirects) and the bytes are read into memory up to the cap.
#include "platform/url_fetch.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

constexpr DWORD kTimeoutMs = 30000;

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  ~InternetHandle() {
    if (h_ != nullptr) InternetCloseHandle(h_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return h_; }

 private:
  HINTERNET h_;
};

bool has_scheme(const std::string& url, std::string_view scheme) {
  if (url.size() <= scheme.size()) return false;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    const char c = url[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != scheme[i]) return false;
  }
  return true;
}

FetchResult from_error(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      return FetchResult::name_unknown;
    case ERROR_INTERNET_CANNOT_CONNECT:
      return FetchResult::cannot_connect;
    case ERROR_INTERNET_TIMEOUT:
      return FetchResult::timeout;
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      return FetchResult::bad_address;
    case ERROR_INTERNET_EXTENDED_ERROR: {
      // The server's own answer: 550 is FTP's "no such file".
      DWORD code = 0;
      wchar_t text[256];
      DWORD length = 256;
      InternetGetLastResponseInfoW(&code, text, &length);
      return length >= 3 && text[0] == L'5' && text[1] == L'5' && text[2] == L'0'
                 ? FetchResult::not_found
                 : FetchResult::refused;
    }
    default:
      return FetchResult::failed;
  }
}

}  // namespace

FetchResult fetch_url(const std::string& url, std::uint64_t max_bytes,
                      std::vector<std::uint8_t>& out) {
  out.clear();
  const bool http = has_scheme(url, "http://");
  if (!http && !has_scheme(url, "ftp://")) return FetchResult::bad_address;
  if (url.find_first_of(" \r\n") != std::string::npos) return FetchResult::bad_address;
  InternetHandle internet(
      InternetOpenW(L"Velmora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (internet.get() == nullptr) return FetchResult::failed;
  DWORD timeout = kTimeoutMs;
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                             INTERNET_OPTION_SEND_TIMEOUT}) {
    InternetSetOptionW(internet.get(), option, &timeout, sizeof timeout);
  }
  InternetHandle request(
      InternetOpenUrlW(internet.get(), win::wide_from_utf8(url).c_str(), nullptr, 0,
                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                           INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_PASSIVE,
                       0));
  if (request.get() == nullptr) return from_error(GetLastError());
  if (http) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      return FetchResult::failed;
    }
    if (status == 404 || status == 410) return FetchResult::not_found;
    if (status >= 400) return FetchResult::refused;
  }
  std::uint8_t buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request.get(), buffer, sizeof buffer, &got)) {
      out.clear();
      return from_error(GetLastError());
    }
    if (got == 0) break;
    if (out.size() + got > max_bytes) {
      out.clear();
      return FetchResult::too_large;
    }
    out.insert(out.end(), buffer, buffer + got);
  }
  return FetchResult::ok;
}

}  // namespace velmora::platform
