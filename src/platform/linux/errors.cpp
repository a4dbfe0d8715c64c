// The seam's last error, kept per thread, and the errno mapping behind it.
#include <cerrno>
#include <cstdint>

#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"

namespace velmora::platform {

namespace {

thread_local SysError g_last_error = winerr::kSuccess;

struct ErrnoRow {
  int errno_value;
  SysError error;
};

// Wine's mapping of errno onto the Windows numbers.
constexpr ErrnoRow kErrnoTable[] = {
    {ENOENT, winerr::kFileNotFound},
    {ENOTDIR, winerr::kPathNotFound},
    {EACCES, winerr::kAccessDenied},
    {EPERM, winerr::kAccessDenied},
    {EROFS, winerr::kAccessDenied},
    {EISDIR, winerr::kAccessDenied},
    {EBADF, winerr::kInvalidHandle},
    {ENOMEM, winerr::kNotEnoughMemory},
    {EMFILE, winerr::kTooManyOpenFiles},
    {ENFILE, winerr::kTooManyOpenFiles},
    {EXDEV, winerr::kNotSameDevice},
    {ENOSPC, winerr::kDiskFull},
    {EDQUOT, winerr::kDiskFull},
    {EEXIST, winerr::kAlreadyExists},
    {ENOTEMPTY, winerr::kDirNotEmpty},
    {EBUSY, winerr::kBusy},
    {ETXTBSY, winerr::kSharingViolation},
    {ENAMETOOLONG, winerr::kFilenameTooLong},
    {ELOOP, winerr::kCantResolveFilename},
    {EINVAL, winerr::kInvalidParameter},
    {ENOSYS, winerr::kNotSupported},
    {EOPNOTSUPP, winerr::kNotSupported},
    {ENOMEDIUM, winerr::kNotReady},
    {ENXIO, winerr::kNotReady},
    {ENODEV, winerr::kNotReady},
    {EPIPE, winerr::kBrokenPipe},
    {EIO, winerr::kNotReady},
    {EFBIG, winerr::kDiskFull},
};

}  // namespace

SysError last_error() {
  return g_last_error;
}
void set_last_error(SysError error) {
  g_last_error = error;
}

SysError error_from_errno(int errno_value) {
  for (const ErrnoRow& row : kErrnoTable) {
    if (row.errno_value == errno_value) return row.error;
  }
  return winerr::kAccessDenied;  // the system's answer for a refusal it cannot name
}

namespace linux_backend {
bool fail_errno() {
  set_last_error(error_from_errno(errno));
  return false;
}
}  // namespace linux_backend

}  // namespace velmora::platform
