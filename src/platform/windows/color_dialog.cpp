// The system's colour dialog on Windows (ChooseColorW), fully open.

#include "platform/dialogs.hpp"
#include "platform/ui.hpp"
#include "platform/windows/dialog_template.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

// Hooks the dialog only to give it the caller's title.
UINT_PTR CALLBACK color_hook(HWND window, UINT message, WPARAM, LPARAM param) {
  if (message == WM_INITDIALOG) {
    const auto* choose = reinterpret_cast<const CHOOSECOLORW*>(param);
    const auto* title = reinterpret_cast<const wchar_t*>(choose->lCustData);
    if (title != nullptr && *title != L'\0') SetWindowTextW(window, title);
  }
  return 0;
}

}  // namespace

DialogRun pick_color(const SystemDialogNames& names, std::uint8_t rgb[3], bool& accepted) {
  if (!display_available()) return DialogRun::NoDisplay;
  // The custom colours live for the call: the starting colour, then white.
  COLORREF custom[16];
  for (COLORREF& c : custom) c = RGB(255, 255, 255);
  custom[0] = RGB(rgb[0], rgb[1], rgb[2]);
  const std::wstring caption = win::wide_from_utf8(names.title);
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = win::dialog_owner();
  choose.rgbResult = custom[0];
  choose.lpCustColors = custom;
  choose.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ANYCOLOR | CC_ENABLEHOOK;
  choose.lpfnHook = color_hook;
  choose.lCustData = reinterpret_cast<LPARAM>(caption.c_str());
  accepted = ChooseColorW(&choose) != 0;
  if (!accepted && CommDlgExtendedError() != 0) return DialogRun::Failed;
  if (accepted) {
    rgb[0] = GetRValue(choose.rgbResult);
    rgb[1] = GetGValue(choose.rgbResult);
    rgb[2] = GetBValue(choose.rgbResult);
  }
  return DialogRun::Ended;
}

}  // namespace velmora::platform
