// The module's own names for the system's dialogs: the window title each gets when the
// caller gives none, and the button labels where the system lets the module name them,
// in English and Japanese (as Windows names them in each language).
#pragma once
#include <string_view>

#include "platform/module.hpp"

namespace velmora::resources {

enum class SystemDialog { OpenFile, SaveFile, Folder, Color };

struct SystemDialogTexts {
  std::string_view title;
  std::string_view accept;  // the button that takes the choice
  std::string_view cancel;
};

const SystemDialogTexts& system_dialog_texts(SystemDialog dialog, platform::Language language);

}  // namespace velmora::resources
