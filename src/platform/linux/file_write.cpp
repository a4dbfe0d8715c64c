// Linux backend of the safe whole-file write: a temporary file in the destination's
// folder (so the rename stays on one file system), flushed, then renamed over the name.
#include "platform/file_write.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/linux/dos_attributes.hpp"
#include "platform/linux/drive_map.hpp"

namespace velmora::platform {

namespace {

bool fail(int err) {
  set_last_error(error_from_errno(err));
  return false;
}

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The mode a new file gets from the process's mask, as open() would give it.
mode_t new_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool replace_file(std::string_view native_path, std::span<const std::uint8_t> bytes) {
  const auto host = linux_backend::host_path(native_path);
  if (!host) return false;
  const auto slash = host->find_last_of('/');
  const std::string folder = slash == 0 ? "/" : host->substr(0, slash);
  const std::string name = host->substr(slash + 1);
  if (name.empty()) return fail(EISDIR);

  // An existing item is replaced only where deleting it would be allowed: a file that is
  // not read-only.  The new file keeps the old one's permissions.
  mode_t mode = new_file_mode();
  struct stat st {};
  if (::lstat(host->c_str(), &st) == 0) {
    const std::uint32_t attributes = linux_backend::windows_attributes(
        S_ISDIR(st.st_mode), st.st_mode, name, linux_backend::stored_dos_attributes(*host));
    if (attributes & (attr::kDirectory | attr::kReadOnly)) {
      set_last_error(winerr::kAccessDenied);
      return false;
    }
    if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    return fail(errno);
  } else {
    struct stat parent {};
    if (::stat(folder.c_str(), &parent) != 0 || !S_ISDIR(parent.st_mode)) {
      set_last_error(winerr::kPathNotFound);
      return false;
    }
  }

  std::string temp = folder + "/." + name.substr(0, 64) + ".velmora-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return fail(errno);
  bool ok = write_all(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temp.c_str(), host->c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return fail(err);
  }
  return true;
}

}  // namespace velmora::platform
