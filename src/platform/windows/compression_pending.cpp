// The compression settings dialog is not built on Windows yet: it answers that it could
// not be shown, so CompressImageDialog reports its dialog failure instead of settings
// nobody chose.
#include "platform/compression_dialog.hpp"

namespace velmora::platform {

DialogRun run_compression_dialog(CompressionDialogContent&, bool& accepted) {
  accepted = false;
  return DialogRun::Failed;
}

}  // namespace velmora::platform
