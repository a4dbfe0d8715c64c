#include "dialogs/button_box_layout.hpp"

#include <algorithm>

namespace velmora::dialogs {

namespace {

// Widens the buttons to their labels.  OK keeps its right edge and Cancel its distance
// to OK; Other keeps its left edge.  When they would meet, the dialog widens by what is
// missing, and so do the texts, whose right edges follow the dialog's.
void widen_buttons(ButtonBoxLayout& l, const ButtonBoxTexts& t) {
  const int gap = l.ok.left - l.cancel.right;
  const int ok_width = std::max(l.ok.width(), t.ok_width);
  const int cancel_width = std::max(l.cancel.width(), t.cancel_width);
  const int other_width = std::max(l.other.width(), t.other_width);
  l.ok.left = l.ok.right - ok_width;
  l.cancel.right = l.ok.left - gap;
  l.cancel.left = l.cancel.right - cancel_width;
  l.other.right = l.other.left + other_width;

  const int right_group = t.cancel_shown ? l.cancel.left : l.ok.left;
  const int needed_left = t.other_shown ? l.other.right + gap : l.other.left;
  const int missing = needed_left - right_group;
  if (missing <= 0) return;
  l.dialog.left -= missing / 2;
  l.dialog.right += missing - missing / 2;
  l.ok.shift(missing);
  l.cancel.shift(missing);
  l.message.right += missing;
  l.description.right += missing;
}

// Grows a text's box to the lines the text takes; answers by how much what lies below it
// moves.  The growth is the text's height beyond one line, as long as the box held that
// line; a line taller than the box (a larger script) adds what the box lacked.
int grow_text(Box& box, const MeasureText& measure) {
  if (!measure) return 0;
  const WrappedText text = measure(box.width());
  if (text.height <= 0 || text.line_height <= 0) return 0;
  const int growth = std::max(0, text.height - std::min(text.line_height, box.height()));
  box.bottom = box.top + std::max(box.height(), text.height);
  return growth;
}

// Grows a dialog around its centre (an odd growth puts its extra pixel at the bottom) and
// moves the boxes below the grown text down by the whole growth.
template <typename... Boxes>
void grow_dialog(Box& dialog, int growth, Boxes&... below) {
  if (growth == 0) return;
  dialog.top -= growth / 2;
  dialog.bottom += growth - growth / 2;
  (below.offset(growth), ...);
}

}  // namespace

ButtonBoxLayout layout_button_box(ButtonBoxLayout l, const ButtonBoxTexts& t) {
  if (!t.has_icon) {
    l.message.left = l.icon.left;
    l.description.left = l.icon.left;
    l.icon_shown = false;
  }
  widen_buttons(l, t);

  int growth = grow_text(l.message, t.message);
  l.description.offset(growth);
  if (!t.description) {
    l.description_shown = false;
  } else {
    growth += grow_text(l.description, t.description);
  }

  grow_dialog(l.dialog, growth, l.ok, l.cancel, l.other);
  return l;
}

InputBoxLayout layout_input_box(InputBoxLayout l, const MeasureText& message) {
  grow_dialog(l.dialog, grow_text(l.message, message), l.edit, l.ok, l.cancel);
  return l;
}

}  // namespace velmora::dialogs
