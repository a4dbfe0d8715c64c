#include "platform/linux/desktop/ui_automation.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform::gtk::automation {

namespace {

constexpr guint kStepMs = 40;
// How long the steps wait, at most, for a dialog to take up what it was given.
constexpr gint64 kSettleUs = 10 * 1000000;
constexpr const char* kHoldKey = "velmora-automation-hold";

struct Run {
  GtkWidget* dialog = nullptr;
  std::vector<std::string> steps;
  std::size_t next = 0;
  gint64 resume_at = 0;  // monotonic microseconds
  gint64 deadline = 0;
  gint64 settle_until = 0;  // a file chooser gets this long to take up its folder
  std::string expect_file;  // a chosen file the chooser has not taken up yet
  gint64 expect_until = 0;
  gulong destroy_handler = 0;
  guint source = 0;
  bool alive = true;
};

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

// The steps for the next dialog, or none when no script is set.
std::vector<std::string> next_script() {
  static int shown = 0;
  const char* script = std::getenv("VELMORA_UI_SCRIPT");
  if (script == nullptr) return {};
  const std::vector<std::string> dialogs = split(script, '|');
  const int index = shown++;
  std::vector<std::string> steps;
  if (index < static_cast<int>(dialogs.size())) {
    for (std::string& s : split(dialogs[static_cast<std::size_t>(index)], ';')) {
      if (!s.empty()) steps.push_back(std::move(s));
    }
  }
  return steps;
}

// ---- the report ------------------------------------------------------------------

void write_report(const std::string& text) {
  const char* path = std::getenv("VELMORA_UI_REPORT");
  FILE* f = path ? std::fopen(path, "a") : nullptr;
  std::fputs(text.c_str(), f ? f : stderr);
  if (f) std::fclose(f);
}

// A text on one report line: line feeds written as \n.
std::string one_line(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '\n') {
      out += "\\n";
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

bool is_control_name(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

void describe(GtkWidget* w, GtkWidget* root, std::string& out);

// The label that draws a control's text: the control itself, or a button's child.
GtkLabel* text_label(GtkWidget* w) {
  if (GTK_IS_LABEL(w)) return GTK_LABEL(w);
  if (GTK_IS_BUTTON(w)) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(w));
    if (child != nullptr && GTK_IS_LABEL(child)) return GTK_LABEL(child);
  }
  return nullptr;
}

void describe_children(GtkWidget* w, GtkWidget* root, std::string& out) {
  if (!GTK_IS_CONTAINER(w)) return;
  struct Walk {
    GtkWidget* root;
    std::string* out;
  } walk{root, &out};
  gtk_container_forall(
      GTK_CONTAINER(w),
      [](GtkWidget* child, gpointer data) {
        auto* k = static_cast<Walk*>(data);
        describe(child, k->root, *k->out);
      },
      &walk);
}

void describe(GtkWidget* w, GtkWidget* root, std::string& out) {
  const char* name = gtk_widget_get_name(w);
  if (is_control_name(name) && w != root) {
    int x = 0, y = 0;
    GtkWidget* parent = gtk_widget_get_parent(w);
    if (parent) gtk_widget_translate_coordinates(w, parent, 0, 0, &x, &y);
    GtkAllocation a, room{};
    gtk_widget_get_allocation(w, &a);
    if (parent) gtk_widget_get_allocation(parent, &room);
    out += "control " + std::string(name) + " " + G_OBJECT_TYPE_NAME(w) +
           " visible=" + (gtk_widget_get_visible(w) ? "1" : "0") +
           " sensitive=" + (gtk_widget_get_sensitive(w) ? "1" : "0") + " x=" + std::to_string(x) +
           " y=" + std::to_string(y) + " w=" + std::to_string(a.width) +
           " h=" + std::to_string(a.height) + " pw=" + std::to_string(room.width) +
           " ph=" + std::to_string(room.height);
    out += std::string(" focus=") + (gtk_widget_is_focus(w) ? "1" : "0");
    // Characters no installed font could draw (they show as boxes).
    if (GtkLabel* label = text_label(w)) {
      out += " unknown=" +
             std::to_string(pango_layout_get_unknown_glyphs_count(gtk_label_get_layout(label)));
    }
    if (GTK_IS_BUTTON(w)) {
      out += std::string(" default=") + (gtk_widget_has_default(w) ? "1" : "0");
      out += std::string(" suggested=") +
             (gtk_style_context_has_class(gtk_widget_get_style_context(w),
                                          GTK_STYLE_CLASS_SUGGESTED_ACTION)
                  ? "1"
                  : "0");
      const char* label = gtk_button_get_label(GTK_BUTTON(w));
      out += " text='" + one_line(label) + "'";
    } else if (GTK_IS_LABEL(w)) {
      out += " text='" + one_line(gtk_label_get_text(GTK_LABEL(w))) + "'";
    } else if (GTK_IS_ENTRY(w)) {
      out += " text='" + std::string(gtk_entry_get_text(GTK_ENTRY(w))) + "'";
      out += std::string(" masked=") + (gtk_entry_get_visibility(GTK_ENTRY(w)) ? "0" : "1");
    } else if (GTK_IS_IMAGE(w)) {
      const gchar* icon = nullptr;
      if (gtk_image_get_storage_type(GTK_IMAGE(w)) == GTK_IMAGE_ICON_NAME) {
        gtk_image_get_icon_name(GTK_IMAGE(w), &icon, nullptr);
      }
      out += " icon='" + std::string(icon ? icon : "") + "'";
    } else if (GTK_IS_PROGRESS_BAR(w)) {
      out += " fraction=" + std::to_string(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(w)));
    }
    out += "\n";
  }
  describe_children(w, root, out);
}

