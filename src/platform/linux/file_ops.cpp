// Linux backend of the file operations.  Copies go through the kernel (a reflink where
// the file system shares extents, else copy_file_range) and fall back to read/write;
// renames never replace an existing item (RENAME_NOREPLACE).
#include "platform/file_ops.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/dos_attributes.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/file_checks.hpp"
#include "platform/linux/folder_places.hpp"

namespace velmora::platform {
namespace {

// Closes a descriptor once, whatever path the function leaves by.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and answers the close's own outcome (write-back errors show up here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string parent_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

// Windows tells "file not found" from "a folder on the way is missing".
bool fail(int err, const std::string& host) {
  SysError code = error_from_errno(err);
  if (err == ENOENT) {
    struct stat st {};
    const std::string parent = parent_of(host);
    code = (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? winerr::kFileNotFound
                                                                     : winerr::kPathNotFound;
  }
  set_last_error(code);
  return false;
}

bool fail_with(SysError code) {
  set_last_error(code);
  return false;
}

std::optional<std::string> mapped(std::string_view native) {
  // The mapping sets the last error itself when the path cannot be placed.
  return linux_backend::placed_host_path(native);
}

// Copies the bytes of `in` to `out` from their current offsets; errno on failure.
int copy_bytes(int in, int out, off_t expected) {
  if (::ioctl(out, FICLONE, in) == 0) return 0;
  off_t done = 0;
  bool kernel_copy = true;
  while (kernel_copy) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n == 0) {
      // Some files (procfs and friends) report a size but no in-kernel copy: read them.
      if (done >= expected) return 0;
      kernel_copy = false;
      break;
    }
    if (errno == EINTR) continue;
    if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                      errno == EBADF)) {
      kernel_copy = false;
      break;
    }
    return errno;
  }
  std::vector<char> buffer(std::size_t{1} << 20);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    const char* p = buffer.data();
    while (n > 0) {
      const ssize_t w = ::write(out, p, static_cast<std::size_t>(n));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return errno;
      p += w;
      n -= w;
    }
  }
}

// The DOS attributes travel with the file, as they do on Windows.
void copy_dos_attributes(int in, int out) {
  char value[256];
  const ssize_t n = ::fgetxattr(in, "user.DOSATTRIB", value, sizeof value);
  if (n > 0) ::fsetxattr(out, "user.DOSATTRIB", value, static_cast<std::size_t>(n), 0);
}

// The copy itself, between host paths.  `durable`: the copy reaches the disk and is
// checked against the source before this answers true (a move deletes the source next).
// On failure the target this call created is removed.
bool copy_host(const std::string& from, const std::string& to, bool durable, SysError exists_code) {
  int open_err = 0;
  Fd in(linux_backend::open_regular(from, open_err));
  if (in.get() < 0) return open_err == 0 ? false : fail(open_err, from);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return fail(errno, from);

  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (out.get() < 0) {
    if (errno == EEXIST) return fail_with(exists_code);
    return fail(errno, to);
  }

  int err = copy_bytes(in.get(), out.get(), st.st_size);
  if (err == 0) {
    copy_dos_attributes(in.get(), out.get());
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times);
    if (::fchmod(out.get(), st.st_mode & 07777) != 0) err = errno;
  }
  if (err == 0 && durable) {
    struct stat written {};
    if (::fsync(out.get()) != 0) {
      err = errno;
    } else if (::fstat(out.get(), &written) != 0) {
      err = errno;
    } else if (written.st_size != st.st_size) {
      err = EIO;  // the source changed under us or the copy came up short
    }
  }
  if (!out.close() && err == 0) err = errno;
  if (err != 0) {
    ::unlink(to.c_str());
    return fail(err, to);
  }
  return true;
}

// rename(2) that never replaces the target, also where the file system lacks
// RENAME_NOREPLACE (a small window remains there, as with any check-then-act).
int rename_no_replace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// A symbolic link made anew at `to`, pointing where the one at `from` points.
bool copy_link_host(const std::string& from, const std::string& to, SysError exists_code) {
  std::string target(4096, '\0');
  const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
  if (n < 0) return fail(errno, from);
  if (static_cast<std::size_t>(n) >= target.size()) return fail_with(winerr::kFilenameTooLong);
  target.resize(static_cast<std::size_t>(n));
  if (::symlink(target.c_str(), to.c_str()) == 0) return true;
  if (errno == EEXIST) return fail_with(exists_code);
  // A file system without links (FAT, some shares) cannot hold the copy.
  if (errno == EPERM || errno == EOPNOTSUPP) return fail_with(winerr::kNotSupported);
  return fail(errno, to);
}

// The host paths of a source and of a target whose name is made here.
bool map_pair(std::string_view from, std::string_view to, std::string& src, std::string& dst) {
  if (!linux_backend::name_allowed(to)) return false;
  const auto s = mapped(from);
  if (!s) return false;
  const auto d = mapped(to);
  if (!d) return false;
  src = *s;
  dst = *d;
  return true;
}

