#include "ftp/remote_search.hpp"

#include <vector>

#include "params/text_util.hpp"

namespace velmora::ftp {
namespace {

bool is_path_separator(char c) {
  return c == '/' || c == '\\';
}

// Components of a path, split at "/" and "\"; the second byte of a double-byte
// character is never a separator.
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && params::is_lead_byte(static_cast<unsigned char>(path[i]))) {
      ++i;
      continue;
    }
    if (i == path.size() || is_path_separator(path[i])) {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

const platform::FtpEntry* match(const std::vector<platform::FtpEntry>& entries,
                                std::string_view wanted_upper) {
  for (const auto& entry : entries) {
    if (!entry.name.empty() && entry.name.front() == '.') continue;
    if (upper_native(entry.name) == wanted_upper) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string upper_native(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (params::is_lead_byte(c)) {
      ++i;
      continue;
    }
    out[i] = static_cast<char>(params::to_upper_ascii(c));
  }
  return out;
}

std::optional<std::string> find_ignoring_case(platform::FtpSession& session,
                                              std::string_view path) {
  const std::string wanted = upper_native(path);
  std::string found;
  if (!path.empty() && is_path_separator(path.front())) {
    found = "/";
  } else {
    if (session.current_folder(found) != 0) return std::nullopt;
    if (found.empty() || found.back() != '/') found.push_back('/');
  }

  const auto parts = components(wanted);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::vector<platform::FtpEntry> entries;
    if (session.list(found, entries) != 0) return std::nullopt;
    const platform::FtpEntry* entry = match(entries, parts[i]);
    if (!entry) return std::nullopt;
    found += entry->name;
    // A link to a folder lists as a file; what follows it decides, not its listed kind.
    const bool more = i + 1 < parts.size();
    if (more || entry->is_folder) found.push_back('/');
  }
  return found;
}

}  // namespace velmora::ftp
