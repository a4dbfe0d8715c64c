// The Linux backend's failures: errno turned into the seam's last error.
#include <cerrno>

#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"

namespace velmora::platform {

namespace linux_backend {
bool fail_errno() {
  set_last_error(error_from_errno(errno));
  return false;
}
}  // namespace linux_backend

}  // namespace velmora::platform
