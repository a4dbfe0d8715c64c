// The button box and the input box on Windows: the module's templates run as real
// dialogs (DialogBoxIndirectParamW), laid out like on every system (button_box_layout).
#include <array>

#include "dialogs/button_box_layout.hpp"
#include "platform/dialogs.hpp"
#include "platform/ui.hpp"
#include "platform/windows/dialog_template.hpp"

namespace velmora::platform {

namespace {

constexpr int kOk = 1, kCancel = 2, kOther = 1002;
constexpr int kMessage = 1003, kDescription = 1004, kIcon = 1005, kEdit = 1007;
constexpr int kMaxInput = 255;

// The system's icons by number (IDI_HAND, IDI_ASTERISK, IDI_EXCLAMATION, IDI_QUESTION are
// pointer-typed and cannot be constant data).
struct IconRow {
  StandardIcon icon;
  WORD system_icon;
};
constexpr std::array kIcons = {
    IconRow{StandardIcon::Stop, 32513}, IconRow{StandardIcon::Note, 32516},
    IconRow{StandardIcon::Caution, 32515}, IconRow{StandardIcon::Question, 32514}};

LPCWSTR system_icon(StandardIcon icon) {
  for (const IconRow& row : kIcons) {
    if (row.icon == icon) return MAKEINTRESOURCEW(row.system_icon);
  }
  return nullptr;
}

void set_text(HWND dialog, int id, const std::string& utf8) {
  if (!utf8.empty()) SetDlgItemTextW(dialog, id, win::wide_from_utf8(utf8).c_str());
}

// A control's place in the dialog's client pixels, from the template's dialog units.
dialogs::Box box_of(HWND dialog, const resources::DialogTemplate& t, int id) {
  const resources::ControlTemplate* c = t.control(id);
  if (c == nullptr) return {};
  RECT r{c->x, c->y, c->x + c->width, c->y + c->height};
  MapDialogRect(dialog, &r);
  return {r.left, r.top, r.right, r.bottom};
}

// The control's text as the static draws it (its font, word breaks, line feeds) in `width`.
dialogs::WrappedText wrapped_text(HWND control, int width) {
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT r{0, 0, width, 0};
  const int height = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                               DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {height, static_cast<int>(metrics.tmHeight)};
}

dialogs::MeasureText measure(HWND control) {
  if (control == nullptr) return {};
  return [control](int width) { return wrapped_text(control, width); };
}

// The width a push button needs for its label: the text and a margin of four dialog
// units on either side.
int button_width(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  const int length = button ? GetWindowTextLengthW(button) : 0;
  if (length <= 0) return 0;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(button, text.data(), length + 1)));
  HDC dc = GetDC(button);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(button, dc);
  RECT margin{0, 0, 8, 0};
  MapDialogRect(dialog, &margin);
  return r.right - r.left + margin.right;
}

void place(HWND dialog, int id, const dialogs::Box& b) {
  if (HWND w = GetDlgItem(dialog, id)) MoveWindow(w, b.left, b.top, b.width(), b.height(), FALSE);
}

// Moves the window to `l`'s size about its old centre, `l` being its client area.
void resize_about_centre(HWND dialog, const dialogs::Box& l) {
  RECT frame{0, 0, l.width(), l.height()};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  RECT now{};
  GetWindowRect(dialog, &now);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (now.left + now.right - width) / 2,
               (now.top + now.bottom - height) / 2, width, height, SWP_NOZORDER);
}

struct ButtonBoxState {
  const resources::DialogTemplate* dialog;
  const ButtonBoxContent* content;
  HFONT small_font = nullptr;
};

void lay_out_button_box(HWND dialog, ButtonBoxState& s) {
  const ButtonBoxContent& c = *s.content;
  const resources::DialogTemplate& t = *s.dialog;
  set_text(dialog, kMessage, c.message);
  set_text(dialog, kDescription, c.description);
  set_text(dialog, kOk, c.ok_label);
  set_text(dialog, kCancel, c.cancel_label);
  set_text(dialog, kOther, c.other_label);
  if (!c.cancel_shown) ShowWindow(GetDlgItem(dialog, kCancel), SW_HIDE);
  if (!c.other_shown) ShowWindow(GetDlgItem(dialog, kOther), SW_HIDE);
  // The description is drawn two points smaller than the dialog's font.
  if (HWND description = GetDlgItem(dialog, kDescription)) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    font.lfHeight += font.lfHeight < 0 ? 2 : -2;
    s.small_font = CreateFontIndirectW(&font);
    if (s.small_font)
      SendMessageW(description, WM_SETFONT, reinterpret_cast<WPARAM>(s.small_font), FALSE);
  }
  const LPCWSTR icon = system_icon(c.icon);
  if (icon != nullptr) {
    SendDlgItemMessageW(dialog, kIcon, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
  }
  RECT client{};
  GetClientRect(dialog, &client);
  dialogs::ButtonBoxLayout start;
  start.dialog = {0, 0, client.right, client.bottom};
  start.message = box_of(dialog, t, kMessage);
  start.description = box_of(dialog, t, kDescription);
  start.icon = box_of(dialog, t, kIcon);
  start.ok = box_of(dialog, t, kOk);
  start.cancel = box_of(dialog, t, kCancel);
  start.other = box_of(dialog, t, kOther);
  dialogs::ButtonBoxTexts texts;
  texts.has_icon = icon != nullptr;
  texts.cancel_shown = c.cancel_shown;
  texts.other_shown = c.other_shown;
  texts.message = measure(GetDlgItem(dialog, kMessage));
  if (!c.description.empty()) texts.description = measure(GetDlgItem(dialog, kDescription));
  texts.ok_width = button_width(dialog, kOk);
  texts.cancel_width = button_width(dialog, kCancel);
  texts.other_width = button_width(dialog, kOther);
  const dialogs::ButtonBoxLayout l = dialogs::layout_button_box(start, texts);
  place(dialog, kMessage, l.message);
  place(dialog, kDescription, l.description);
  place(dialog, kOk, l.ok);
  place(dialog, kCancel, l.cancel);
  place(dialog, kOther, l.other);
  if (!l.icon_shown) ShowWindow(GetDlgItem(dialog, kIcon), SW_HIDE);
  if (!l.description_shown) ShowWindow(GetDlgItem(dialog, kDescription), SW_HIDE);
  resize_about_centre(dialog, l.dialog);
}

