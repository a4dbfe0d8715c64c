// The dialog seam: modal dialogs built from the module's templates, and the system's
// colour dialog.  Texts are UTF-8; every dialog is owned by the host's window.
#pragma once
#include <cstdint>
#include <string>

#include "resources/dialog_templates.hpp"

namespace velmora::platform {

enum class DialogRun {
  Ended,      // the dialog ran; see the value it ended with
  NoDisplay,  // nothing can be shown here
  Failed,     // the dialog could not be built or shown
};

// A value the dialog ends with when Escape or the close box ended it.
inline constexpr int kDialogDismissed = 2;

enum class StandardIcon { None, Stop, Note, Caution, Question };

struct ButtonBoxContent {
  StandardIcon icon = StandardIcon::None;
  std::string message, description;                 // empty: keep the template's text / none
  std::string ok_label, cancel_label, other_label;  // empty: the template's label
  bool cancel_shown = false;
  bool other_shown = false;
};

// Runs the button box modally; `ended_by` is the ID of the button that closed it
// (kDialogDismissed for Escape).
DialogRun run_button_box(const resources::DialogTemplate& dialog, const ButtonBoxContent& content,
                         int& ended_by);

struct InputBoxContent {
  std::string message;
  std::string text;  // in: the initial text; out: what the user confirmed
  std::string ok_label, cancel_label;
  bool password = false;
  bool needs_something = false;
};

DialogRun run_input_box(const resources::DialogTemplate& dialog, InputBoxContent& content,
                        int& ended_by);

// A system dialog's window title and the labels of its two buttons, in the module's
// language.  Where the system names its buttons itself, it keeps its own labels.
struct SystemDialogNames {
  std::string title;
  std::string accept_label, cancel_label;
};

// The colour dialog, fully open, starting on `rgb` (8-bit components).  `accepted` is false
// when the user cancelled.
DialogRun pick_color(const SystemDialogNames& names, std::uint8_t rgb[3], bool& accepted);

}  // namespace velmora::platform
