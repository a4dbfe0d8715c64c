// The drive list and what each drive is, from the drive table.
#include "platform/volumes.hpp"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>

#include "params/text_util.hpp"
#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/text.hpp"

namespace velmora::platform {

namespace {

using linux_backend::Drive;

struct FsName {
  std::string_view host;
  std::string_view shown;
};

// File-system names as the system would show them where it has a name of its own.
constexpr FsName kFsNames[] = {
    {"vfat", "FAT32"}, {"msdos", "FAT"},    {"exfat", "exFAT"},  {"ntfs", "NTFS"},
    {"ntfs3", "NTFS"}, {"fuseblk", "NTFS"}, {"iso9660", "CDFS"}, {"udf", "UDF"},
};

struct FsMagic {
  unsigned long magic;
  std::string_view name;
};

constexpr FsMagic kFsMagics[] = {
    {0xEF53, "ext4"},     {0x01021994, "tmpfs"}, {0x9123683E, "btrfs"}, {0x58465342, "xfs"},
    {0x6969, "nfs"},      {0xFF534D42, "cifs"},  {0xFE534D42, "smb2"},  {0x4d44, "vfat"},
    {0x5346544e, "ntfs"}, {0x9660, "iso9660"},   {0x15013346, "udf"},   {0x794c7630, "overlay"},
    {0x65735546, "fuse"}, {0x2011BAB0, "exfat"},
};

std::string shown_fs_name(std::string_view host) {
  for (const FsName& row : kFsNames) {
    if (row.host == host) return std::string(row.shown);
  }
  return std::string(host);
}

// The drive a root names ("C:\", "C:", "c:\anything"); null for others.
const Drive* drive_of_root(std::string_view root) {
  if (root.size() < 2 || root[1] != ':') return nullptr;
  return linux_backend::drive_for_letter(root[0]);
}

bool is_share_root(std::string_view root) {
  return root.size() > 2 && root[0] == '\\' && root[1] == '\\';
}

// The host directory of a drive or share root; none (last error set) when it is absent.
std::optional<std::string> root_directory(std::string_view root) {
  if (const Drive* d = drive_of_root(root)) {
    std::string dir = d->directory.empty() ? "/" : d->directory;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      set_last_error(winerr::kNotReady);
      return std::nullopt;
    }
    return dir;
  }
  if (is_share_root(root)) return linux_backend::host_path(root);
  set_last_error(winerr::kInvalidDrive);
  return std::nullopt;
}

}  // namespace

std::uint32_t logical_drive_mask() {
  std::uint32_t mask = 0;
  for (const Drive& d : linux_backend::drives()) mask |= 1u << (d.letter - 'A');
  if (mask == 0) set_last_error(winerr::kInvalidDrive);
  return mask;
}

std::vector<std::string> logical_drive_strings() {
  std::vector<std::string> roots;
  for (const Drive& d : linux_backend::drives()) roots.push_back(std::string{d.letter, ':', '\\'});
  if (roots.empty()) set_last_error(winerr::kInvalidDrive);
  return roots;
}

DriveType drive_type(std::string_view root) {
  if (const Drive* d = drive_of_root(root)) {
    struct stat st {};
    std::string dir = d->directory.empty() ? "/" : d->directory;
    if (::stat(dir.c_str(), &st) != 0) return DriveType::NoRootDir;
    return d->type;
  }
  if (is_share_root(root)) {
    return linux_backend::host_path(root) ? DriveType::Remote : DriveType::NoRootDir;
  }
  return DriveType::NoRootDir;
}

bool volume_information(std::string_view root, std::string* label, std::string* file_system) {
  std::optional<std::string> dir = root_directory(root);
  if (!dir) return false;
  const Drive* d = drive_of_root(root);
  if (label != nullptr) *label = d != nullptr ? utf8_to_native(d->label) : std::string();
  if (file_system != nullptr) {
    if (d != nullptr && !d->file_system.empty()) {
      *file_system = shown_fs_name(d->file_system);
    } else {
      struct statfs sf {};
      if (::statfs(dir->c_str(), &sf) != 0) return linux_backend::fail_errno();
      file_system->clear();
      for (const FsMagic& row : kFsMagics) {
        if (static_cast<unsigned long>(sf.f_type) == row.magic)
          *file_system = shown_fs_name(row.name);
      }
      if (file_system->empty()) {
        set_last_error(winerr::kNotSupported);
        return false;
      }
    }
  }
  return true;
}

bool disk_free_space(std::string_view root, std::uint64_t& total, std::uint64_t& available) {
  std::optional<std::string> dir = root_directory(root);
  if (!dir) return false;
  struct statvfs sv {};
  if (::statvfs(dir->c_str(), &sv) != 0) return linux_backend::fail_errno();
  total = static_cast<std::uint64_t>(sv.f_blocks) * sv.f_frsize;
  available = static_cast<std::uint64_t>(sv.f_bavail) * sv.f_frsize;
  return true;
}

std::optional<std::string> computer_name() {
  char buffer[256] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0') return std::nullopt;
  return utf8_to_native(buffer);
}

void cancel_connection(std::string_view) {
  // Mounted shares keep no per-process connection to forget.
}

}  // namespace velmora::platform
