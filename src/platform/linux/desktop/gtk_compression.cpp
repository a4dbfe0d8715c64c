// The compression settings dialog in GTK: radio lists for codec and depth, and a slider
// sharing its adjustment with a number field, so either sets the quality.
#include <gtk/gtk.h>

#include <string>

#include "platform/linux/desktop/companion.hpp"
#include "platform/linux/desktop/gtk_templates.hpp"

namespace velmora::platform::gtk {

namespace {

constexpr int kOk = 1, kCancel = 2;
constexpr int kFirstCodec = 1101, kQualityScale = 1201, kQualityField = 1202, kFirstDepth = 1301;

// A framed column of radio buttons; answers the buttons in option order.
std::vector<GtkWidget*> radio_group(GtkWidget* parent, const std::string& caption,
                                    const std::vector<CompressionOption>& options, int first_id,
                                    std::int32_t current) {
  GtkWidget* frame = gtk_frame_new(caption.c_str());
  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  gtk_container_set_border_width(GTK_CONTAINER(column), 6);
  gtk_container_add(GTK_CONTAINER(frame), column);
  gtk_box_pack_start(GTK_BOX(parent), frame, TRUE, TRUE, 0);
  std::vector<GtkWidget*> buttons;
  GSList* group = nullptr;
  for (std::size_t i = 0; i < options.size(); ++i) {
    GtkWidget* b = gtk_radio_button_new_with_label(group, options[i].label.c_str());
    group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(b));
    gtk_widget_set_name(b, std::to_string(first_id + static_cast<int>(i)).c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(b), options[i].value == current);
    gtk_box_pack_start(GTK_BOX(column), b, FALSE, FALSE, 0);
    buttons.push_back(b);
  }
  return buttons;
}

std::int32_t chosen(const std::vector<GtkWidget*>& buttons,
                    const std::vector<CompressionOption>& options, std::int32_t fallback) {
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(buttons[i]))) return options[i].value;
  }
  return fallback;
}

}  // namespace

DialogRun run_compression_dialog(CompressionDialogContent& c, bool& accepted) {
  accepted = false;
  GtkWidget* dialog = gtk_dialog_new();
  if (dialog == nullptr) return DialogRun::Failed;
  gtk_widget_set_name(dialog, "compression");
  gtk_window_set_title(GTK_WINDOW(dialog), c.title.c_str());
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  if (GtkWindow* owner = owner_window()) {
    gtk_window_set_transient_for(GTK_WINDOW(dialog), owner);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  } else {
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  }

  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 8);
  GtkWidget* lists = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  gtk_box_pack_start(GTK_BOX(area), lists, TRUE, TRUE, 0);
  const auto codec_buttons = radio_group(lists, c.codec_caption, c.codecs, kFirstCodec, c.codec);
  const auto depth_buttons = radio_group(lists, c.depth_caption, c.depths, kFirstDepth, c.depth);

  GtkWidget* quality_frame = gtk_frame_new(c.quality_caption.c_str());
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(row), 6);
  gtk_container_add(GTK_CONTAINER(quality_frame), row);
  gtk_box_pack_start(GTK_BOX(area), quality_frame, FALSE, FALSE, 6);
  GtkAdjustment* quality = gtk_adjustment_new(c.quality, 0, 1024, 1, 64, 0);
  GtkWidget* scale = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, quality);
  gtk_scale_set_digits(GTK_SCALE(scale), 0);
  gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
  gtk_widget_set_size_request(scale, 240, -1);
  gtk_widget_set_name(scale, std::to_string(kQualityScale).c_str());
  GtkWidget* field = gtk_spin_button_new(quality, 1, 0);
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(field), TRUE);
  gtk_widget_set_name(field, std::to_string(kQualityField).c_str());
  gtk_box_pack_start(GTK_BOX(row), scale, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(row), field, FALSE, FALSE, 0);

  GtkWidget* cancel = gtk_dialog_add_button(GTK_DIALOG(dialog), c.cancel_label.c_str(), kCancel);
  GtkWidget* ok = gtk_dialog_add_button(GTK_DIALOG(dialog), c.ok_label.c_str(), kOk);
  gtk_widget_set_name(cancel, std::to_string(kCancel).c_str());
  gtk_widget_set_name(ok, std::to_string(kOk).c_str());
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), kOk);
  gtk_widget_show_all(dialog);

  const int response = run_modal(dialog);
  if (response == kOk) {
    // A number typed but not yet confirmed in the field counts.
    gtk_spin_button_update(GTK_SPIN_BUTTON(field));
    c.codec = chosen(codec_buttons, c.codecs, c.codec);
    c.depth = chosen(depth_buttons, c.depths, c.depth);
    c.quality = static_cast<std::int32_t>(gtk_adjustment_get_value(quality) + 0.5);
    accepted = true;
  }
  gtk_widget_destroy(dialog);
  desktop::pump_messages();
  return DialogRun::Ended;
}

}  // namespace velmora::platform::gtk
