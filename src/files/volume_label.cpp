// The volume-label search: the drive roots in list order, each asked for its label.
#include "files/volume_label.hpp"

#include "params/text_util.hpp"
#include "platform/volumes.hpp"

namespace velmora::files {

std::optional<std::string> drive_root_for_label(std::string_view label) {
  if (label.empty()) return std::nullopt;
  for (const std::string& root : platform::logical_drive_strings()) {
    std::string drive_label;
    // A drive without a medium answers nothing and is passed over quietly.
    if (!platform::volume_information(root, &drive_label, nullptr)) continue;
    if (params::equals_ignore_case(drive_label, label)) return root;
  }
  return std::nullopt;
}

}  // namespace velmora::files
