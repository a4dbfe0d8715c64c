// Status queries: attributes, entries, identities and local times of host files.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fs.hpp"
#include "platform/linux/dos_attributes.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/file_checks.hpp"
#include "platform/text.hpp"

namespace velmora::platform {

namespace linux_backend {

namespace {

FileTime to_file_time(const struct statx_timestamp& t) {
  return FileTime{t.tv_sec, static_cast<std::int32_t>(t.tv_nsec)};
}

std::string_view base_name(std::string_view host_path) {
  std::size_t slash = host_path.rfind('/');
  return slash == std::string_view::npos ? host_path : host_path.substr(slash + 1);
}

}  // namespace

// A missing item whose folder exists is "file not found"; a missing folder on the way
// is "path not found", as the system tells them apart.
bool fail_missing(const std::string& host_path) {
  int saved = errno;
  if (saved == ENOENT) {
    std::string parent = host_path.substr(0, host_path.rfind('/'));
    struct stat st {};
    bool parent_ok = ::stat(parent.empty() ? "/" : parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    set_last_error(parent_ok ? winerr::kFileNotFound : winerr::kPathNotFound);
    return false;
  }
  set_last_error(saved == ENOTDIR ? winerr::kPathNotFound : error_from_errno(saved));
  return false;
}

std::int64_t parse_dos_attributes(std::string_view value) {
  while (!value.empty() && value.back() == '\0') value.remove_suffix(1);
  if (value.size() < 3 || value.size() > 10 || value[0] != '0' ||
      (value[1] != 'x' && value[1] != 'X')) {
    return -1;
  }
  std::int64_t bits = 0;
  for (char c : value.substr(2)) {
    int digit = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
    if (digit < 0) return -1;
    bits = bits * 16 + digit;
  }
  return bits;
}

std::int64_t stored_dos_attributes(const std::string& host_path) {
  char buffer[64];
  ssize_t n = ::getxattr(host_path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer);
  if (n <= 0) return -1;
  // Samba writes the text form, a NUL, then its binary record: the text is enough.
  std::string_view value(buffer, static_cast<std::size_t>(n));
  std::size_t nul = value.find('\0');
  return parse_dos_attributes(value.substr(0, nul));
}

std::uint32_t windows_attributes(bool is_directory, std::uint32_t mode, std::string_view name,
                                 std::int64_t stored) {
  constexpr std::uint32_t kKept = attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;
  std::uint32_t bits = 0;
  if (stored >= 0) {
    bits = static_cast<std::uint32_t>(stored) & kKept;
  } else if (!is_directory) {
    bits = attr::kArchive;
  }
  if (is_directory) bits |= attr::kDirectory;
  if ((mode & S_IWUSR) == 0) bits |= attr::kReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") bits |= attr::kHidden;
  if (bits == 0) bits = attr::kNormal;
  return bits;
}

bool fill_entry(const std::string& host_path, std::string_view host_name, FileEntry& out) {
  struct statx sx {};
  if (::statx(AT_FDCWD, host_path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
              &sx) != 0) {
    return fail_missing(host_path);
  }
  bool directory = S_ISDIR(sx.stx_mode);
  out.attributes =
      windows_attributes(directory, sx.stx_mode, host_name, stored_dos_attributes(host_path));
  out.size = directory ? 0 : sx.stx_size;
  out.modification = to_file_time(sx.stx_mtime);
  out.access = to_file_time(sx.stx_atime);
  out.creation =
      (sx.stx_mask & STATX_BTIME) != 0 ? to_file_time(sx.stx_btime) : to_file_time(sx.stx_ctime);
  return true;
}

}  // namespace linux_backend

using linux_backend::fill_entry;
using linux_backend::host_path;

bool get_attributes(std::string_view path, std::uint32_t& out) {
  FileEntry entry;
  if (!lookup(path, entry)) return false;
  out = entry.attributes;
  return true;
}

bool exists(std::string_view path) {
  std::uint32_t attributes = 0;
  return get_attributes(path, attributes);
}

bool is_folder(std::string_view path) {
  std::uint32_t attributes = 0;
  return get_attributes(path, attributes) && (attributes & attr::kDirectory) != 0;
}

bool lookup(std::string_view path, FileEntry& out) {
  std::optional<std::string> host = host_path(path);
  if (!host) return false;
  std::string_view name = linux_backend::base_name(*host);
  if (!fill_entry(*host, name, out)) return false;
  out.name = utf8_to_native(name);
  return true;
}

namespace {

// The status of an item, from the look host_path took on the way where it took one.
bool status_of(std::string_view path, struct stat& st) {
  linux_backend::HostStat seen;
  std::optional<std::string> host = host_path(path, &seen);
  if (!host) return false;
  if (seen.valid) {
    st = seen.st;
    return true;
  }
  if (::stat(host->c_str(), &st) != 0) return linux_backend::fail_missing(*host);
  return true;
}

FileIdentity identity_of(const struct stat& st) {
  FileIdentity out;
  out.device = st.st_dev;
  out.node = st.st_ino;
  out.modification = FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
  out.change = FileTime{st.st_ctim.tv_sec, static_cast<std::int32_t>(st.st_ctim.tv_nsec)};
  return out;
}

}  // namespace

bool identity(std::string_view path, FileIdentity& out) {
  struct stat st {};
  if (!status_of(path, st)) return false;
  out = identity_of(st);
  return true;
}

bool probe(std::string_view path, bool& is_folder, std::optional<FileIdentity>& who) {
  struct stat st {};
  if (!status_of(path, st)) return false;
  is_folder = S_ISDIR(st.st_mode);
  who = identity_of(st);
  return true;
}

bool read_file(std::string_view path, std::string& out, std::uint64_t max_bytes) {
  std::optional<std::string> host = host_path(path);
  if (!host) return false;
  int err = 0;
  int fd = linux_backend::open_regular(*host, err);
  if (fd < 0) {
    errno = err;
    return err == 0 ? false : linux_backend::fail_missing(*host);
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (ok && static_cast<std::uint64_t>(st.st_size) > max_bytes) {
    set_last_error(winerr::kNotEnoughMemory);
    ok = false;
  } else if (!ok) {
    linux_backend::fail_errno();
  }
  out.clear();
  while (ok) {
    char buffer[65536];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = linux_backend::fail_errno();
      break;
    }
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > max_bytes) {
      set_last_error(winerr::kNotEnoughMemory);
      ok = false;
      break;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool to_local_time(const FileTime& time, LocalTime& out) {
  time_t seconds = static_cast<time_t>(time.seconds);
  struct tm fields {};
  if (::localtime_r(&seconds, &fields) == nullptr) {
    set_last_error(winerr::kInvalidParameter);
    return false;
  }
  out.year = fields.tm_year + 1900;
  out.month = fields.tm_mon + 1;
  out.day = fields.tm_mday;
  out.hour = fields.tm_hour;
  out.minute = fields.tm_min;
  out.second = fields.tm_sec;
  out.weekday = fields.tm_wday;
  return true;
}

}  // namespace velmora::platform
