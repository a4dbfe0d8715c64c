// Windows wildcard matching over native names: '*' any run, '?' one character, letters
// in any case, a double-byte character counted as one.
#include <vector>

#include "params/text_util.hpp"
#include "platform/fs.hpp"

namespace velmora::platform {

namespace {

// Splits native text into characters (one or two bytes each).
std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n =
        params::is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

bool same_character(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() == 1) {
    return params::to_upper_ascii(static_cast<unsigned char>(a[0])) ==
           params::to_upper_ascii(static_cast<unsigned char>(b[0]));
  }
  return a == b;
}

// The classic single-backtrack glob: linear in practice, never exponential.
bool glob(const std::vector<std::string_view>& p, const std::vector<std::string_view>& n) {
  std::size_t pi = 0, ni = 0, star = std::string_view::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == "*") {
      star = pi++;
      mark = ni;
    } else if (pi < p.size() && (p[pi] == "?" || same_character(p[pi], n[ni]))) {
      ++pi;
      ++ni;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  std::vector<std::string_view> n = characters(name);
  if (glob(characters(pattern), n)) return true;
  // "name.*" also matches "name", and "name." matches "name": the dot before an empty or
  // any extension may stand for no extension at all.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return glob(characters(pattern.substr(0, pattern.size() - 2)), n);
  }
  if (!pattern.empty() && pattern.back() == '.' &&
      !params::is_second_byte(pattern.data(), pattern.data() + pattern.size() - 1)) {
    return name.find('.') == std::string_view::npos &&
           glob(characters(pattern.substr(0, pattern.size() - 1)), n);
  }
  return false;
}

}  // namespace velmora::platform
