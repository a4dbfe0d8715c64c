// The Windows backend's failures: the Win32 calls' own numbers are already the ones the
// seam reports.
#include "platform/fs.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

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
