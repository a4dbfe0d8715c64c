// Picture addresses through libcurl: http and ftp only, redirects limited to the same
// two, a connect time-out and a minimum rate so that neither a silent server nor one that
// drips its bytes can hang a call.
#include "platform/url_fetch.hpp"

#include <chrono>
#include <new>

#include "platform/linux/curl_library.hpp"

namespace velmora::platform {

namespace {

constexpr long kConnectSeconds = 30;
constexpr long kStallSeconds = 30;  // below 1 byte a second for this long: a stall
constexpr long kMaxRedirects = 5;
// What every stall period must move.  libcurl's own stall check is satisfied by a byte a
// second, so a server that drips a byte now and then would hold the call for as long as
// it likes; the first period also covers connecting and the server's first answer.
constexpr curl_off_t kProgressBytes = 1024;

using Clock = std::chrono::steady_clock;

struct Watch {
  Clock::time_point window_start = Clock::now();
  Clock::duration window = std::chrono::seconds(kConnectSeconds + kStallSeconds);
  curl_off_t window_bytes = 0;
  bool timed_out = false;
};

int watch_progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t) {
  auto* w = static_cast<Watch*>(user);
  const Clock::time_point now = Clock::now();
  if (now - w->window_start < w->window) return 0;
  if (down - w->window_bytes < kProgressBytes) {
    w->timed_out = true;
    return 1;
  }
  w->window_start = now;
  w->window = std::chrono::seconds(kStallSeconds);
  w->window_bytes = down;
  return 0;
}

struct Sink {
  std::vector<std::uint8_t>* out;
  std::uint64_t max;
  bool too_large = false;
  bool no_memory = false;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->out->size() + n > sink->max) {
    sink->too_large = true;
    return 0;
  }
  try {
    sink->out->insert(sink->out->end(), data, data + n);
  } catch (const std::bad_alloc&) {
    sink->no_memory = true;
    return 0;
  }
  return n;
}

FetchResult from_curl(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return FetchResult::ok;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return FetchResult::bad_address;
    case CURLE_COULDNT_RESOLVE_HOST:
      return FetchResult::name_unknown;
    case CURLE_COULDNT_CONNECT:
      return FetchResult::cannot_connect;
    case CURLE_OPERATION_TIMEDOUT:
      return FetchResult::timeout;
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return FetchResult::not_found;
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_LOGIN_DENIED:
      return FetchResult::refused;
    default:
      return FetchResult::failed;
  }
}

}  // namespace

FetchResult fetch_url(const std::string& url, std::uint64_t max_bytes,
                      std::vector<std::uint8_t>& out) {
  out.clear();
  const linux_backend::CurlLibrary* lib = linux_backend::curl_library();
  if (lib == nullptr) return FetchResult::failed;
  CURL* curl = lib->easy_init();
  if (curl == nullptr) return FetchResult::failed;
  Sink sink{&out, max_bytes};
  lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,ftp");
  lib->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,ftp");
#else
  lib->easy_setopt(curl, CURLOPT_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_FTP);
  lib->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_FTP);
#endif
  lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  lib->easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  lib->easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  lib->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  lib->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  lib->easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 1L);
  lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  lib->easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  Watch watch;
  lib->easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  lib->easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watch_progress);
  lib->easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
  const CURLcode code = lib->easy_perform(curl);
  long status = 0;
  lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  lib->easy_cleanup(curl);
  if (sink.no_memory) {
    out.clear();
    throw std::bad_alloc();
  }
  if (sink.too_large) {
    out.clear();
    return FetchResult::too_large;
  }
  if (code == CURLE_ABORTED_BY_CALLBACK && watch.timed_out) {
    out.clear();
    return FetchResult::timeout;
  }
  // An FTP server answers 550 for a folder on the way that is not there, as for the file
  // itself: either way the item does not exist.
  if ((code == CURLE_HTTP_RETURNED_ERROR && status == 404) ||
      (code == CURLE_REMOTE_ACCESS_DENIED && status == 550)) {
    out.clear();
    return FetchResult::not_found;
  }
  const FetchResult result = from_curl(code);
  if (result != FetchResult::ok) out.clear();
  return result;
}

}  // namespace velmora::platform
