// Dialogs built from the module's templates as real GTK dialogs: every control placed
// at its template's place and named after its control ID.
#pragma once
#include <gtk/gtk.h>

#include <map>

#include "resources/dialog_templates.hpp"

namespace velmora::platform::gtk {

struct BuiltDialog {
  GtkWidget* dialog = nullptr;
  GtkWidget* fixed = nullptr;  // holds the controls at their places
  std::map<int, GtkWidget*> controls;
  int base_x = 6, base_y = 13;  // the font's dialog base units in pixels

  int px_x(int units) const { return units * base_x / 4; }
  int px_y(int units) const { return units * base_y / 8; }
  GtkWidget* control(int id) const {
    const auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
  }
};

// The host's document window as the owner of dialogs, or null when it is not shown.
GtkWindow* owner_window();

// Builds the dialog (not shown).  Buttons end the dialog with their ID as response
// unless the caller connects its own handler first and stops the signal.
BuiltDialog build_dialog(const resources::DialogTemplate& t);

// Moves and sizes a control in pixels.
void place(const BuiltDialog& d, GtkWidget* w, int x, int y, int width, int height);

// Runs a dialog modally (with the test automation hook); answers the response.
int run_modal(GtkWidget* dialog);

}  // namespace velmora::platform::gtk
