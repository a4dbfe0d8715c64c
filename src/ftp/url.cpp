#include "ftp/url.hpp"

#include "params/text_util.hpp"

namespace velmora::ftp {
namespace {

// Each part of a split URL lives in a buffer of this many bytes with its terminator.
constexpr std::size_t kPartBuffer = 1000;

struct DefaultPort {
  std::string_view scheme;
  std::uint16_t port;
};
constexpr DefaultPort kDefaultPorts[] = {
    {"ftp", 21}, {"ftps", 21}, {"http", 80}, {"https", 443}, {"gopher", 70},
};

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %xx becomes its byte; a '%' not followed by two hex digits stays as it is.
std::string decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int hi = hex_value(text[i + 1]);
      int lo = hex_value(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

bool valid_scheme(std::string_view s) {
  if (s.empty() || !params::is_ascii_letter(static_cast<unsigned char>(s[0]))) return false;
  for (unsigned char c : s) {
    if (!params::is_ascii_letter(c) && !params::is_digit(c) && c != '+' && c != '-' && c != '.')
      return false;
  }
  return true;
}

std::uint16_t default_port(std::string_view scheme) {
  for (const auto& d : kDefaultPorts) {
    if (params::equals_ignore_case(d.scheme, scheme)) return d.port;
  }
  return 0;
}

bool parse_port(std::string_view text, std::uint16_t& out) {
  if (text.empty() || text.size() > 5) return false;
  std::uint32_t value = 0;
  for (unsigned char c : text) {
    if (!params::is_digit(c)) return false;
    value = value * 10 + (c - '0');
  }
  if (value == 0 || value > 65535) return false;
  out = static_cast<std::uint16_t>(value);
  return true;
}

bool fits(const std::string& part) {
  return part.size() < kPartBuffer;
}

}  // namespace

std::optional<UrlParts> split_url(std::string_view url) {
  UrlParts parts;
  const auto colon = url.find("://");
  if (colon == std::string_view::npos || !valid_scheme(url.substr(0, colon))) return std::nullopt;
  parts.scheme = std::string(url.substr(0, colon));

  std::string_view rest = url.substr(colon + 3);
  const auto path_start = rest.find('/');
  std::string_view authority = rest.substr(0, path_start);
  if (path_start != std::string_view::npos) parts.path = decode(rest.substr(path_start));

  // The last '@' ends the credentials: a password may itself hold an unescaped '@'.
  const auto at = authority.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view credentials = authority.substr(0, at);
    authority = authority.substr(at + 1);
    const auto sep = credentials.find(':');
    parts.user = decode(credentials.substr(0, sep));
    if (sep != std::string_view::npos) parts.password = decode(credentials.substr(sep + 1));
  }

  std::string_view host = authority;
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(0, close + 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      port = after.substr(1);
    }
  } else if (const auto sep = authority.find(':'); sep != std::string_view::npos) {
    host = authority.substr(0, sep);
    port = authority.substr(sep + 1);
  }
  parts.host = std::string(host);
  parts.port = default_port(parts.scheme);
  if (!port.empty() && !parse_port(port, parts.port)) return std::nullopt;

  if (!fits(parts.scheme) || !fits(parts.host) || !fits(parts.user) || !fits(parts.password) ||
      !fits(parts.path)) {
    return std::nullopt;
  }
  return parts;
}

bool is_ftp_scheme(std::string_view scheme) {
  return scheme.size() >= 3 && params::equals_ignore_case(scheme.substr(0, 3), "ftp");
}

bool is_secure_scheme(std::string_view scheme) {
  return params::equals_ignore_case(scheme, "ftps");
}

}  // namespace velmora::ftp
