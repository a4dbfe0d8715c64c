// The button box's layout at initialisation: the texts take the icon's room when there
// is no icon, a long text grows by whole lines, and the dialog grows around its centre.
#pragma once

namespace velmora::dialogs {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  void offset(int dy) {
    top += dy;
    bottom += dy;
  }
};

// The size of a text on one line; 0 x 0 when it could not be measured.
struct Extent {
  int width = 0, height = 0;
};

struct ButtonBoxLayout {
  Box dialog;  // the dialog's window rectangle
  Box message, description, icon;
  Box ok, cancel, other;
  bool icon_shown = true;
  bool description_shown = true;
};

// `start` holds the template's places (in pixels); the extents are the texts measured on
// one line in their fonts.
ButtonBoxLayout layout_button_box(ButtonBoxLayout start, bool has_icon, bool has_description,
                                  Extent message, Extent description);

}  // namespace velmora::dialogs
