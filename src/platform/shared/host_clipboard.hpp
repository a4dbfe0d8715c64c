// The clipboard a host keeps for itself (a host without a display), shared by every
// system's backend.
#pragma once
#include "platform/clipboard.hpp"

namespace velmora::platform {

// The host's own clipboard when the host keeps one, else null.
Clipboard* host_clipboard();

}  // namespace velmora::platform
