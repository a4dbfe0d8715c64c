#include "files/version_block.hpp"

#include <cctype>

#include "platform/module.hpp"

namespace velmora::files {

namespace {

// The value of field `key=` in a block of "\0"-separated fields; none when absent.
bool field(std::string_view block, std::string_view key, std::string_view& value) {
  std::size_t pos = 0;
  while (pos < block.size()) {
    std::size_t end = block.find('\0', pos);
    if (end == std::string_view::npos) end = block.size();
    const std::string_view f = block.substr(pos, end - pos);
    if (f.size() > key.size() && f.substr(0, key.size()) == key && f[key.size()] == '=') {
      value = f.substr(key.size() + 1);
      return true;
    }
    pos = end + 1;
  }
  return false;
}

std::string lower_hex4(std::string_view s) {
  std::string out;
  for (const char c : s) {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return {};
    out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out.size() == 4 ? out : std::string();
}

}  // namespace

std::string file_version_from_block(std::string_view block) {
  std::string_view translations;
  if (!field(block, "Translation", translations)) return {};
  // The first language and code page pair, as eight lower-case hexadecimal digits.
  const std::size_t comma = translations.find(',');
  if (comma == std::string_view::npos) return {};
  const std::size_t end = translations.find(' ', comma);
  const std::string language = lower_hex4(translations.substr(0, comma));
  const std::string code_page = lower_hex4(translations.substr(
      comma + 1, end == std::string_view::npos ? std::string_view::npos : end - comma - 1));
  if (language.empty() || code_page.empty()) return {};
  const std::string key = "StringFileInfo\\" + language + code_page + "\\FileVersion";
  std::string_view version;
  if (!field(block, key, version)) return {};
  return std::string(version);
}

std::string module_file_version() {
  static const std::string cached = [] {
    const auto block = platform::module_version_block();
    std::string v = block ? file_version_from_block(*block) : std::string();
    return v.empty() ? std::string("unknown") : v;
  }();
  return cached;
}

}  // namespace velmora::files
