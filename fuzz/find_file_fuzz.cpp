// FindFile's handling of outside bytes: names read from disk against patterns from a
// script (Windows wildcard rules), result paths turned into network notation and
// escaped, and file type codes looked up.  Input: pattern, a zero byte, then a name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dialogs/file_types.hpp"
#include "files/find_search.hpp"
#include "params/text_util.hpp"
#include "platform/fs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find('\0');
  const std::string_view first = input.substr(0, split);
  const std::string_view second =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  velmora::files::FindCriteria criteria;
  criteria.name = std::string(first.substr(0, 63));
  criteria.extension = std::string(second.substr(0, 63));
  const std::string pattern = velmora::files::find_pattern(criteria);
  (void)velmora::platform::wildcard_match(pattern, second);
  (void)velmora::platform::wildcard_match(first, second);

  // A server path gets shorter or at most one byte longer ("\\" -> "::" once).
  const std::string path = "\\\\" + std::string(input);
  const std::string shown = velmora::files::network_notation(path);
  if (shown.size() > path.size()) std::abort();
  const std::string escaped = velmora::params::escape(shown, 255);
  if (escaped.size() > 255 + 255) std::abort();

  if (const auto code = velmora::dialogs::four_cc(first)) {
    if (const auto type = velmora::dialogs::lookup_file_type(*code)) {
      if (type->extension.empty() != type->patterns.empty()) std::abort();
    }
  }
  return 0;
}
