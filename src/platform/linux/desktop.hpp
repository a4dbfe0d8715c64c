// Linux backend only: the module's hold on its desktop companion (desktop_table.hpp).
#pragma once
#include "platform/linux/desktop_table.hpp"

namespace velmora::platform::linux_backend {

// The companion's table once it has opened the display.  The first call decides, once per
// process: null without DISPLAY or WAYLAND_DISPLAY, when the companion or a library it
// needs cannot be loaded, or when the display cannot be opened.
const DesktopTable* desktop();
// The table only when an earlier call to desktop() loaded it, for work that matters only
// once something was shown or put on the clipboard; never loads anything itself.
const DesktopTable* desktop_if_loaded();

}  // namespace velmora::platform::linux_backend
