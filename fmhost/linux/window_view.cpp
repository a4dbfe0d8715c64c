// The document window on screen: a GTK window whose drawing area paints the surface.
#include <gtk/gtk.h>

#include "document_window.hpp"

namespace velmora::fmhost {

struct DocumentWindow::View {
  GtkWidget* window = nullptr;
  GtkWidget* area = nullptr;
};

namespace {

gboolean draw_surface(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* w = static_cast<DocumentWindow*>(data);
  const FMX_DocumentWindow* table = w->table();
  std::int32_t row = 0;
  std::uint32_t* pixels = table->pixels(table->context, &row);
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels),
                                          CAIRO_FORMAT_RGB24, w->width(), w->height(), row * 4);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(surface);
  w->validate(nullptr);
  return TRUE;
}

// The person at the screen may resize the window: the client follows.
void area_resized(GtkWidget*, GdkRectangle* allocation, gpointer data) {
  auto* w = static_cast<DocumentWindow*>(data);
  if (allocation->width != w->width() || allocation->height != w->height()) {
    w->resize(allocation->width, allocation->height);
  }
}

void window_destroyed(GtkWidget*, gpointer data) {
  static_cast<DocumentWindow*>(data)->view_destroyed();
}

// Closing the window hides it and tells the host, which decides what that ends (the
// prompt and --wait); the surface stays for the calls still to come.
gboolean window_closing(GtkWidget* widget, GdkEvent*, gpointer data) {
  gtk_widget_hide(widget);
  static_cast<DocumentWindow*>(data)->mark_closed();
  return TRUE;
}

}  // namespace

std::string DocumentWindow::show() {
  if (view_ != nullptr) return {};
  if (!gtk_init_check(nullptr, nullptr)) return "no display to show the document window on";
  view_ = new View;
  view_->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(view_->window), "fmhost document");
  gtk_widget_set_name(view_->window, "document");
  view_->area = gtk_drawing_area_new();
  gtk_widget_set_size_request(view_->area, 1, 1);
  gtk_window_set_default_size(GTK_WINDOW(view_->window), width_, height_);
  gtk_container_add(GTK_CONTAINER(view_->window), view_->area);
  g_signal_connect(view_->area, "draw", G_CALLBACK(draw_surface), this);
  g_signal_connect(view_->area, "size-allocate", G_CALLBACK(area_resized), this);
  g_signal_connect(view_->window, "delete-event", G_CALLBACK(window_closing), this);
  // Another program may destroy the window outright (XDestroyWindow): GTK then destroys
  // the widget, which must not be destroyed a second time here.
  g_signal_connect(view_->window, "destroy", G_CALLBACK(window_destroyed), this);
  gtk_widget_show_all(view_->window);
  pump_events();
  return {};
}

DocumentWindow::~DocumentWindow() {
  if (view_ != nullptr) {
    g_signal_handlers_disconnect_by_data(view_->window, this);
    gtk_widget_destroy(view_->window);
    pump_events();
    delete view_;
  }
}

void DocumentWindow::view_destroyed() {
  delete view_;
  view_ = nullptr;
  closed_ = true;
}

void DocumentWindow::pump_events() {
  if (view_ == nullptr) return;
  // A stream of events that never ends (a flood from another program) must not keep the
  // module's call here: the rest waits for the next pump.
  constexpr gint64 kPumpBudgetUs = 250 * 1000;
  const gint64 until = g_get_monotonic_time() + kPumpBudgetUs;
  while (gtk_events_pending() && g_get_monotonic_time() < until) gtk_main_iteration_do(FALSE);
}

void DocumentWindow::resize_view() {
  if (view_ == nullptr) return;
  int w = 0, h = 0;
  gtk_window_get_size(GTK_WINDOW(view_->window), &w, &h);
  if (w != width_ || h != height_) gtk_window_resize(GTK_WINDOW(view_->window), width_, height_);
  gtk_widget_queue_draw(view_->area);
}

void DocumentWindow::queue_view_draw(const FMX_WindowRect& part) {
  if (view_ == nullptr) return;
  gtk_widget_queue_draw_area(view_->area, part.left, part.top, part.right - part.left,
                             part.bottom - part.top);
}

bool DocumentWindow::pointer(int& h, int& v) const {
  if (pointer_told_) {
    h = pointer_h_;
    v = pointer_v_;
    return true;
  }
  if (view_ == nullptr) return false;
  GdkWindow* area = gtk_widget_get_window(view_->area);
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  GdkDevice* device = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (area == nullptr || device == nullptr) return false;
  gdk_window_get_device_position(area, device, &h, &v, nullptr);
  return true;
}

void* DocumentWindow::native_window() const {
  return view_ ? view_->window : nullptr;
}

}  // namespace velmora::fmhost
