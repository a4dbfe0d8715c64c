#include "platform/linux/caseless_glob.hpp"

namespace velmora::platform::linux_backend {

namespace {

bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string caseless_glob(const std::string& pattern) {
  if (pattern == "*.*") return "*";
  std::string out;
  out.reserve(pattern.size() * 4);
  for (const char c : pattern) {
    if (is_letter(c)) {
      out += '[';
      out += lower(c);
      out += upper(c);
      out += ']';
    } else if (c == '[' || c == ']') {
      out += '[';
      out += c;
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace velmora::platform::linux_backend
