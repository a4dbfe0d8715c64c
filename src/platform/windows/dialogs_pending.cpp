// Dialogs not yet built on Windows: each answers that it could not be shown, so that the
// functions report their dialog failure instead of a choice nobody made.
#include "platform/compression_dialog.hpp"
#include "platform/dialogs.hpp"
#include "platform/progress.hpp"

namespace velmora::platform {

DialogRun run_button_box(const resources::DialogTemplate&, const ButtonBoxContent&, int&) {
  return DialogRun::Failed;
}

DialogRun run_input_box(const resources::DialogTemplate&, InputBoxContent&, int&) {
  return DialogRun::Failed;
}

DialogRun run_compression_dialog(CompressionDialogContent&, bool& accepted) {
  accepted = false;
  return DialogRun::Failed;
}

ProgressDialogOpen open_progress_dialog(const resources::DialogTemplate&, const std::string&,
                                        const std::string&, std::unique_ptr<ProgressDialog>&) {
  return ProgressDialogOpen::Failed;
}

}  // namespace velmora::platform
