// Path resolution: every notation of a path argument made into a PathSpec.
#include <algorithm>
#include <bit>
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

// A stable number for the folder that holds an item: a hash of its path, letters in any
// case, as the classic file system's folder numbers were stable for a folder.
std::int32_t parent_number(std::string_view folder) {
  std::uint32_t hash = 2166136261u;
  for (char c : folder) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') u = static_cast<unsigned char>(u - 'a' + 'A');
    hash = (hash ^ u) * 16777619u;
  }
  return static_cast<std::int32_t>(hash & 0x7FFFFFFF) | 2;  // never the root's 1
}

// The platform file specification of a full path: volume (drive number in the list)
// and parent folder (a stable number of the folder that holds the item), with the
// item's exists and folder flags.  0, -43 when
// the item is missing but its folder exists, -120 when the folder is missing, -35 when
// the drive or share is unknown.
Err make_file_spec(const std::string& full, PathSpec& out) {
  out.volume_ref = 0;
  out.parent_id = 0;
  if (full.size() >= 2 && full[1] == ':') {
    // The drive's place in the drive list, counted from the mask rather than from the
    // list's texts: every path argument passes here.
    const int letter = static_cast<unsigned char>(full[0]) - 'A';
    const std::uint32_t mask = platform::logical_drive_mask();
    if (letter < 0 || letter >= 26 || (mask & (1u << letter)) == 0) return kNoSuchVolume;
    out.volume_ref = static_cast<std::int16_t>(1 + std::popcount(mask & ((1u << letter) - 1)));
  } else if (platform::drive_type(share_root(full)) == platform::DriveType::NoRootDir) {
    return kNoSuchVolume;
  }

  // The item itself first: when it exists, its folder does too.
  std::string_view item = full;
  if (item.size() > 3 && ends_with_backslash(item)) item.remove_suffix(1);
  std::size_t start = name_start(item);
  bool is_root = start >= item.size() || start == 0;
  out.parent_id = is_root ? 1 : parent_number(item.substr(0, start));
  bool folder = false;
  if (platform::probe(full, folder, out.identity)) {
    out.exists = true;
    out.is_folder = folder;
    return kNoErr;
  }
  if (is_root) return kFileNotFound;
  return platform::is_folder(item.substr(0, start)) ? kFileNotFound : kDirNotFound;
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
  return spec;
}

}  // namespace velmora::files
