#include "platform/windows/dialog_template.hpp"

#include <fmx/FMWrapper.h>

namespace velmora::platform::win {

namespace {

constexpr WORD kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;

void append_text(std::vector<WORD>& out, std::wstring_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void align_dword(std::vector<WORD>& out) {
  if (out.size() % 2 != 0) out.push_back(0);
}

void append_dword(std::vector<WORD>& out, DWORD v) {
  out.push_back(LOWORD(v));
  out.push_back(HIWORD(v));
}

}  // namespace

std::vector<WORD> dialog_template_bytes(const resources::DialogTemplate& dialog,
                                        const std::string& title, bool password) {
  std::vector<WORD> out;
  DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION;
  if (dialog.close_box) style |= WS_SYSMENU;
  append_dword(out, style);
  append_dword(out, 0);  // extended style
  out.push_back(static_cast<WORD>(dialog.controls.size()));
  for (const int v : {0, 0, dialog.width, dialog.height}) out.push_back(static_cast<WORD>(v));
  out.push_back(0);  // no menu
  out.push_back(0);  // the standard dialog class
  append_text(out, wide_from_utf8(title.empty() ? dialog.title : std::string_view(title)));
  out.push_back(9);  // point size, then the face
  append_text(out, L"MS Shell Dlg");
  for (const resources::ControlTemplate& c : dialog.controls) {
    align_dword(out);
    DWORD item_style = WS_CHILD | WS_VISIBLE;
    WORD item_class = kStaticClass;
    std::wstring class_name;
    switch (c.kind) {
      case resources::ControlKind::DefaultButton:
        item_style |= BS_DEFPUSHBUTTON | WS_TABSTOP;
        item_class = kButtonClass;
        break;
      case resources::ControlKind::Button:
        item_style |= BS_PUSHBUTTON | WS_TABSTOP;
        item_class = kButtonClass;
        break;
      case resources::ControlKind::Text:
        item_style |= SS_LEFT | SS_NOPREFIX;
        break;
      case resources::ControlKind::Icon:
        item_style |= SS_ICON;
        break;
      case resources::ControlKind::Edit:
        item_style |= WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (password ? ES_PASSWORD : 0);
        item_class = kEditClass;
        break;
      case resources::ControlKind::ProgressBar:
        class_name = PROGRESS_CLASSW;
        break;
    }
    append_dword(out, item_style);
    append_dword(out, 0);
    for (const int v : {c.x, c.y, c.width, c.height}) out.push_back(static_cast<WORD>(v));
    out.push_back(static_cast<WORD>(c.id));
    if (class_name.empty()) {
      out.push_back(0xFFFF);
      out.push_back(item_class);
    } else {
      append_text(out, class_name);
    }
    append_text(out, wide_from_utf8(c.text));
    out.push_back(0);  // no creation data
  }
  return out;
}

HWND dialog_owner() {
  FMX_ErrorRecord err{};
  const FMX_DocumentWindow* w = FM_DocumentWindow_Get(&err);
  HWND owner = nullptr;
  if (w != nullptr && w->nativeWindow != nullptr) {
    owner = static_cast<HWND>(w->nativeWindow(w->context));
  }
  return owner != nullptr ? owner : GetActiveWindow();
}

}  // namespace velmora::platform::win
