// The module's dialogs as the system's dialog manager runs them (under Wine with a
// display: scripts/test-windows.sh runs these where X is there): the focus starts on OK,
// OK is the default, and every text and label fits inside its control and the dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/dialogs.hpp"
#include "resources/dialog_templates.hpp"

namespace velmora::platform {
namespace {

struct Seen {
  RECT client{};
  std::map<int, RECT> shown;  // visible controls in client coordinates
  int focus = 0;
  int default_id = 0;
  std::map<int, int> text_height;  // what a static's text needs at its width
  std::map<int, int> label_width;  // what a button's label needs
};
Seen seen;
bool found = false;

BOOL CALLBACK find_dialog(HWND window, LPARAM out) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

// The extent the control's text needs in its own font: wrapped at `width`, or on one line.
SIZE text_extent(HWND control, int width) {
  wchar_t text[512] = {};
  const int length = GetWindowTextW(control, text, 512);
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT r{0, 0, width, 0};
  DrawTextW(dc, text, length, &r,
            DT_CALCRECT | DT_NOPREFIX | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {r.right - r.left, r.bottom - r.top};
}

void CALLBACK look_and_close(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) return;
  KillTimer(nullptr, timer);
  found = true;
  GetClientRect(dialog, &seen.client);
  for (const int id : {1, 2, 1002, 1003, 1004, 1005, 1007}) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr || !IsWindowVisible(control)) continue;
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    seen.shown[id] = r;
    if (id == 1003 || id == 1004) seen.text_height[id] = text_extent(control, r.right - r.left).cy;
    if (id == 1 || id == 2 || id == 1002) seen.label_width[id] = text_extent(control, 0).cx;
  }
  seen.focus = GetDlgCtrlID(GetFocus());
  seen.default_id = LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1)));
}

class WinDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display for windows";
  }
  // Shows the button box, looks at it once it is up, and presses OK.
  void show(const ButtonBoxContent& content,
            platform::Language language = platform::Language::English) {
    seen = {};
    found = false;
    const resources::DialogTemplate* t =
        resources::dialog_template(resources::kButtonBoxTemplate, language);
    ASSERT_NE(t, nullptr);
    SetTimer(nullptr, 0, 100, look_and_close);
    int ended_by = 0;
    ASSERT_EQ(run_button_box(*t, content, ended_by), DialogRun::Ended);
    ASSERT_TRUE(found);
    EXPECT_EQ(ended_by, 1);
  }
  void show_input(InputBoxContent content) {
    seen = {};
    found = false;
    const resources::DialogTemplate* t =
        resources::dialog_template(resources::kInputBoxTemplate, platform::Language::English);
    ASSERT_NE(t, nullptr);
    SetTimer(nullptr, 0, 100, look_and_close);
    int ended_by = 0;
    ASSERT_EQ(run_input_box(*t, content, ended_by), DialogRun::Ended);
    ASSERT_TRUE(found);
    EXPECT_EQ(ended_by, 1);
  }
  static bool overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  }
  void expect_tidy(const std::string& what) {
    for (const auto& [id, r] : seen.shown) {
      EXPECT_GE(r.left, 0) << what << " control " << id;
      EXPECT_GE(r.top, 0) << what << " control " << id;
      EXPECT_LE(r.right, seen.client.right) << what << " control " << id;
      EXPECT_LE(r.bottom, seen.client.bottom) << what << " control " << id;
      for (const auto& [other, o] : seen.shown) {
        if (other > id) {
          EXPECT_FALSE(overlap(r, o)) << what << ": " << id << " and " << other;
        }
      }
    }
    for (const auto& [id, height] : seen.text_height) {
      EXPECT_GE(seen.shown[id].bottom - seen.shown[id].top, height) << what << " text " << id;
    }
    for (const auto& [id, width] : seen.label_width) {
      EXPECT_GT(seen.shown[id].right - seen.shown[id].left, width) << what << " button " << id;
    }
  }
};

TEST_F(WinDialogs, OkStartsWithTheFocusAndIsTheDefault) {
  ButtonBoxContent c;
  c.message = "Save changes?";
  c.cancel_shown = c.other_shown = true;
  c.other_label = "Discard";
  show(c);
  EXPECT_EQ(seen.focus, 1);
  EXPECT_EQ(seen.default_id, 1);
  expect_tidy("three buttons");
}

TEST_F(WinDialogs, TextsOfSeveralLinesAndLongLabelsFit) {
  ButtonBoxContent lines;
  lines.message = "Line one\nLine two\nLine three";
  lines.description = "Below the message";
  lines.cancel_shown = true;
  show(lines);
  expect_tidy("line feeds");
  const int three_lines = seen.client.bottom;

  ButtonBoxContent five;
  five.message = "One\nTwo\nThree\nFour\nFive";
  five.icon = StandardIcon::Note;
  show(five);
  expect_tidy("five lines");
  EXPECT_GT(seen.client.bottom, three_lines);

  ButtonBoxContent wide;
  wide.message =
      "This message is far too long for one line of the static text, so it wraps "
      "onto more lines and the dialog grows";
  wide.description =
      "And so does this description, which is long enough to need a second "
      "line of its own below the message";
  wide.ok_label = std::string(30, 'W');
  wide.cancel_shown = wide.other_shown = true;
  wide.other_label = "Do something else entirely";
  show(wide);
  expect_tidy("long texts and labels");

  ButtonBoxContent japanese;
  japanese.message = "変更を保存しますか？\n保存しないと変更は失われます。";
  japanese.description = "この操作は取り消せません。";
  japanese.cancel_shown = true;
  show(japanese, platform::Language::Japanese);
  expect_tidy("Japanese");
}

TEST_F(WinDialogs, InputBoxStartsInTheFieldAndItsPromptFits) {
  InputBoxContent c;
  c.message =
      "Please type the name of the customer whose records should be exported to the "
      "new file, as it is written on the invoice";
  show_input(c);
  EXPECT_EQ(seen.focus, 1007);
  EXPECT_EQ(seen.default_id, 1);
  expect_tidy("input box");
}

}  // namespace
}  // namespace velmora::platform