void report(GtkWidget* dialog) {
  std::string out = "dialog name=" + std::string(gtk_widget_get_name(dialog));
  const char* title = gtk_window_get_title(GTK_WINDOW(dialog));
  out += " title='" + std::string(title ? title : "") + "'";
  int width = 0, height = 0;
  gtk_window_get_size(GTK_WINDOW(dialog), &width, &height);
  out += " w=" + std::to_string(width) + " h=" + std::to_string(height);
  out +=
      std::string(" transient=") + (gtk_window_get_transient_for(GTK_WINDOW(dialog)) ? "1" : "0");
  if (GTK_IS_COLOR_CHOOSER(dialog)) {
    GdkRGBA c;
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &c);
    out += " color=" + std::to_string(static_cast<int>(c.red * 255 + 0.5)) + "," +
           std::to_string(static_cast<int>(c.green * 255 + 0.5)) + "," +
           std::to_string(static_cast<int>(c.blue * 255 + 0.5));
  }
  if (GTK_IS_FILE_CHOOSER(dialog)) {
    out += " filters=";
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(dialog));
    for (GSList* f = filters; f; f = f->next) {
      const char* name = gtk_file_filter_get_name(GTK_FILE_FILTER(f->data));
      out += "[" + std::string(name ? name : "") + "]";
    }
    g_slist_free(filters);
    gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
    out += " folder='" + std::string(folder ? folder : "") + "'";
    g_free(folder);
    out += std::string(" hidden=") +
           (gtk_file_chooser_get_show_hidden(GTK_FILE_CHOOSER(dialog)) ? "1" : "0");
  }
  out += "\n";
  describe_children(dialog, dialog, out);
  write_report(out);
}

// ---- the steps -------------------------------------------------------------------

GtkWidget* find_named(GtkWidget* w, const std::string& name) {
  if (name == gtk_widget_get_name(w)) return w;
  if (!GTK_IS_CONTAINER(w)) return nullptr;
  struct Find {
    const std::string* name;
    GtkWidget* found;
  } find{&name, nullptr};
  gtk_container_forall(
      GTK_CONTAINER(w),
      [](GtkWidget* child, gpointer data) {
        auto* f = static_cast<Find*>(data);
        if (f->found == nullptr) f->found = find_named(child, *f->name);
      },
      &find);
  return find.found;
}

void send_key(GtkWidget* dialog, const std::string& name) {
  const guint keyval = gdk_keyval_from_name(name.c_str());
  GdkWindow* window = gtk_widget_get_window(dialog);
  if (keyval == GDK_KEY_VoidSymbol || window == nullptr) return;
  GdkDisplay* display = gtk_widget_get_display(dialog);
  for (const GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(window));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                          &count) &&
        count > 0) {
      event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
      event->key.group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_widget_event(dialog, event);
    gdk_event_free(event);
  }
}

