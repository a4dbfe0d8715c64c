// Linux backend of the read-only file: a descriptor opened on the host path of the
// native path, read with pread so that reads at any offset need no seeking.
#include "platform/file_read.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/file_checks.hpp"

namespace velmora::platform {

bool InputFile::open(std::string_view native_path) {
  close();
  const auto host = linux_backend::host_path(native_path);
  if (!host) return false;
  // Windows cannot open a folder as a file; a FIFO or device is never read as one.
  int err = 0;
  const int fd = linux_backend::open_regular(*host, err);
  if (fd < 0) {
    if (err == 0) return false;
    errno = err;
    return linux_backend::fail_missing(*host);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    err = errno;
    ::close(fd);
    set_last_error(error_from_errno(err));
    return false;
  }
  handle_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool InputFile::read_at(std::uint64_t offset, void* dst, std::size_t n) {
  if (handle_ < 0) {
    set_last_error(winerr::kInvalidHandle);
    return false;
  }
  auto* p = static_cast<unsigned char*>(dst);
  while (n > 0) {
    const ssize_t got = ::pread(static_cast<int>(handle_), p, n, static_cast<off_t>(offset));
    if (got < 0) {
      if (errno == EINTR) continue;
      return linux_backend::fail_errno();
    }
    if (got == 0) {  // the file shrank since it was opened
      set_last_error(winerr::kHandleEof);
      return false;
    }
    p += got;
    offset += static_cast<std::uint64_t>(got);
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

void InputFile::close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  size_ = 0;
}

}  // namespace velmora::platform
