// What the systems' backends share of the host's document window.
#pragma once

namespace velmora::platform {

// Lets the host repaint and handle its own waiting events (nothing without a window).
void pump_host_events();

}  // namespace velmora::platform