// Draws into a PNG file, on white, the control named before the first ':' of `arg`
// (`kind` "snapshot"), or its text in its own font ("glyphs"), or its text in one Latin font
// without falling back to others ("boxes"): how it looks where no font has its characters.
void snapshot(GtkWidget* dialog, const std::string& kind, const std::string& arg) {
  const std::size_t colon = arg.find(':');
  GtkWidget* w = colon == std::string::npos ? nullptr : find_named(dialog, arg.substr(0, colon));
  GtkLabel* label = w ? text_label(w) : nullptr;
  if (w == nullptr || (kind != "snapshot" && label == nullptr)) {
    write_report(kind + " '" + arg + "': no such control\n");
    return;
  }
  GtkAllocation a;
  gtk_widget_get_allocation(w, &a);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, a.width, a.height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  if (kind == "snapshot") {
    gtk_widget_draw(w, cr);
  } else {
    PangoLayout* layout =
        gtk_widget_create_pango_layout(GTK_WIDGET(label), gtk_label_get_text(label));
    PangoAttrList* own = gtk_label_get_attributes(label);
    PangoAttrList* attrs = own ? pango_attr_list_copy(own) : pango_attr_list_new();
    if (kind == "boxes") {
      pango_attr_list_insert(attrs, pango_attr_family_new("DejaVu Sans"));
      pango_attr_list_insert(attrs, pango_attr_fallback_new(FALSE));
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    pango_layout_set_width(layout, a.width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    cairo_set_source_rgb(cr, 0, 0, 0);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
  }
  cairo_destroy(cr);
  cairo_surface_write_to_png(surface, arg.substr(colon + 1).c_str());
  cairo_surface_destroy(surface);
}

int response_named(const std::string& name) {
  if (name == "ok") return GTK_RESPONSE_OK;
  if (name == "cancel") return GTK_RESPONSE_CANCEL;
  if (name == "accept") return GTK_RESPONSE_ACCEPT;
  return std::atoi(name.c_str());
}

// Whether the chooser now answers the file a step chose: it takes up a folder, and a
// file in it, asynchronously.
bool took_up(GtkWidget* dialog, const std::string& path) {
  std::string wanted = path;
  while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
  gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
  const bool same = chosen != nullptr && wanted == chosen;
  g_free(chosen);
  return same;
}

void choose_file(GtkWidget* dialog, const std::string& path) {
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  if (gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
      gtk_file_chooser_set_current_folder(chooser, path.substr(0, slash + 1).c_str());
    }
    gtk_file_chooser_set_current_name(chooser, path.substr(slash + 1).c_str());
  } else {
    gtk_file_chooser_set_filename(chooser, path.c_str());
  }
}

// Runs one step; answers the pause it asks for, in milliseconds.
int run_step(Run& run, const std::string& step) {
  GtkWidget* dialog = run.dialog;
  const std::size_t equals = step.find('=');
  const std::size_t colon = step.find(':');
  if (equals != std::string::npos && (colon == std::string::npos || equals < colon)) {
    const std::string name = step.substr(0, equals);
    const std::string action = step.substr(equals + 1);
    GtkWidget* w = find_named(dialog, name);
    if (w == nullptr) {
      write_report("step '" + step + "': no widget named " + name + "\n");
    } else if (action == "click") {
      if (GTK_IS_BUTTON(w) && gtk_widget_is_sensitive(w) && gtk_widget_is_visible(w)) {
        gtk_button_clicked(GTK_BUTTON(w));
      } else {
        write_report("step '" + step + "': refused, the button is disabled or hidden\n");
      }
    } else if (action.rfind("text:", 0) == 0 && GTK_IS_ENTRY(w)) {
      gtk_entry_set_text(GTK_ENTRY(w), action.substr(5).c_str());
    }
    return 0;
  }
  const std::string verb = step.substr(0, colon);
  const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
  if (verb == "report") {
    report(dialog);
  } else if (verb == "snapshot" || verb == "glyphs" || verb == "boxes") {
    snapshot(dialog, verb, arg);
  } else if (verb == "key") {
    send_key(dialog, arg);
  } else if (verb == "close") {
    gtk_window_close(GTK_WINDOW(dialog));
  } else if (verb == "response") {
    gtk_dialog_response(GTK_DIALOG(dialog), response_named(arg));
  } else if (verb == "wait") {
    return std::atoi(arg.c_str());
  } else if (verb == "color" && GTK_IS_COLOR_CHOOSER(dialog)) {
    GdkRGBA c;
    if (gdk_rgba_parse(&c, arg.c_str())) gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &c);
  } else if (verb == "file" && GTK_IS_FILE_CHOOSER(dialog)) {
    choose_file(dialog, arg);
    run.expect_file = arg;
    run.expect_until = g_get_monotonic_time() + kSettleUs;
  }
  return 0;
}

