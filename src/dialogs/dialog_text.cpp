#include "dialogs/dialog_text.hpp"

#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/text.hpp"

namespace velmora::dialogs {

std::string cut_to_field(std::string_view native, std::size_t field) {
  if (field == 0) return {};
  const std::size_t room = field - 1;
  if (native.size() <= room) return std::string(native);
  std::size_t end = 0;
  while (end < room) {
    const std::size_t step = params::is_lead_byte(static_cast<unsigned char>(native[end])) ? 2 : 1;
    if (end + step > room) break;
    end += step;
  }
  return std::string(native.substr(0, end));
}

std::string field_text(const params::Store& s, std::string_view key, std::size_t field) {
  const char* value = params::text(s, key);
  if (value == nullptr) return {};
  return platform::native_to_utf8(cut_to_field(value, field));
}

}  // namespace velmora::dialogs
