// VeUtl_OpenFileDialog (ID 28), VeUtl_OpenFolderDialog (ID 29), VeUtl_SaveFileDialog
// (ID 30): the system's choosers, answering the chosen path escaped for the scripts.
#include "platform/file_dialogs.hpp"

#include "dialogs/dialog_text.hpp"
#include "dialogs/file_filters.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/module.hpp"
#include "platform/ui.hpp"
#include "resources/system_dialog_texts.hpp"

namespace velmora::dialogs {

namespace {

// A path field of the system's dialog records, terminator included.
constexpr std::size_t kPathField = 256;
// The folder chooser's instruction: up to 255 bytes.
constexpr std::size_t kInstructionField = 256;

std::string native_field(const params::Store& s, std::string_view key, std::size_t field) {
  const char* value = params::text(s, key);
  return value == nullptr ? std::string() : cut_to_field(value, field);
}

bool ends_with_backslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' &&
         !params::is_second_byte(path.c_str(), path.c_str() + path.size() - 1);
}

// The chooser of `kind` named in the module's language; `title` replaces its own title
// when it is not empty.
platform::ChooserRequest named_chooser(platform::ChooserKind kind, resources::SystemDialog dialog,
                                       std::string title) {
  const resources::SystemDialogTexts& names =
      resources::system_dialog_texts(dialog, platform::ui_language());
  platform::ChooserRequest request;
  request.kind = kind;
  request.title = title.empty() ? std::string(names.title) : std::move(title);
  request.accept_label = names.accept;
  request.cancel_label = names.cancel;
  return request;
}

Err run_and_answer(const platform::ChooserRequest& request) {
  platform::ChooserOutcome outcome = platform::ChooserOutcome::Cancelled;
  std::string path;
  switch (platform::run_chooser(request, outcome, path)) {
    case platform::DialogRun::NoDisplay:
      return kNoDisplay;
    case platform::DialogRun::Failed:
      return kGeneralErr;
    case platform::DialogRun::Ended:
      break;
  }
  if (request.kind != platform::ChooserKind::Folder) {
    platform::invalidate_window(nullptr);  // what the chooser covered is painted again
  }
  if (outcome == platform::ChooserOutcome::Cancelled) return kUserCanceled;
  if (outcome == platform::ChooserOutcome::NoPath) return kDirNotFound;
  if (request.kind == platform::ChooserKind::Folder && !ends_with_backslash(path)) {
    path.push_back('\\');
  }
  // Paths the scripts' path fields cannot hold are not handed on cut short.
  if (path.size() >= kPathField) return kUserCanceled;
  // Escaped in full: a cut escaped text would name another place.
  return host::set_result(params::escape_all(network_notation(path)));
}

}  // namespace

Err open_file_dialog(Call& call) {
  const params::Store& s = call.params;
  platform::ChooserRequest request =
      named_chooser(platform::ChooserKind::OpenFile, resources::SystemDialog::OpenFile,
                    field_text(s, "MESSAGE", kTitleField));
  request.start_folder = native_field(s, "PATH", kPathField);
  request.show_hidden = params::boolean(s, "SHOWINVISIBLE", false);
  request.filters = build_filters(s, kOpenFilterRoom, platform::file_type_description);
  return run_and_answer(request);
}

Err save_file_dialog(Call& call) {
  const params::Store& s = call.params;
  platform::ChooserRequest request =
      named_chooser(platform::ChooserKind::SaveFile, resources::SystemDialog::SaveFile,
                    field_text(s, "MESSAGE", kTitleField));
  request.default_name = native_field(s, "DEFAULT", kPathField);
  request.show_hidden = params::boolean(s, "SHOWINVISIBLE", false);
  request.filters = build_filters(s, kSaveFilterRoom, platform::file_type_description);
  return run_and_answer(request);
}

Err open_folder_dialog(Call& call) {
  // The message is the instruction above the tree; the window keeps the chooser's title.
  platform::ChooserRequest request =
      named_chooser(platform::ChooserKind::Folder, resources::SystemDialog::Folder, {});
  request.instruction = field_text(call.params, "MESSAGE", kInstructionField);
  return run_and_answer(request);
}

}  // namespace velmora::dialogs
