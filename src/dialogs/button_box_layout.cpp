#include "dialogs/button_box_layout.hpp"

namespace velmora::dialogs {

namespace {

// The height a text needs when it wraps in `width`: whole lines of the text's height.
int wrapped_height(Extent text, int width) {
  if (width <= 0) return text.height;
  const int lines = text.width / width + 1;
  return lines * text.height;
}

}  // namespace

ButtonBoxLayout layout_button_box(ButtonBoxLayout l, bool has_icon, bool has_description,
                                  Extent message, Extent description) {
  if (!has_icon) {
    l.message.left = l.icon.left;
    l.description.left = l.icon.left;
    l.icon_shown = false;
  }

  int growth = 0;
  if (message.width > l.message.width()) {
    const int height = wrapped_height(message, l.message.width());
    growth = height - message.height;
    l.message.bottom = l.message.top + height;
    l.description.offset(growth);
  }

  if (!has_description) {
    l.description_shown = false;
  } else if (description.width > l.description.width()) {
    const int height = wrapped_height(description, l.description.width());
    growth += height - description.height;
    l.description.bottom = l.description.top + height;
  }

  if (growth != 0) {
    l.dialog.top -= growth / 2;
    l.dialog.bottom += growth / 2;
    l.ok.offset(growth);
    l.cancel.offset(growth);
    l.other.offset(growth);
  }
  return l;
}

}  // namespace velmora::dialogs
