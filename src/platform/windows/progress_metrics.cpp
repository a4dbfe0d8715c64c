// The one system measure the in-window progress bar takes its height from.
#include "platform/progress.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

int scroll_arrow_height() {
  const int h = GetSystemMetrics(SM_CYVSCROLL);
  return h > 0 ? h : 16;
}

}  // namespace velmora::platform
