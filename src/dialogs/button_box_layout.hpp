// The button box's layout at initialisation: the texts take the icon's room when there
// is no icon, buttons widen to their labels (and the dialog with them), each text grows
// to the lines it really wraps into, and what lies below moves down while the dialog
// grows around its centre.
#pragma once
#include <functional>

namespace velmora::dialogs {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  void offset(int dy) {
    top += dy;
    bottom += dy;
  }
  void shift(int dx) {
    left += dx;
    right += dx;
  }
};

// A text as it is drawn wrapped into a width: its whole height and the height of one of
// its lines; 0 x 0 when it could not be measured.
struct WrappedText {
  int height = 0;
  int line_height = 0;
};
// Measures a text (in its own font) wrapped into `width` pixels.
using MeasureText = std::function<WrappedText(int width)>;

struct ButtonBoxLayout {
  Box dialog;  // the dialog's window rectangle
  Box message, description, icon;
  Box ok, cancel, other;
  bool icon_shown = true;
  bool description_shown = true;
};

struct ButtonBoxTexts {
  bool has_icon = false;
  bool cancel_shown = false, other_shown = false;
  MeasureText message;      // empty: no message text
  MeasureText description;  // empty: no description (it is hidden)
  // The width each button's label needs, padding included; 0 when unknown.
  int ok_width = 0, cancel_width = 0, other_width = 0;
};

// `start` holds the template's places (in pixels, the controls in the dialog's client
// coordinates).
ButtonBoxLayout layout_button_box(ButtonBoxLayout start, const ButtonBoxTexts& texts);

// The input box by the same rules: a prompt that takes more lines pushes the field and the
// buttons down, and the dialog grows around its centre.
struct InputBoxLayout {
  Box dialog;
  Box message, edit, ok, cancel;
};
InputBoxLayout layout_input_box(InputBoxLayout start, const MeasureText& message);

}  // namespace velmora::dialogs
