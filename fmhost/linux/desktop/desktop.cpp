// The fmhost desktop companion: the document window in a GTK window, waiting on the GLib
// main context that GTK (and the module's clipboard and dialogs) dispatch from, and BMP
// pictures written as PNG by gdk-pixbuf.
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "linux/desktop_table.hpp"

namespace {

struct View {
  FmhostViewEvents events;
  GtkWidget* window = nullptr;
  GtkWidget* area = nullptr;
};

gboolean draw_surface(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* v = static_cast<View*>(data);
  int width = 0, height = 0;
  const std::uint32_t* pixels = v->events.surface(v->events.context, &width, &height);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels)), CAIRO_FORMAT_RGB24,
      width, height, width * 4);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(surface);
  v->events.painted(v->events.context);
  return TRUE;
}

// The person at the screen may resize the window: the client follows.
void area_resized(GtkWidget*, GdkRectangle* allocation, gpointer data) {
  auto* v = static_cast<View*>(data);
  v->events.resized(v->events.context, allocation->width, allocation->height);
}

void window_destroyed(GtkWidget*, gpointer data) {
  auto* v = static_cast<View*>(data);
  const FmhostViewEvents events = v->events;
  delete v;
  events.destroyed(events.context);
}

// Closing the window hides it and tells the host, which decides what that ends (the
// prompt and --wait); the surface stays for the calls still to come.
gboolean window_closing(GtkWidget* widget, GdkEvent*, gpointer data) {
  gtk_widget_hide(widget);
  auto* v = static_cast<View*>(data);
  v->events.closing(v->events.context);
  return TRUE;
}

void pump(void* view) {
  if (view == nullptr) return;
  // A stream of events that never ends (a flood from another program) must not keep the
  // module's call here: the rest waits for the next pump.
  constexpr gint64 kPumpBudgetUs = 250 * 1000;
  const gint64 until = g_get_monotonic_time() + kPumpBudgetUs;
  while (gtk_events_pending() && g_get_monotonic_time() < until) gtk_main_iteration_do(FALSE);
}

void* show(const FmhostViewEvents* events, int width, int height, const char** failure) {
  if (!gtk_init_check(nullptr, nullptr)) {
    *failure = "no display to show the document window on";
    return nullptr;
  }
  auto* v = new View{*events};
  v->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(v->window), "fmhost document");
  gtk_widget_set_name(v->window, "document");
  v->area = gtk_drawing_area_new();
  gtk_widget_set_size_request(v->area, 1, 1);
  gtk_window_set_default_size(GTK_WINDOW(v->window), width, height);
  gtk_container_add(GTK_CONTAINER(v->window), v->area);
  g_signal_connect(v->area, "draw", G_CALLBACK(draw_surface), v);
  g_signal_connect(v->area, "size-allocate", G_CALLBACK(area_resized), v);
  g_signal_connect(v->window, "delete-event", G_CALLBACK(window_closing), v);
  // Another program may destroy the window outright (XDestroyWindow): GTK then destroys
  // the widget, which must not be destroyed a second time here.
  g_signal_connect(v->window, "destroy", G_CALLBACK(window_destroyed), v);
  gtk_widget_show_all(v->window);
  pump(v);
  return v;
}

void destroy(void* view) {
  auto* v = static_cast<View*>(view);
  GtkWidget* window = v->window;
  g_signal_handlers_disconnect_by_data(window, v);
  gtk_widget_destroy(window);
  pump(v);
  delete v;
}

void resize(void* view, int width, int height) {
  auto* v = static_cast<View*>(view);
  int w = 0, h = 0;
  gtk_window_get_size(GTK_WINDOW(v->window), &w, &h);
  if (w != width || h != height) gtk_window_resize(GTK_WINDOW(v->window), width, height);
  gtk_widget_queue_draw(v->area);
}

void queue_draw(void* view, int left, int top, int width, int height) {
  gtk_widget_queue_draw_area(static_cast<View*>(view)->area, left, top, width, height);
}

int pointer(void* view, int* h, int* v) {
  GdkWindow* area = gtk_widget_get_window(static_cast<View*>(view)->area);
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  GdkDevice* device = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (area == nullptr || device == nullptr) return 0;
  gdk_window_get_device_position(area, device, h, v, nullptr);
  return 1;
}

void* native(void* view) {
  return static_cast<View*>(view)->window;
}

struct Waiting {
  bool input = false;
  bool timeout = false;
  guint input_source = 0;
  guint timeout_source = 0;
};

gboolean input_ready(gint, GIOCondition, gpointer data) {
  auto* w = static_cast<Waiting*>(data);
  w->input = true;
  w->input_source = 0;
  return G_SOURCE_REMOVE;
}

gboolean timed_out(gpointer data) {
  auto* w = static_cast<Waiting*>(data);
  w->timeout = true;
  w->timeout_source = 0;
  return G_SOURCE_REMOVE;
}

int wait_input(int timeout_ms, int (*stop)(void*), void* context) {
  Waiting w;
  // End of input and a broken pipe wake the watch as well; the read then tells which.
  w.input_source = g_unix_fd_add(
      STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR | G_IO_NVAL),
      input_ready, &w);
  if (timeout_ms >= 0) {
    w.timeout_source = g_timeout_add(static_cast<guint>(timeout_ms), timed_out, &w);
  }
  while (!w.input && !w.timeout && !stop(context)) g_main_context_iteration(nullptr, TRUE);
  if (w.input_source != 0) g_source_remove(w.input_source);
  if (w.timeout_source != 0) g_source_remove(w.timeout_source);
  if (w.input) return 0;
  return w.timeout ? 1 : 2;
}

void dispatch_while(int (*go_on)(void*), void* context) {
  while (go_on(context)) g_main_context_iteration(nullptr, TRUE);
}

int bmp_as_png(const std::uint8_t* bmp, std::size_t n, const char* path, char* failure,
               std::size_t failure_size) {
  std::string why;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
  if (loader == nullptr) {
    why = "no BMP reader to turn the clipboard's bitmap into PNG";
  } else {
    GError* error = nullptr;
    if (gdk_pixbuf_loader_write(loader, bmp, n, &error) &&
        gdk_pixbuf_loader_close(loader, &error)) {
      GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
      if (pixbuf == nullptr || !gdk_pixbuf_save(pixbuf, path, "png", &error, nullptr)) {
        why = std::string("cannot write ") + path;
      }
    } else {
      gdk_pixbuf_loader_close(loader, nullptr);
      why = "the clipboard's bitmap cannot be read";
    }
    if (error != nullptr) {
      why += std::string(": ") + error->message;
      g_error_free(error);
    }
    g_object_unref(loader);
  }
  if (why.empty()) return 0;
  std::snprintf(failure, failure_size, "%s", why.c_str());
  return -1;
}

constexpr FmhostDesktop kTable = {
    sizeof(FmhostDesktop), &show,    &destroy, &pump,       &resize,
    &queue_draw,           &pointer, &native,  &wait_input, &dispatch_while,
    &bmp_as_png,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const FmhostDesktop* fmhost_desktop_table() {
  return &kTable;
}
