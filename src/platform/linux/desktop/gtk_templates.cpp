#include "platform/linux/desktop/gtk_templates.hpp"

#include <algorithm>
#include <string>

#include "platform/linux/desktop/companion.hpp"
#include "platform/linux/desktop/ui_automation.hpp"

// A static text that wraps inside its place: it asks for exactly the width it was
// given, where a plain label would ask for its text on one line.
struct PlacedLabel {
  GtkLabel parent;
};
struct PlacedLabelClass {
  GtkLabelClass parent_class;
};
G_DEFINE_TYPE(PlacedLabel, placed_label, GTK_TYPE_LABEL)

static void placed_label_preferred_width(GtkWidget* w, gint* minimum, gint* natural) {
  gint width = 0;
  gtk_widget_get_size_request(w, &width, nullptr);
  if (width <= 0) {
    GTK_WIDGET_CLASS(placed_label_parent_class)->get_preferred_width(w, minimum, natural);
    return;
  }
  *minimum = *natural = width;
}
static void placed_label_class_init(PlacedLabelClass* c) {
  GTK_WIDGET_CLASS(c)->get_preferred_width = placed_label_preferred_width;
}
static void placed_label_init(PlacedLabel*) {}

namespace velmora::platform::gtk {

namespace {

// Template sizes are for a small dialog font: buttons lose GTK's roomy padding so that
// they keep their place.
constexpr const char* kCompactCss =
    "button { padding: 0px 4px; min-height: 0px; min-width: 0px; }"
    "entry { min-height: 0px; padding-top: 0px; padding-bottom: 0px; }";

void make_compact(GtkWidget* w) {
  static GtkCssProvider* provider = [] {
    GtkCssProvider* p = gtk_css_provider_new();
    gtk_css_provider_load_from_data(p, kCompactCss, -1, nullptr);
    return p;
  }();
  gtk_style_context_add_provider(gtk_widget_get_style_context(w), GTK_STYLE_PROVIDER(provider),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// The controls the keyboard reaches with Tab.
bool takes_focus(resources::ControlKind kind) {
  using K = resources::ControlKind;
  return kind == K::DefaultButton || kind == K::Button || kind == K::Edit;
}

void end_with_id(GtkButton* button, gpointer dialog) {
  const int id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "velmora-id"));
  gtk_dialog_response(GTK_DIALOG(dialog), id);
}

// The font's base units, measured the way the system measures a dialog font: the
// average width of the letters and the height of a line.
void measure_base_units(BuiltDialog& d) {
  PangoLayout* layout = gtk_widget_create_pango_layout(
      d.dialog, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  if (width > 0 && height > 0) {
    d.base_x = (width / 26 + 1) / 2;
    d.base_y = height;
  }
}

GtkWidget* make_control(const resources::ControlTemplate& c, GtkWidget* dialog) {
  using K = resources::ControlKind;
  const std::string text(c.text);
  switch (c.kind) {
    case K::DefaultButton:
    case K::Button: {
      GtkWidget* b = gtk_button_new_with_label(text.c_str());
      g_object_set_data(G_OBJECT(b), "velmora-id", GINT_TO_POINTER(c.id));
      g_signal_connect(b, "clicked", G_CALLBACK(end_with_id), dialog);
      return b;
    }
    case K::Text: {
      GtkWidget* l =
          GTK_WIDGET(g_object_new(placed_label_get_type(), "label", text.c_str(), nullptr));
      gtk_label_set_xalign(GTK_LABEL(l), 0.0f);
      gtk_label_set_yalign(GTK_LABEL(l), 0.0f);
      gtk_label_set_line_wrap(GTK_LABEL(l), TRUE);
      gtk_label_set_line_wrap_mode(GTK_LABEL(l), PANGO_WRAP_WORD_CHAR);
      return l;
    }
    case K::Icon:
      return gtk_image_new();
    case K::Edit:
      return gtk_entry_new();
    case K::ProgressBar:
      return gtk_progress_bar_new();
  }
  return gtk_label_new("");
}

}  // namespace

GtkWindow* owner_window() {
  void* native = desktop::services().owner_window();
  return native != nullptr && GTK_IS_WINDOW(native) ? GTK_WINDOW(native) : nullptr;
}

BuiltDialog build_dialog(const resources::DialogTemplate& t) {
  BuiltDialog d;
  d.dialog = gtk_dialog_new();
  GtkWindow* window = GTK_WINDOW(d.dialog);
  const std::string title(t.title);
  gtk_window_set_title(window, title.c_str());
  gtk_widget_set_name(d.dialog, std::to_string(t.id).c_str());
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_deletable(window, t.close_box ? TRUE : FALSE);
  if (GtkWindow* owner = owner_window()) {
    gtk_window_set_transient_for(window, owner);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
  } else {
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  }
  measure_base_units(d);

  d.fixed = gtk_fixed_new();
  gtk_widget_set_size_request(d.fixed, d.px_x(t.width), d.px_y(t.height));
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d.dialog))), d.fixed, TRUE,
                     TRUE, 0);
  GList* tab_order = nullptr;
  for (const resources::ControlTemplate& c : t.controls) {
    GtkWidget* w = make_control(c, d.dialog);
    gtk_widget_set_name(w, std::to_string(c.id).c_str());
    make_compact(w);
    gtk_fixed_put(GTK_FIXED(d.fixed), w, d.px_x(c.x), d.px_y(c.y));
    gtk_widget_set_size_request(w, d.px_x(c.width), d.px_y(c.height));
    d.controls[c.id] = w;
    if (takes_focus(c.kind)) tab_order = g_list_append(tab_order, w);
    if (c.kind == resources::ControlKind::DefaultButton) {
      gtk_widget_set_can_default(w, TRUE);
      gtk_window_set_default(window, w);
      // Drawn the way this desktop marks the button that Return presses.
      gtk_style_context_add_class(gtk_widget_get_style_context(w),
                                  GTK_STYLE_CLASS_SUGGESTED_ACTION);
    }
  }
  // Tab walks the controls in the template's order, as the system's dialog manager does,
  // and the first of them starts with the focus.  GTK's own order is by place, which
  // starts at the leftmost button, so Return would press that one instead of OK.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_container_set_focus_chain(GTK_CONTAINER(d.fixed), tab_order);
  G_GNUC_END_IGNORE_DEPRECATIONS
  if (tab_order != nullptr) gtk_widget_grab_focus(GTK_WIDGET(tab_order->data));
  g_list_free(tab_order);
  gtk_widget_show_all(d.fixed);
  return d;
}

void place(const BuiltDialog& d, GtkWidget* w, int x, int y, int width, int height) {
  gtk_fixed_move(GTK_FIXED(d.fixed), w, x, y);
  gtk_widget_set_size_request(w, width, height);
}

int run_modal(GtkWidget* dialog) {
  automation::attach(dialog);
  return gtk_dialog_run(GTK_DIALOG(dialog));
}

}  // namespace velmora::platform::gtk