// The real host path of `host`, or of its nearest existing folder with the rest
// appended; links are followed all the way.
std::string real_host_path(const std::string& host) {
  std::string head = host;
  std::string tail;
  while (true) {
    if (char* real = ::realpath(head.empty() ? "/" : head.c_str(), nullptr)) {
      std::string out(real);
      std::free(real);
      if (out == "/") out.clear();
      return out + tail;
    }
    const auto slash = head.find_last_of('/');
    if (slash == std::string::npos) return host;
    tail = head.substr(slash) + tail;
    head.resize(slash);
  }
}

}  // namespace

bool copy_file(std::string_view from, std::string_view to) {
  std::string src, dst;
  if (!map_pair(from, to, src, dst)) return false;
  return copy_host(src, dst, false, winerr::kFileExists);
}

bool copy_link(std::string_view from, std::string_view to) {
  std::string src, dst;
  if (!map_pair(from, to, src, dst)) return false;
  return copy_link_host(src, dst, winerr::kFileExists);
}

bool same_or_inside(std::string_view inner, std::string_view outer) {
  const auto in = mapped(inner);
  const auto out = mapped(outer);
  if (!in || !out) return false;
  const std::string a = real_host_path(*in);
  const std::string b = real_host_path(*out);
  return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == '/');
}

bool move_item(std::string_view from, std::string_view to) {
  std::string src_host, dst_host;
  if (!map_pair(from, to, src_host, dst_host)) return false;
  const std::string* src = &src_host;
  const std::string* dst = &dst_host;
  const int err = rename_no_replace(*src, *dst);
  if (err == 0) return true;
  if (err == EEXIST || err == ENOTEMPTY) return fail_with(winerr::kAlreadyExists);
  if (err == ENOENT) {
    // A missing source is "file not found"; a missing folder to move into, "path not found".
    struct stat st {};
    return ::lstat(src->c_str(), &st) != 0 ? fail(ENOENT, *src) : fail(ENOENT, *dst);
  }
  if (err != EXDEV) return fail(err, *dst);

  // Another file system: copy, make it durable and check it, then let go of the source.
  struct stat st {};
  if (::lstat(src->c_str(), &st) != 0) return fail(errno, *src);
  if (S_ISDIR(st.st_mode)) return fail_with(winerr::kNotSameDevice);
  // A FIFO, socket or device moves by rename only: a copy would read it, or leave an
  // empty file where the node was.
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
    return fail_with(winerr::kAccessDenied);
  }
  const bool copied = S_ISLNK(st.st_mode) ? copy_link_host(*src, *dst, winerr::kAlreadyExists)
                                          : copy_host(*src, *dst, true, winerr::kAlreadyExists);
  if (!copied) return false;
  if (::unlink(src->c_str()) != 0) {
    const int unlink_err = errno;
    ::unlink(dst->c_str());  // keep one copy only, as before the call
    return fail(unlink_err, *src);
  }
  return true;
}

bool create_folder(std::string_view path) {
  if (!linux_backend::name_allowed(path)) return false;
  const auto dir = mapped(path);
  if (!dir) return false;
  if (::mkdir(dir->c_str(), 0777) == 0) {
    linux_backend::remember_folder(path, *dir);
    return true;
  }
  if (errno == EEXIST) return fail_with(winerr::kAlreadyExists);
  if (errno == ENOENT || errno == ENOTDIR) return fail_with(winerr::kPathNotFound);
  return fail(errno, *dir);
}

bool remove_folder(std::string_view path) {
  const auto dir = mapped(path);
  if (!dir) return false;
  if (::rmdir(dir->c_str()) == 0) return true;
  if (errno == ENOTEMPTY || errno == EEXIST) return fail_with(winerr::kDirNotEmpty);
  if (errno == ENOTDIR) return fail_with(winerr::kDirectory);
  return fail(errno, *dir);
}

bool delete_file(std::string_view path) {
  const auto file = mapped(path);
  if (!file) return false;
  struct stat st {};
  if (::lstat(file->c_str(), &st) != 0) return fail(errno, *file);
  // A link goes by itself; only a real file's own read-only attribute protects it.
  if (!S_ISLNK(st.st_mode)) {
    const auto slash = file->find_last_of('/');
    const std::uint32_t attributes = linux_backend::windows_attributes(
        S_ISDIR(st.st_mode), st.st_mode, std::string_view(*file).substr(slash + 1),
        linux_backend::stored_dos_attributes(*file));
    if (attributes & (attr::kDirectory | attr::kReadOnly)) {
      return fail_with(winerr::kAccessDenied);
    }
  }
  if (::unlink(file->c_str()) == 0) return true;
  return fail(errno, *file);
}

}  // namespace velmora::platform
