// The host's document window as the host registered it.  The table itself belongs to
// the host; the library only hands it to modules through the services table.
#include <fmx/FMHostServices.h>

#include <atomic>

#include "objects.hpp"

namespace {
std::atomic<const FMX_DocumentWindow*> g_window{nullptr};
}  // namespace

namespace velmora::fmw {

const FMX_DocumentWindow* document_window() {
  return g_window.load();
}

}  // namespace velmora::fmw

extern "C" {

FMX_API void FMW_Host_SetDocumentWindow(const FMX_DocumentWindow* window) {
  // A table from an older host that lacks calls is refused rather than half used.
  // Calls appended since are told by structSize and used only when present.
  if (window && window->structSize < FMX_DOCUMENT_WINDOW_BASE_SIZE) window = nullptr;
  g_window.store(window);
}

}  // extern "C"
