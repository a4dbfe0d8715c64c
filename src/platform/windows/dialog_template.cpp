#include "platform/windows/dialog_template.hpp"

#include "platform/host_services.hpp"

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

std::vector<WORD> dialog_bytes(const std::wstring& title, short width, short height, bool close_box,
                               const std::vector<DialogItem>& items) {
  std::vector<WORD> out;
  DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION;
  if (close_box) style |= WS_SYSMENU;
  append_dword(out, style);
  append_dword(out, 0);  // extended style
  out.push_back(static_cast<WORD>(items.size()));
  for (const short v : {short{0}, short{0}, width, height}) out.push_back(static_cast<WORD>(v));
  out.push_back(0);  // no menu
  out.push_back(0);  // the standard dialog class
  append_text(out, title);
  out.push_back(9);  // point size, then the face
  append_text(out, L"MS Shell Dlg");
  for (const DialogItem& item : items) {
    align_dword(out);
    append_dword(out, WS_CHILD | WS_VISIBLE | item.style);
    append_dword(out, 0);
    for (const short v : {item.x, item.y, item.width, item.height}) {
      out.push_back(static_cast<WORD>(v));
    }
    out.push_back(item.id);
    if (item.class_atom != 0) {
      out.push_back(0xFFFF);
      out.push_back(item.class_atom);
    } else {
      append_text(out, item.class_name);
    }
    append_text(out, item.text);
    out.push_back(0);  // no creation data
  }
  return out;
}

std::vector<WORD> dialog_template_bytes(const resources::DialogTemplate& dialog,
                                        const std::string& title, bool password) {
  std::vector<DialogItem> items;
  for (const resources::ControlTemplate& c : dialog.controls) {
    DialogItem item{0,
                    kStaticClass,
                    {},
                    static_cast<short>(c.x),
                    static_cast<short>(c.y),
                    static_cast<short>(c.width),
                    static_cast<short>(c.height),
                    static_cast<WORD>(c.id),
                    wide_from_utf8(c.text)};
    switch (c.kind) {
      case resources::ControlKind::DefaultButton:
        item.style = BS_DEFPUSHBUTTON | WS_TABSTOP;
        item.class_atom = kButtonClass;
        break;
      case resources::ControlKind::Button:
        item.style = BS_PUSHBUTTON | WS_TABSTOP;
        item.class_atom = kButtonClass;
        break;
      case resources::ControlKind::Text:
        item.style = SS_LEFT | SS_NOPREFIX;
        break;
      case resources::ControlKind::Icon:
        item.style = SS_ICON;
        break;
      case resources::ControlKind::Edit:
        item.style = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (password ? ES_PASSWORD : 0);
        item.class_atom = kEditClass;
        break;
      case resources::ControlKind::ProgressBar:
        item.class_atom = 0;
        item.class_name = PROGRESS_CLASSW;
        break;
    }
    items.push_back(std::move(item));
  }
  return dialog_bytes(wide_from_utf8(title.empty() ? dialog.title : std::string_view(title)),
                      static_cast<short>(dialog.width), static_cast<short>(dialog.height),
                      dialog.close_box, items);
}

HWND dialog_owner() {
  const FMX_DocumentWindow* w = host_document_window();
  HWND owner = nullptr;
  if (w != nullptr && w->nativeWindow != nullptr) {
    owner = static_cast<HWND>(w->nativeWindow(w->context));
  }
  return owner != nullptr ? owner : GetActiveWindow();
}

}  // namespace velmora::platform::win