gboolean tick(gpointer data) {
  Run& run = *static_cast<Run*>(data);
  if (!run.alive) return G_SOURCE_REMOVE;
  const gint64 now = g_get_monotonic_time();
  if (!gtk_widget_get_mapped(run.dialog) || now < run.resume_at) return G_SOURCE_CONTINUE;
  // A file chooser takes up its starting folder asynchronously; the steps (and a report
  // of that folder) wait until it has, for a little while.
  if (run.next == 0 && GTK_IS_FILE_CHOOSER(run.dialog) && now < run.settle_until &&
      g_object_get_data(G_OBJECT(run.dialog), "velmora-start-folder") != nullptr) {
    const auto* wanted =
        static_cast<const char*>(g_object_get_data(G_OBJECT(run.dialog), "velmora-start-folder"));
    gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(run.dialog));
    const bool settled = folder != nullptr && std::strcmp(folder, wanted) == 0;
    g_free(folder);
    if (!settled) return G_SOURCE_CONTINUE;
  }
  // A dialog whose opener has not finished setting it up is left alone for a while.
  if (g_object_get_data(G_OBJECT(run.dialog), kHoldKey) != nullptr && now < run.settle_until) {
    return G_SOURCE_CONTINUE;
  }
  if (!run.expect_file.empty()) {
    if (now < run.expect_until && !took_up(run.dialog, run.expect_file)) return G_SOURCE_CONTINUE;
    run.expect_file.clear();
  }
  if (run.next < run.steps.size()) {
    const int pause = run_step(run, run.steps[run.next++]);
    run.resume_at = g_get_monotonic_time() + static_cast<gint64>(pause) * 1000;
    return G_SOURCE_CONTINUE;
  }
  if (now >= run.deadline) {
    write_report("timeout: the dialog was still open after its steps\n");
    gtk_dialog_response(GTK_DIALOG(run.dialog), GTK_RESPONSE_NONE);
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

void finished(gpointer data) {
  auto* run = static_cast<Run*>(data);
  if (run->alive) g_signal_handler_disconnect(run->dialog, run->destroy_handler);
  delete run;
}

}  // namespace

void hold(GtkWidget* dialog) {
  g_object_set_data(G_OBJECT(dialog), kHoldKey, GINT_TO_POINTER(1));
}

void release(GtkWidget* dialog) {
  g_object_set_data(G_OBJECT(dialog), kHoldKey, nullptr);
}

void attach(GtkWidget* dialog) {
  if (std::getenv("VELMORA_UI_SCRIPT") == nullptr) return;
  auto* run = new Run;
  run->dialog = dialog;
  run->steps = next_script();
  const char* timeout = std::getenv("VELMORA_UI_TIMEOUT");
  const int seconds = timeout ? std::atoi(timeout) : 20;
  run->deadline =
      g_get_monotonic_time() + static_cast<gint64>(seconds > 0 ? seconds : 20) * 1000000;
  run->settle_until = g_get_monotonic_time() + kSettleUs;
  // The steps end with the dialog: destroying it removes the source, which frees the run.
  run->destroy_handler = g_signal_connect_swapped(dialog, "destroy", G_CALLBACK(+[](gpointer data) {
                                                    auto* r = static_cast<Run*>(data);
                                                    r->alive = false;
                                                    g_source_remove(r->source);
                                                  }),
                                                  run);
  run->source = g_timeout_add_full(G_PRIORITY_DEFAULT, kStepMs, tick, run, finished);
}

}  // namespace velmora::platform::gtk::automation
