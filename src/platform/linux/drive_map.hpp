// Linux backend only: where the Windows-form drive roots live on this machine.  C: is /
// by default, further drives are the mounted block-device file systems; VELMORA_DRIVES
// replaces the whole table ("C=/srv/c,confined;D=/media/x,label=PHOTOS,type=removable").
#pragma once
#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volumes.hpp"

namespace velmora::platform::linux_backend {

struct Drive {
  char letter = 'C';
  std::string directory;  // host directory of the root, no trailing '/' ("" for /)
  std::string label;      // UTF-8
  DriveType type = DriveType::Fixed;
  std::string file_system;  // "ext4", "vfat", ...; empty when unknown
  std::string device;       // block device or mount source, when known
  bool confined = false;    // no path or link may lead out of `directory`
};

// A mounted server share: \\server\share lives in `directory`.
struct Share {
  std::string server;  // UTF-8
  std::string share;
  std::string directory;
  bool confined = false;
};

// The drive table, in letter order (read once per process; tests set the variable
// before the first call).
const std::vector<Drive>& drives();
const Drive* drive_for_letter(char letter);
// The mounted shares (CIFS mounts, GVFS mounts; or the //server/share entries of
// VELMORA_DRIVES when it is set).
const std::vector<Share>& shares();
// The share of a server and share name (letters in any case), if mounted.
const Share* find_share(std::string_view server, std::string_view share);

// Host (UTF-8) path of a Windows-form native path, after full_path_name.  Existing
// components are matched exactly, then without regard to letter case (the names on disk
// win); components that do not exist are kept as given.  None (last error set: 3 for an
// unknown drive or share) when the path cannot be placed on this machine.  On a confined
// drive or share a path that would lead out of its directory through a link is refused
// with 5: every link on the way, the last component's included, is resolved as the
// kernel will resolve it and must stay inside.
// When `seen` is given and the item was looked at on the way (it exists, links followed),
// its status is handed out there, so that the caller need not ask again.
struct HostStat {
  bool valid = false;
  struct stat st {};
};
std::optional<std::string> host_path(std::string_view native_path, HostStat* seen);
std::optional<std::string> host_path(std::string_view native_path);

// The Windows-form native path of a host path (the drive whose directory holds it, the
// longest match winning); none (last error 3) when no drive holds it.
std::optional<std::string> native_from_host(std::string_view host_path);

// A field of the mount table as it really is: the table writes blanks, tabs, newlines and
// backslashes as octal escapes (\040).
std::string unescape_octal(std::string_view field);

// Sets the last error from errno and answers false, for one-line failure returns.
bool fail_errno();
// The same for an item that could not be reached (errno as the failed call left it): a
// missing item in an existing folder is "file not found", a missing folder on the way
// "path not found", as the system tells them apart.
bool fail_missing(const std::string& host_path);

}  // namespace velmora::platform::linux_backend
