// Linux backend of the quick folder listing: readdir with the entry types the file system
// reports, and a status query only where it reports none.
#include "platform/folder_scan.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>

#include "platform/fs.hpp"
#include "platform/linux/dos_attributes.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/folder_places.hpp"
#include "platform/linux/scan_types.hpp"
#include "platform/text.hpp"

namespace velmora::platform {
namespace {

bool ascii_only(std::string_view s) {
  for (const unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// getxattrat(2) (Linux 6.13): the stored attributes of an entry named relative to its
// folder, without walking the whole path again for each entry.  Its number is the same
// on every architecture; system headers older than the call do not name it.
constexpr long kGetxattrat = 464;
struct XattrArgs {
  std::uint64_t value;
  std::uint32_t size;
  std::uint32_t flags;
};
std::atomic<bool> g_no_getxattrat{false};
std::atomic<bool> g_types_ignored{false};

ssize_t stored_attributes(int dfd, std::string& path, const char* name, char* buffer,
                          std::size_t size) {
  if (!g_no_getxattrat.load(std::memory_order_relaxed)) {
    XattrArgs args{reinterpret_cast<std::uintptr_t>(buffer), static_cast<std::uint32_t>(size), 0};
    const long n = ::syscall(kGetxattrat, dfd, name, 0, "user.DOSATTRIB", &args, sizeof args);
    if (n >= 0 || errno == ENODATA || errno == ENOENT || errno == EOPNOTSUPP) return n;
    // An older kernel, or a sandbox that refuses calls it does not know: by path.
    if (errno == ENOSYS || errno == EPERM) g_no_getxattrat.store(true);
  }
  const std::size_t folder_end = path.size();
  path += name;
  const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", buffer, size);
  const int err = errno;
  path.resize(folder_end);
  errno = err;
  return n;
}

// The hidden or system attribute of an entry, from its stored DOS attributes (names with
// a leading dot count as hidden without asking); false in `present` when the entry is
// gone.  `path` holds the folder's host path and a '/', and is given back so.  A file
// system that keeps no such attributes at all clears `stored_kept`: the rest of its
// folder need not be asked.
bool hidden_entry(int dfd, std::string& path, const char* name, bool& present, bool& stored_kept) {
  present = true;
  if (name[0] == '.') return true;
  if (!stored_kept) return false;
  char buffer[64];
  const ssize_t n = stored_attributes(dfd, path, name, buffer, sizeof buffer);
  if (n < 0) {
    present = errno != ENOENT;
    if (errno == EOPNOTSUPP) stored_kept = false;
    return false;
  }
  const std::string_view value(buffer, static_cast<std::size_t>(n));
  const std::int64_t stored =
      linux_backend::parse_dos_attributes(value.substr(0, value.find('\0')));
  return stored >= 0 && (stored & (attr::kHidden | attr::kSystem)) != 0;
}

}  // namespace

void linux_backend::set_entry_types_ignored(bool ignored) {
  g_types_ignored.store(ignored);
}

bool scan_folder(std::string_view folder, std::vector<ScanEntry>& out, ScanFor purpose) {
  out.clear();
  const auto host = linux_backend::placed_host_path(folder);
  if (!host) return false;
  linux_backend::remember_folder(folder, *host);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(host->empty() ? "/" : host->c_str()));
  if (!dir) {
    const int err = errno;
    set_last_error(err == ENOENT    ? winerr::kPathNotFound
                   : err == ENOTDIR ? winerr::kDirectory
                                    : error_from_errno(err));
    return false;
  }
  const int dfd = ::dirfd(dir.get());
  const bool listing = purpose == ScanFor::kListing;
  bool stored_kept = true;  // the file system keeps user attributes
  std::string entry_path = host->empty() || *host == "/" ? std::string("/") : *host + "/";
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir.get());
    if (d == nullptr) {
      if (errno != 0) {
        set_last_error(error_from_errno(errno));
        return false;
      }
      return true;
    }
    const std::string_view name = d->d_name;
    if (name == "." || name == "..") continue;
    ScanEntry entry;
    unsigned char type = g_types_ignored.load(std::memory_order_relaxed)
                             ? static_cast<unsigned char>(DT_UNKNOWN)
                             : d->d_type;
    entry.link = type == DT_LNK;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(dfd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.link = S_ISLNK(st.st_mode);
        type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
      } else if (listing) {
        continue;  // gone since the folder was read
      }
    }
    if (entry.link) {
      struct stat st {};
      const bool leads_somewhere = ::fstatat(dfd, d->d_name, &st, 0) == 0;
      if (listing && !leads_somewhere) continue;
      entry.folder = leads_somewhere && S_ISDIR(st.st_mode);
    } else {
      entry.folder = type == DT_DIR;
    }
    if (listing) {
      bool present = true;
      entry.hidden = hidden_entry(dfd, entry_path, d->d_name, present, stored_kept);
      if (!present) continue;
    }
    entry.name = ascii_only(name) ? std::string(name) : utf8_to_native(name);
    out.push_back(std::move(entry));
  }
}

bool is_link(std::string_view path) {
  const auto host = linux_backend::placed_host_path(path);
  if (!host) return false;
  struct stat st {};
  return ::lstat(host->c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace velmora::platform
