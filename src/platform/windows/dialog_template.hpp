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

// One control of a dialog built here, in dialog units.
struct DialogItem {
  DWORD style;
  WORD class_atom;          // 0x0080 button, 0x0081 edit, 0x0082 static; 0: `class_name`
  std::wstring class_name;  // a registered class (trackbar, progress bar)
  short x, y, width, height;
  WORD id;
  std::wstring text;
};

// A dialog template of these controls (all WS_CHILD | WS_VISIBLE besides their style).
std::vector<WORD> dialog_bytes(const std::wstring& title, short width, short height, bool close_box,
                               const std::vector<DialogItem>& items);

// The owner every dialog of the module gets: the host's window when it shows one.
HWND dialog_owner();

}  // namespace velmora::platform::win
