// The button box and the input box as GTK dialogs built from their templates.
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "dialogs/button_box_layout.hpp"
#include "platform/linux/desktop/companion.hpp"
#include "platform/linux/desktop/gtk_templates.hpp"

namespace velmora::platform::gtk {

namespace {

constexpr int kOk = 1, kCancel = 2, kOther = 1002;
constexpr int kMessage = 1003, kDescription = 1004, kIcon = 1005, kEdit = 1007;

struct IconName {
  StandardIcon icon;
  const char* name;
};
constexpr std::array kIconNames = {IconName{StandardIcon::Stop, "dialog-error"},
                                   IconName{StandardIcon::Note, "dialog-information"},
                                   IconName{StandardIcon::Caution, "dialog-warning"},
                                   IconName{StandardIcon::Question, "dialog-question"}};

const char* icon_name(StandardIcon icon) {
  for (const IconName& i : kIconNames) {
    if (i.icon == icon) return i.name;
  }
  return nullptr;
}

// The text as the label draws it (its font, its own attributes, its wrapping) in `width`.
dialogs::WrappedText wrapped_text(GtkWidget* label, const std::string& text, int width) {
  PangoLayout* layout = gtk_widget_create_pango_layout(label, text.c_str());
  if (PangoAttrList* attrs = gtk_label_get_attributes(GTK_LABEL(label))) {
    pango_layout_set_attributes(layout, attrs);
  }
  pango_layout_set_width(layout, width * PANGO_SCALE);
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  int height = 0;
  pango_layout_get_pixel_size(layout, nullptr, &height);
  PangoRectangle line{};
  if (PangoLayoutLine* first = pango_layout_get_line_readonly(layout, 0)) {
    pango_layout_line_get_pixel_extents(first, nullptr, &line);
  }
  g_object_unref(layout);
  return {height, line.height};
}

dialogs::MeasureText measure(GtkWidget* label, const std::string& text) {
  if (label == nullptr || text.empty()) return {};
  return [label, text](int width) { return wrapped_text(label, text, width); };
}

// The width a button asks for with its label, never less than its place.
int button_width(GtkWidget* button) {
  if (button == nullptr) return 0;
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_width(button, &minimum, &natural);
  return std::max(minimum, natural);
}

// The description is drawn two pixels smaller than the dialog's font.
void use_smaller_font(GtkWidget* label) {
  PangoContext* context = gtk_widget_get_pango_context(label);
  const PangoFontDescription* font = pango_context_get_font_description(context);
  double pixels = 13.0;
  if (font != nullptr && pango_font_description_get_size(font) > 0) {
    const double size = pango_font_description_get_size(font) / double(PANGO_SCALE);
    pixels = pango_font_description_get_size_is_absolute(font) ? size : size * 96.0 / 72.0;
  }
  PangoAttrList* attrs = pango_attr_list_new();
  pango_attr_list_insert(
      attrs, pango_attr_size_new_absolute(static_cast<int>((pixels - 2.0) * PANGO_SCALE)));
  gtk_label_set_attributes(GTK_LABEL(label), attrs);
  pango_attr_list_unref(attrs);
}

dialogs::Box box_of(const BuiltDialog& d, const resources::ControlTemplate* c) {
  if (c == nullptr) return {};
  return {d.px_x(c->x), d.px_y(c->y), d.px_x(c->x + c->width), d.px_y(c->y + c->height)};
}

void apply(const BuiltDialog& d, int id, const dialogs::Box& b) {
  if (GtkWidget* w = d.control(id)) place(d, w, b.left, b.top, b.width(), b.height());
}

void set_label(GtkWidget* w, const std::string& text) {
  if (w == nullptr || text.empty()) return;
  if (GTK_IS_BUTTON(w)) gtk_button_set_label(GTK_BUTTON(w), text.c_str());
  if (GTK_IS_LABEL(w)) gtk_label_set_text(GTK_LABEL(w), text.c_str());
}

void lay_out_button_box(const resources::DialogTemplate& t, const BuiltDialog& d,
                        const ButtonBoxContent& c) {
  GtkWidget* message = d.control(kMessage);
  GtkWidget* description = d.control(kDescription);
  set_label(message, c.message);
  set_label(description, c.description);
  if (description) use_smaller_font(description);
  set_label(d.control(kOk), c.ok_label);
  for (const auto& [id, shown, label] : {std::tuple{kCancel, c.cancel_shown, &c.cancel_label},
                                         std::tuple{kOther, c.other_shown, &c.other_label}}) {
    GtkWidget* button = d.control(id);
    if (button == nullptr) continue;
    if (!shown) {
      gtk_widget_hide(button);
    } else {
      set_label(button, *label);
    }
  }
  const char* icon = icon_name(c.icon);
  GtkWidget* image = d.control(kIcon);
  if (icon && image) {
    gtk_image_set_from_icon_name(GTK_IMAGE(image), icon, GTK_ICON_SIZE_DIALOG);
    const dialogs::Box b = box_of(d, t.control(kIcon));
    gtk_image_set_pixel_size(GTK_IMAGE(image), std::min(b.width(), b.height()));
  }

  dialogs::ButtonBoxLayout start;
  start.dialog = {0, 0, d.px_x(t.width), d.px_y(t.height)};
  start.message = box_of(d, t.control(kMessage));
  start.description = box_of(d, t.control(kDescription));
  start.icon = box_of(d, t.control(kIcon));
  start.ok = box_of(d, t.control(kOk));
  start.cancel = box_of(d, t.control(kCancel));
  start.other = box_of(d, t.control(kOther));
  dialogs::ButtonBoxTexts texts;
  texts.has_icon = icon != nullptr;
  texts.cancel_shown = c.cancel_shown;
  texts.other_shown = c.other_shown;
  // An empty message keeps the template's text, which is measured like any other.
  texts.message = measure(message, message ? gtk_label_get_text(GTK_LABEL(message)) : "");
  if (!c.description.empty()) texts.description = measure(description, c.description);
  texts.ok_width = button_width(d.control(kOk));
  texts.cancel_width = button_width(d.control(kCancel));
  texts.other_width = button_width(d.control(kOther));
  const dialogs::ButtonBoxLayout l = dialogs::layout_button_box(start, texts);

  apply(d, kMessage, l.message);
  apply(d, kDescription, l.description);
  apply(d, kOk, l.ok);
  apply(d, kCancel, l.cancel);
  apply(d, kOther, l.other);
  if (!l.icon_shown && image) gtk_widget_hide(image);
  if (!l.description_shown && description) gtk_widget_hide(description);
  // The dialog is centred on its owner, so growing it keeps its old centre.
  gtk_widget_set_size_request(d.fixed, l.dialog.width(), l.dialog.height());
}

// ---- the input box ---------------------------------------------------------------

void lay_out_input_box(const resources::DialogTemplate& t, const BuiltDialog& d) {
  GtkWidget* message = d.control(kMessage);
  dialogs::InputBoxLayout start;
  start.dialog = {0, 0, d.px_x(t.width), d.px_y(t.height)};
  start.message = box_of(d, t.control(kMessage));
  start.edit = box_of(d, t.control(kEdit));
  start.ok = box_of(d, t.control(kOk));
  start.cancel = box_of(d, t.control(kCancel));
  const dialogs::InputBoxLayout l = dialogs::layout_input_box(
      start, measure(message, message ? gtk_label_get_text(GTK_LABEL(message)) : ""));
  apply(d, kMessage, l.message);
  apply(d, kEdit, l.edit);
  apply(d, kOk, l.ok);
  apply(d, kCancel, l.cancel);
  gtk_widget_set_size_request(d.fixed, l.dialog.width(), l.dialog.height());
}

struct InputState {
  InputBoxContent* content;
  GtkWidget* dialog;
  GtkWidget* entry;
  GtkWidget* ok;
};

void entry_changed(GtkEditable*, gpointer data) {
  auto* s = static_cast<InputState*>(data);
  if (!s->content->needs_something) return;
  const bool empty = *gtk_entry_get_text(GTK_ENTRY(s->entry)) == '\0';
  gtk_widget_set_sensitive(s->ok, !empty);
}

void ok_clicked(GtkButton*, gpointer data) {
  auto* s = static_cast<InputState*>(data);
  const std::string text = gtk_entry_get_text(GTK_ENTRY(s->entry));
  if (text.empty() && s->content->needs_something) return;
  s->content->text = text;
  gtk_dialog_response(GTK_DIALOG(s->dialog), kOk);
}

}  // namespace

DialogRun run_button_box(const resources::DialogTemplate& t, const ButtonBoxContent& content,
                         int& ended_by) {
  const BuiltDialog d = build_dialog(t);
  if (d.dialog == nullptr) return DialogRun::Failed;
  lay_out_button_box(t, d, content);
  const int response = run_modal(d.dialog);
  gtk_widget_destroy(d.dialog);
  desktop::pump_messages();
  // Escape (or anything that dismisses the dialog) counts as the Cancel button.
  ended_by = response == GTK_RESPONSE_DELETE_EVENT ? kDialogDismissed : response;
  return DialogRun::Ended;
}

DialogRun run_input_box(const resources::DialogTemplate& t, InputBoxContent& content,
                        int& ended_by) {
  const BuiltDialog d = build_dialog(t);
  GtkWidget* entry = d.control(kEdit);
  GtkWidget* ok = d.control(kOk);
  if (d.dialog == nullptr || entry == nullptr || ok == nullptr) {
    if (d.dialog) gtk_widget_destroy(d.dialog);
    return DialogRun::Failed;
  }
  set_label(d.control(kMessage), content.message);
  lay_out_input_box(t, d);
  gtk_entry_set_visibility(GTK_ENTRY(entry), content.password ? FALSE : TRUE);
  gtk_entry_set_max_length(GTK_ENTRY(entry), 255);
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  if (content.text.empty() && content.needs_something) gtk_widget_set_sensitive(ok, FALSE);
  gtk_entry_set_text(GTK_ENTRY(entry), content.text.c_str());
  set_label(ok, content.ok_label);
  set_label(d.control(kCancel), content.cancel_label);

  InputState state{&content, d.dialog, entry, ok};
  g_signal_connect(entry, "changed", G_CALLBACK(entry_changed), &state);
  // OK checks the field before it ends the dialog: it replaces the template's handler.
  g_signal_handlers_disconnect_matched(ok, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, d.dialog);
  g_signal_connect(ok, "clicked", G_CALLBACK(ok_clicked), &state);
  gtk_widget_grab_focus(entry);

  const int response = run_modal(d.dialog);
  gtk_widget_destroy(d.dialog);
  desktop::pump_messages();
  ended_by = response == GTK_RESPONSE_DELETE_EVENT ? kDialogDismissed : response;
  return DialogRun::Ended;
}

}  // namespace velmora::platform::gtk
