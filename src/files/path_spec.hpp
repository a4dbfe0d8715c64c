// Every path argument (PATH, SRC, DEST, ...) becomes a PathSpec before anything touches
// the file system.  Paths are Windows-form native text (code page 932), for example
// C:\Data\a.txt or \\server\share\x; the platform maps them onto its own file system.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/errors.hpp"
#include "platform/fs.hpp"

namespace velmora::files {

inline constexpr std::size_t kMaxPath = 255;  // bytes of a full path, without terminator

struct PathSpec {
  std::int16_t volume_ref = 0;  // the platform file specification: volume
  std::int32_t parent_id = 0;   // the platform file specification: folder
  std::string name;             // full native path, at most 254 bytes
  bool is_folder = false;       // exists and is a directory
  bool exists = false;
  // Who the item was when it was resolved, where the platform told it on the way; lets
  // a caller that keeps something per item check it without looking again.
  std::optional<platform::FileIdentity> identity;
};

// Resolves every notation (drive, colon, volume label, network server::share:x,
// backslash, bare name).  0 means `out` is filled; the item may still not exist.
// -50 for a path too long or a volume label no drive carries.
Err resolve_path(std::string_view text, PathSpec& out);

}  // namespace velmora::files
