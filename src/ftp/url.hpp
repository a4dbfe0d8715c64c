// An FTP URL split into its parts, the way the transfer functions address a server:
// scheme://[user[:password]@]host[:port][/path].
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::ftp {

struct UrlParts {
  std::string scheme;      // as written, without "://"
  std::string host;        // an IPv6 address keeps its brackets
  std::uint16_t port = 0;  // the scheme's default when the URL names none
  std::string user;        // %xx sequences decoded; empty when absent
  std::string password;    // %xx sequences decoded; empty when absent
  std::string path;        // from the first "/" after the host, %xx decoded; may be empty
};

// Splits a URL; nothing when it has no scheme, no "//" authority, a port that is not a
// number from 1 to 65535, or a part longer than a split buffer holds.
std::optional<UrlParts> split_url(std::string_view url);

// The scheme names FTP: it begins with "ftp", letter case ignored (ftp, ftps, ...).
bool is_ftp_scheme(std::string_view scheme);
// FTP over explicit TLS (AUTH TLS on the usual control port).
bool is_secure_scheme(std::string_view scheme);

}  // namespace velmora::ftp
