// The module's dialog templates as the system's in-memory dialog templates (DLGTEMPLATE
// and its items), for DialogBoxIndirectParamW and CreateDialogIndirectParamW.
#pragma once
#include <vector>

#include "platform/windows/win32.hpp"
#include "resources/dialog_templates.hpp"

namespace velmora::platform::win {

// The template's bytes (DWORD-aligned), with `title` when it is not empty.  Controls keep
// their IDs; the edit control is a password field when `password` is set.
std::vector<WORD> dialog_template_bytes(const resources::DialogTemplate& dialog,
                                        const std::string& title, bool password);

// The owner every dialog of the module gets: the host's window when it shows one.
HWND dialog_owner();

}  // namespace velmora::platform::win
