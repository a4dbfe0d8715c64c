// The host's document window as the host registered it.  The table itself belongs to
// the host; the library only hands it to modules.
#include <fmx/FMWrapper.h>

#include <atomic>

namespace {
std::atomic<const FMX_DocumentWindow*> g_window{nullptr};
}  // namespace

extern "C" {

FMX_API const FMX_DocumentWindow* FM_DocumentWindow_Get(FMX_ErrorRecord* err) {
  if (err) err->code = FMX_ERR_NONE;
  return g_window.load();
}

FMX_API void FMW_Host_SetDocumentWindow(const FMX_DocumentWindow* window) {
  // A table from an older host that lacks calls is refused rather than half used.
  // Calls appended since are told by structSize and used only when present.
  if (window && window->structSize < FMX_DOCUMENT_WINDOW_BASE_SIZE) window = nullptr;
  g_window.store(window);
}

}  // extern "C"
