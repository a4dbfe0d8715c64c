// The colour dialog: GTK's colour chooser, opened on its editor, owned by the host's window.
#include <gtk/gtk.h>

#include <array>
#include <utility>

#include "platform/linux/desktop/companion.hpp"
#include "platform/linux/desktop/gtk_templates.hpp"

namespace velmora::platform::gtk {

namespace {

constexpr int kCustomColours = 16;

GdkRGBA to_rgba(const std::uint8_t rgb[3]) {
  return {rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0, 1.0};
}

std::uint8_t to_byte(double component) {
  const double v = component * 255.0 + 0.5;
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

DialogRun pick_color(const SystemDialogNames& names, std::uint8_t rgb[3], bool& accepted) {
  accepted = false;
  GtkWidget* dialog = gtk_color_chooser_dialog_new(
      names.title.empty() ? nullptr : names.title.c_str(), owner_window());
  if (dialog == nullptr) return DialogRun::Failed;
  gtk_widget_set_name(dialog, "color");
  // The module's labels, in its language: GTK's own would follow the process's locale.
  for (const auto& [response, label] : {std::pair{GTK_RESPONSE_OK, &names.accept_label},
                                        std::pair{GTK_RESPONSE_CANCEL, &names.cancel_label}}) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
    if (button == nullptr || !GTK_IS_BUTTON(button)) continue;
    // Named as the module's own dialogs name OK and Cancel.
    gtk_widget_set_name(button, response == GTK_RESPONSE_OK ? "1" : "2");
    if (!label->empty()) gtk_button_set_label(GTK_BUTTON(button), label->c_str());
  }
  GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
  gtk_color_chooser_set_use_alpha(chooser, FALSE);

  // The custom colours live for this call: the starting colour, then white.
  std::array<GdkRGBA, kCustomColours> custom;
  custom.fill({1.0, 1.0, 1.0, 1.0});
  custom[0] = to_rgba(rgb);
  gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, kCustomColours / 2,
                                kCustomColours, custom.data());
  gtk_color_chooser_set_rgba(chooser, &custom[0]);
  // Fully open: the editor with its plane and values, not only the swatches.
  g_object_set(dialog, "show-editor", TRUE, nullptr);

  const int response = run_modal(dialog);
  if (response == GTK_RESPONSE_OK) {
    GdkRGBA chosen;
    gtk_color_chooser_get_rgba(chooser, &chosen);
    rgb[0] = to_byte(chosen.red);
    rgb[1] = to_byte(chosen.green);
    rgb[2] = to_byte(chosen.blue);
    accepted = true;
  }
  gtk_widget_destroy(dialog);
  desktop::pump_messages();
  return DialogRun::Ended;
}

}  // namespace velmora::platform::gtk
