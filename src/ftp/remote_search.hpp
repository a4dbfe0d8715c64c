// Finds a remote file whose path matches a given one but for letter case, walking the
// server's folders one component at a time.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/ftp.hpp"

namespace velmora::ftp {

// The path in the server's own letter case, or nothing when a component matches no
// entry.  Entries whose names begin with "." are not candidates: those are found only
// when asked for in their exact case.
std::optional<std::string> find_ignoring_case(platform::FtpSession& session, std::string_view path);

// ASCII letters upper-cased; the second bytes of double-byte characters left alone.
std::string upper_native(std::string_view text);

}  // namespace velmora::ftp
