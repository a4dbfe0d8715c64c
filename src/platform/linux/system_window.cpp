// The real host on Linux is a server: it shows no document window, so the functions that
// draw or own dialogs answer that they need one.
#include "platform/host_services.hpp"

namespace velmora::platform {

const FMX_DocumentWindow* system_document_window() {
  return nullptr;
}

}  // namespace velmora::platform
