// VeUtl_VolumeCount, VeUtl_GetVolume and VeUtl_EjectVolume: the drive list by number,
// and ejecting a removable medium.
#include <bit>

#include "files/volume_label.hpp"
#include "host/handlers.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "platform/fs.hpp"
#include "platform/volumes.hpp"

namespace velmora::files {

namespace {

constexpr std::size_t kMaxVolumeText = 62;

// A server path where a volume label was expected.
bool names_server(std::string_view text) {
  return (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') ||
         text.find("::") != std::string_view::npos;
}

}  // namespace

Err volume_count(Call&) {
  std::uint32_t mask = platform::logical_drive_mask();
  if (mask == 0) return static_cast<Err>(platform::last_error());
  return host::set_result(params::decimal(std::popcount(mask)));
}

Err get_volume(Call& call) {
  std::int32_t index = 0;
  if (!params::validated_integer(call.params, "INDEX", index) &&
      !params::item_integer(call.params, 1, index)) {
    return kParamErr;
  }
  if (index <= 0) return kNoSuchVolume;
  std::vector<std::string> roots = platform::logical_drive_strings();
  // Past the last drive is a failure of its own, never a success without an answer.
  if (static_cast<std::size_t>(index) > roots.size()) return kNoSuchVolume;
  std::string root = roots[static_cast<std::size_t>(index) - 1];
  if (root.size() == 3 && root[1] == ':' && root[2] == '\\') root.pop_back();
  return host::set_result(root);
}

Err eject_volume(Call& call) {
  const char* value = params::text(call.params, "VOLUME");
  if (value == nullptr) value = params::text(call.params, "NAME");
  if (value == nullptr) value = params::text(call.params, "PATH");
  if (value == nullptr) return kParamErr;
  std::string_view text = value;
  if (text.size() > kMaxVolumeText) return kNoSuchVolume;

  char letter = 0;
  if (text.size() >= 2 && text[1] == ':') {
    letter = text[0];
  } else {
    if (names_server(text)) return kParamErr;
    std::optional<std::string> root = drive_root_for_label(text);
    if (!root) return kParamErr;
    letter = (*root)[0];
  }
  if (!platform::eject_drive(letter)) return kParamErr;
  return kNoErr;
}

}  // namespace velmora::files
