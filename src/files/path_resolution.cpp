// Path resolution: every notation of a path argument made into a PathSpec.
#include <algorithm>
#include <cstdint>

#include "files/path_notation.hpp"
#include "files/path_spec.hpp"
#include "files/volume_label.hpp"
#include "platform/fs.hpp"
#include "platform/volumes.hpp"

namespace velmora::files {

namespace {

bool fits(const std::string& full) {
  return full.size() + 1 <= kMaxPath;
}

// \\server\share\ of a server path.
std::string share_root(const std::string& full) {
  std::size_t cut = 2;
  int seen = 0;
  for (; cut < full.size(); ++cut) {
    if (full[cut] == '\\' && ++seen == 2) break;
  }
  return full.substr(0, cut) + "\\";
}

void read_flags(std::string_view path, PathSpec& out) {
  std::uint32_t attributes = 0;
  out.exists = platform::get_attributes(path, attributes);
  out.is_folder = out.exists && (attributes & platform::attr::kDirectory) != 0;
}

// The platform file specification of a full path: volume (drive number in the list)
// and parent folder (a stable number of the folder that holds the item).  0, -43 when
// the item is missing but its folder exists, -120 when the folder is missing, -35 when
// the drive or share is unknown.
Err make_file_spec(const std::string& full, PathSpec& out) {
  out.volume_ref = 0;
  out.parent_id = 0;
  if (full.size() >= 2 && full[1] == ':') {
    std::vector<std::string> roots = platform::logical_drive_strings();
    auto it = std::find_if(roots.begin(), roots.end(),
                           [&](const std::string& r) { return r[0] == full[0]; });
    if (it == roots.end()) return kNoSuchVolume;
    out.volume_ref = static_cast<std::int16_t>(1 + (it - roots.begin()));
  } else if (platform::drive_type(share_root(full)) == platform::DriveType::NoRootDir) {
    return kNoSuchVolume;
  }

  std::size_t start = name_start(full);
  bool is_root = start >= full.size() || (start == 3 && full[1] == ':' && full.size() == 3);
  if (is_root || start == 0) {
    out.parent_id = 1;  // the root's parent, as the classic file system numbers it
    return platform::exists(full) ? kNoErr : kFileNotFound;
  }
  std::string folder = full.substr(0, start);
  platform::FileIdentity parent;
  if (!platform::identity(folder, parent) || !platform::is_folder(folder)) return kDirNotFound;
  out.parent_id = static_cast<std::int32_t>(parent.node & 0x7FFFFFFF);
  return platform::exists(full) ? kNoErr : kFileNotFound;
}

Err resolve_network(std::string_view text, PathSpec& out) {
  std::string full;
  if (!platform::full_path_name(network_to_native(text), full)) return kParamErr;
  if (!fits(full)) return kParamErr;
  out.name = full;
  std::uint32_t attributes = 0;
  out.exists = platform::get_attributes(full, attributes);
  out.is_folder = out.exists && (attributes & platform::attr::kDirectory) != 0;
  if (!out.exists && platform::last_error() == platform::winerr::kLogonFailure) {
    platform::cancel_connection(full);
  }
  out.volume_ref = 0;
  out.parent_id = 0;
  return kNoErr;
}

}  // namespace

Err resolve_path(std::string_view text, PathSpec& out) {
  out = PathSpec{};
  PathForm form = classify(text);
  if (form == PathForm::Network) return resolve_network(text, out);

  std::string native(text);
  if (form == PathForm::Colon) {
    std::string label, rest;
    split_colon_notation(text, label, rest);
    if (label.empty()) {
      native = rest;
    } else {
      std::optional<std::string> root = drive_root_for_label(label);
      if (!root) return kParamErr;
      native = *root + rest;
    }
  }
  // A drive alone names its root, and C:name the item in that root.
  if (native.size() == 2 && native[1] == ':') {
    native.push_back('\\');
  } else if (native.size() > 2 && native[1] == ':' && native[2] != '\\') {
    native.insert(2, 1, '\\');
  }

  std::string full;
  if (!platform::full_path_name(native, full)) return kDirNotFound;
  if (!fits(full)) return kParamErr;
  out.name = full;

  Err spec = make_file_spec(full, out);
  if (spec == kFileNotFound) {
    out.exists = false;
    out.is_folder = false;
    return kNoErr;
  }
  if (spec != kNoErr) return spec;
  read_flags(full, out);
  return kNoErr;
}

}  // namespace velmora::files