INT_PTR CALLBACK button_box_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = reinterpret_cast<ButtonBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      lay_out_button_box(dialog, *reinterpret_cast<ButtonBoxState*>(lparam));
      return TRUE;
    case WM_COMMAND: {
      if (HIWORD(wparam) != BN_CLICKED) break;
      const int id = LOWORD(wparam);
      const ButtonBoxContent& c = *s->content;
      if (id == kOk || (id == kOther && c.other_shown)) {
        EndDialog(dialog, id);
        return TRUE;
      }
      // Escape arrives as IDCANCEL even when the Cancel button is hidden.
      if (id == kCancel) {
        EndDialog(dialog, c.cancel_shown ? kCancel : kDialogDismissed);
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      EndDialog(dialog, kDialogDismissed);
      return TRUE;
    default:
      break;
  }
  return FALSE;
}

struct InputState {
  const resources::DialogTemplate* dialog;
  InputBoxContent* content;
};

void lay_out_input_box(HWND dialog, const resources::DialogTemplate& t) {
  RECT client{};
  GetClientRect(dialog, &client);
  dialogs::InputBoxLayout start;
  start.dialog = {0, 0, client.right, client.bottom};
  start.message = box_of(dialog, t, kMessage);
  start.edit = box_of(dialog, t, kEdit);
  start.ok = box_of(dialog, t, kOk);
  start.cancel = box_of(dialog, t, kCancel);
  const dialogs::InputBoxLayout l =
      dialogs::layout_input_box(start, measure(GetDlgItem(dialog, kMessage)));
  place(dialog, kMessage, l.message);
  place(dialog, kEdit, l.edit);
  place(dialog, kOk, l.ok);
  place(dialog, kCancel, l.cancel);
  resize_about_centre(dialog, l.dialog);
}

void update_ok(HWND dialog, const InputBoxContent& c) {
  if (!c.needs_something) return;
  EnableWindow(GetDlgItem(dialog, kOk), GetWindowTextLengthW(GetDlgItem(dialog, kEdit)) > 0);
}

INT_PTR CALLBACK input_box_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      s = reinterpret_cast<InputState*>(lparam);
      const InputBoxContent& c = *s->content;
      set_text(dialog, kMessage, c.message);
      set_text(dialog, kOk, c.ok_label);
      set_text(dialog, kCancel, c.cancel_label);
      lay_out_input_box(dialog, *s->dialog);
      SendDlgItemMessageW(dialog, kEdit, EM_LIMITTEXT, kMaxInput, 0);
      SetDlgItemTextW(dialog, kEdit, win::wide_from_utf8(c.text).c_str());
      update_ok(dialog, c);
      // Typing replaces the initial text, as it does in every system's input field.
      SendDlgItemMessageW(dialog, kEdit, EM_SETSEL, 0, -1);
      SetFocus(GetDlgItem(dialog, kEdit));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kEdit:
          if (HIWORD(wparam) == EN_CHANGE) update_ok(dialog, *s->content);
          return TRUE;
        case kOk: {
          HWND edit = GetDlgItem(dialog, kEdit);
          std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
          text.resize(static_cast<std::size_t>(
              GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
          if (text.empty() && s->content->needs_something) return TRUE;
          s->content->text = win::utf8_from_wide(text);
          EndDialog(dialog, kOk);
          return TRUE;
        }
        case kCancel:
          EndDialog(dialog, kCancel);
          return TRUE;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, kDialogDismissed);
      return TRUE;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

DialogRun run_button_box(const resources::DialogTemplate& t, const ButtonBoxContent& content,
                         int& ended_by) {
  if (!display_available()) return DialogRun::NoDisplay;
  const std::vector<WORD> bytes = win::dialog_template_bytes(t, {}, false);
  ButtonBoxState state{&t, &content};
  const INT_PTR result = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
      win::dialog_owner(), button_box_proc, reinterpret_cast<LPARAM>(&state));
  if (state.small_font) DeleteObject(state.small_font);
  if (result <= 0) return DialogRun::Failed;
  ended_by = static_cast<int>(result);
  return DialogRun::Ended;
}

DialogRun run_input_box(const resources::DialogTemplate& t, InputBoxContent& content,
                        int& ended_by) {
  if (!display_available()) return DialogRun::NoDisplay;
  const std::vector<WORD> bytes = win::dialog_template_bytes(t, {}, content.password);
  InputState state{&t, &content};
  const INT_PTR result = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
      win::dialog_owner(), input_box_proc, reinterpret_cast<LPARAM>(&state));
  if (result <= 0) return DialogRun::Failed;
  ended_by = static_cast<int>(result);
  return DialogRun::Ended;
}

}  // namespace velmora::platform
