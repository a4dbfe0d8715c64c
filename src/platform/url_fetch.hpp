// Fetching a picture by its address (http: or ftp:) into memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

enum class FetchResult {
  ok,
  not_found,       // the server has no such item
  refused,         // any other refusal by the server (HTTP 4xx/5xx, FTP 5xx)
  bad_address,     // the address cannot be parsed, or names another scheme
  name_unknown,    // the server's name cannot be resolved
  cannot_connect,  // no connection to the server
  timeout,         // no progress for the time allowed
  too_large,       // more than the bytes allowed
  failed,          // any other failure of the transfer
};

// Only http and ftp (redirects too); `max_bytes` caps what is kept in memory.
FetchResult fetch_url(const std::string& url, std::uint64_t max_bytes,
                      std::vector<std::uint8_t>& out);

}  // namespace velmora::platform
