// The compression settings dialog on Windows: codec and depth choices as radio buttons,
// the spatial quality as a trackbar (0..1024) with its number field, built in memory
// and run modally with DialogBoxIndirectParamW.  Control IDs are the ones automation uses.
#include "platform/compression_dialog.hpp"

#include <algorithm>

#include "platform/ui.hpp"
#include "platform/windows/dialog_template.hpp"

namespace velmora::platform {

namespace {

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
constexpr int kOk = 1, kCancel = 2;
constexpr int kFirstCodec = 1101, kQualitySlider = 1201, kQualityField = 1202, kFirstDepth = 1301;
constexpr int kMaxQuality = 1024;
constexpr short kWidth = 220, kMargin = 7, kRow = 11;

struct State {
  CompressionDialogContent* content;
  bool syncing = false;
};

void add_choices(std::vector<win::DialogItem>& items, const std::string& caption,
                 const std::vector<CompressionOption>& options, int first_id, short& y) {
  items.push_back({SS_LEFT | SS_NOPREFIX,
                   kStatic,
                   {},
                   kMargin,
                   y,
                   kWidth - 2 * kMargin,
                   9,
                   0xFFFF,
                   win::wide_from_utf8(caption)});
  y += kRow;
  for (std::size_t i = 0; i < options.size(); ++i) {
    DWORD style = BS_AUTORADIOBUTTON | WS_TABSTOP;
    if (i == 0) style |= WS_GROUP;
    items.push_back({style,
                     kButton,
                     {},
                     kMargin * 2,
                     y,
                     kWidth - 3 * kMargin,
                     10,
                     static_cast<WORD>(first_id + static_cast<int>(i)),
                     win::wide_from_utf8(options[i].label)});
    y += kRow;
  }
  y += 4;
}

void check_choice(HWND dialog, const std::vector<CompressionOption>& options, int first_id,
                  std::int32_t value) {
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (options[i].value == value) {
      const int id = first_id + static_cast<int>(i);
      CheckRadioButton(dialog, first_id, first_id + static_cast<int>(options.size()) - 1, id);
    }
  }
}

// The value of the checked choice; `fallback` when none is checked.
std::int32_t checked_choice(HWND dialog, const std::vector<CompressionOption>& options,
                            int first_id, std::int32_t fallback) {
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (IsDlgButtonChecked(dialog, first_id + static_cast<int>(i)) == BST_CHECKED) {
      return options[i].value;
    }
  }
  return fallback;
}

INT_PTR CALLBACK proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      s = reinterpret_cast<State*>(lparam);
      CompressionDialogContent& c = *s->content;
      check_choice(dialog, c.codecs, kFirstCodec, c.codec);
      check_choice(dialog, c.depths, kFirstDepth, c.depth);
      const int quality = std::clamp(c.quality, 0, kMaxQuality);
      SendDlgItemMessageW(dialog, kQualitySlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, kMaxQuality));
      SendDlgItemMessageW(dialog, kQualitySlider, TBM_SETPOS, TRUE, quality);
      s->syncing = true;
      SetDlgItemInt(dialog, kQualityField, static_cast<UINT>(quality), FALSE);
      s->syncing = false;
      return TRUE;
    }
    case WM_HSCROLL:
      // The slider moved: the number follows.
      if (s != nullptr && reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, kQualitySlider)) {
        s->syncing = true;
        SetDlgItemInt(
            dialog, kQualityField,
            static_cast<UINT>(SendDlgItemMessageW(dialog, kQualitySlider, TBM_GETPOS, 0, 0)),
            FALSE);
        s->syncing = false;
      }
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kQualityField:
          // A number typed: the slider follows, within its range.
          if (HIWORD(wparam) == EN_CHANGE && s != nullptr && !s->syncing) {
            BOOL ok = FALSE;
            const UINT typed = GetDlgItemInt(dialog, kQualityField, &ok, FALSE);
            if (ok) {
              SendDlgItemMessageW(dialog, kQualitySlider, TBM_SETPOS, TRUE,
                                  std::min<UINT>(typed, kMaxQuality));
            }
          }
          return TRUE;
        case kOk: {
          CompressionDialogContent& c = *s->content;
          c.codec = checked_choice(dialog, c.codecs, kFirstCodec, c.codec);
          c.depth = checked_choice(dialog, c.depths, kFirstDepth, c.depth);
          c.quality = static_cast<std::int32_t>(
              SendDlgItemMessageW(dialog, kQualitySlider, TBM_GETPOS, 0, 0));
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
      EndDialog(dialog, kCancel);
      return TRUE;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

DialogRun run_compression_dialog(CompressionDialogContent& content, bool& accepted) {
  accepted = false;
  if (!display_available()) return DialogRun::NoDisplay;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  std::vector<win::DialogItem> items;
  short y = kMargin;
  add_choices(items, content.codec_caption, content.codecs, kFirstCodec, y);
  items.push_back({SS_LEFT | SS_NOPREFIX,
                   kStatic,
                   {},
                   kMargin,
                   y,
                   kWidth - 2 * kMargin,
                   9,
                   0xFFFF,
                   win::wide_from_utf8(content.quality_caption)});
  y += kRow;
  items.push_back({TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 0, TRACKBAR_CLASSW, kMargin, y, 150, 15,
                   kQualitySlider, L""});
  items.push_back({WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL,
                   kEdit,
                   {},
                   165,
                   static_cast<short>(y + 1),
                   48,
                   13,
                   kQualityField,
                   L""});
  y += 22;
  add_choices(items, content.depth_caption, content.depths, kFirstDepth, y);
  const std::wstring ok = win::wide_from_utf8(content.ok_label.empty() ? "OK" : content.ok_label);
  const std::wstring cancel =
      win::wide_from_utf8(content.cancel_label.empty() ? "Cancel" : content.cancel_label);
  items.push_back({BS_PUSHBUTTON | WS_TABSTOP,
                   kButton,
                   {},
                   kWidth - 2 * kMargin - 100,
                   y,
                   50,
                   14,
                   kCancel,
                   cancel});
  items.push_back(
      {BS_DEFPUSHBUTTON | WS_TABSTOP, kButton, {}, kWidth - kMargin - 50, y, 50, 14, kOk, ok});
  y += 14 + kMargin;
  const std::vector<WORD> bytes =
      win::dialog_bytes(win::wide_from_utf8(content.title), kWidth, y, true, items);
  State state{&content};
  const INT_PTR result = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
      win::dialog_owner(), proc, reinterpret_cast<LPARAM>(&state));
  if (result <= 0) return DialogRun::Failed;
  accepted = result == kOk;
  return DialogRun::Ended;
}

}  // namespace velmora::platform
