#include "script.hpp"

namespace velmora::fmhost {

std::optional<ScriptCall> parse_line(std::string line) {
  // A script saved with Windows line ends still reads the same.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos || line[start] == '#') return std::nullopt;
  const std::size_t blank = line.find(' ', start);
  if (blank == std::string::npos) return ScriptCall{line.substr(start), {}};
  return ScriptCall{line.substr(start, blank - start), line.substr(blank + 1)};
}

}  // namespace velmora::fmhost
