// The module's dialog templates (message box 104, progress 105, input box 106), in
// English and Japanese: controls by ID, places in dialog units, texts in UTF-8.
#pragma once
#include <span>
#include <string_view>

#include "platform/module.hpp"

namespace velmora::resources {

enum class ControlKind { DefaultButton, Button, Text, Icon, Edit, ProgressBar };

struct ControlTemplate {
  int id;
  ControlKind kind;
  int x, y, width, height;  // dialog units
  std::string_view text;
};

struct DialogTemplate {
  int id;
  std::string_view title;
  int width, height;  // dialog units
  bool close_box;     // the template has a system menu
  std::span<const ControlTemplate> controls;

  const ControlTemplate* control(int control_id) const {
    for (const ControlTemplate& c : controls) {
      if (c.id == control_id) return &c;
    }
    return nullptr;
  }
};

inline constexpr int kButtonBoxTemplate = 104;
inline constexpr int kProgressTemplate = 105;
inline constexpr int kInputBoxTemplate = 106;

// The template `id` in the language of the user interface; null when there is none.
const DialogTemplate* dialog_template(int id, platform::Language language);

}  // namespace velmora::resources
