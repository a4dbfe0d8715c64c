// The seam's last error, kept per thread, and the mapping of C library errno values onto
// the Windows numbers the seam reports (Wine's mapping), shared by every backend.  Codes
// a C library does not define are left out of its table.
#include <cerrno>

#include "platform/fs.hpp"

namespace velmora::platform {

namespace {

thread_local SysError g_last_error = winerr::kSuccess;

struct ErrnoRow {
  int errno_value;
  SysError error;
};

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
#ifdef EDQUOT
    {EDQUOT, winerr::kDiskFull},
#endif
    {EEXIST, winerr::kAlreadyExists},
    {ENOTEMPTY, winerr::kDirNotEmpty},
    {EBUSY, winerr::kBusy},
#ifdef ETXTBSY
    {ETXTBSY, winerr::kSharingViolation},
#endif
    {ENAMETOOLONG, winerr::kFilenameTooLong},
#ifdef ELOOP
    {ELOOP, winerr::kCantResolveFilename},
#endif
    {EINVAL, winerr::kInvalidParameter},
    {ENOSYS, winerr::kNotSupported},
#ifdef EOPNOTSUPP
    {EOPNOTSUPP, winerr::kNotSupported},
#endif
#ifdef ENOMEDIUM
    {ENOMEDIUM, winerr::kNotReady},
#endif
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

}  // namespace velmora::platform
