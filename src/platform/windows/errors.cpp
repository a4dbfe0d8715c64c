// The seam's last error, kept per thread.  The Win32 calls' own numbers are already the
// ones the seam reports; errno values (from the C library) take Wine's mapping.
#include <cerrno>

#include "platform/windows/win32.hpp"

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
    {EEXIST, winerr::kAlreadyExists},
    {ENOTEMPTY, winerr::kDirNotEmpty},
    {EBUSY, winerr::kBusy},
    {ENAMETOOLONG, winerr::kFilenameTooLong},
    {EINVAL, winerr::kInvalidParameter},
    {ENOSYS, winerr::kNotSupported},
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
  return winerr::kAccessDenied;
}

namespace win {
bool fail_last() {
  const DWORD error = GetLastError();
  set_last_error(error == 0 ? winerr::kAccessDenied : error);
  return false;
}
bool fail(SysError error) {
  set_last_error(error);
  return false;
}
}  // namespace win

}  // namespace velmora::platform
