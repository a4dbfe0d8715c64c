// The X11 CLIPBOARD selection through GTK.
#pragma once
#include "platform/clipboard.hpp"

namespace velmora::platform {

// Only once the display has been opened.
Clipboard& display_clipboard();

}  // namespace velmora::platform
