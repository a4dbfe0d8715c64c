// Windows wildcard matching over native names: '*' any run, '?' one character, letters
// in any case, a double-byte character counted as one.
#include <string_view>

#include "params/text_util.hpp"
#include "platform/fs.hpp"

namespace velmora::platform {

namespace {

// Bytes of the character that starts at `i` (two for a lead byte with a byte after it).
std::size_t char_length(std::string_view text, std::size_t i) {
  return params::is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool same_character(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() == 1) {
    return params::to_upper_ascii(static_cast<unsigned char>(a[0])) ==
           params::to_upper_ascii(static_cast<unsigned char>(b[0]));
  }
  return a == b;
}

// The classic single-backtrack glob, a character (one or two bytes) at a time: linear in
// practice, never exponential.  Positions always stand at the start of a character, so
// a '*' or '?' byte seen there is the wildcard, never a second byte.
bool glob(std::string_view p, std::string_view n) {
  std::size_t pi = 0, ni = 0, star = std::string_view::npos, mark = 0;
  while (ni < n.size()) {
    const std::size_t pn = pi < p.size() ? char_length(p, pi) : 0;
    const std::size_t nn = char_length(n, ni);
    if (pn == 1 && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (pn != 0 &&
               ((pn == 1 && p[pi] == '?') || same_character(p.substr(pi, pn), n.substr(ni, nn)))) {
      pi += pn;
      ni += nn;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      mark += char_length(n, mark);
      ni = mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (glob(pattern, name)) return true;
  // "name.*" also matches "name", and "name." matches "name": the dot before an empty or
  // any extension may stand for no extension at all.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return glob(pattern.substr(0, pattern.size() - 2), name);
  }
  if (!pattern.empty() && pattern.back() == '.' &&
      !params::is_second_byte(pattern.data(), pattern.data() + pattern.size() - 1)) {
    return name.find('.') == std::string_view::npos &&
           glob(pattern.substr(0, pattern.size() - 1), name);
  }
  return false;
}

}  // namespace velmora::platform
