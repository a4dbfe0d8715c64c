// The document window on screen: shown by the desktop companion, which paints the
// surface in a GTK window and tells the window what the person at the screen did.
#include "document_window.hpp"
#include "linux/desktop_table.hpp"

namespace velmora::fmhost {

struct DocumentWindow::View {
  const FmhostDesktop* desktop = nullptr;
  void* shown = nullptr;
  FmhostViewEvents events{};
};

namespace {

DocumentWindow& window_of(void* context) {
  return *static_cast<DocumentWindow*>(context);
}

const std::uint32_t* surface_of(void* context, int* width, int* height) {
  const FMX_DocumentWindow* table = window_of(context).table();
  std::int32_t row = 0;
  const std::uint32_t* pixels = table->pixels(table->context, &row);
  *width = window_of(context).width();
  *height = window_of(context).height();
  return pixels;
}

void painted(void* context) {
  window_of(context).validate(nullptr);
}

void resized(void* context, int width, int height) {
  DocumentWindow& w = window_of(context);
  if (width != w.width() || height != w.height()) w.resize(width, height);
}

void closing(void* context) {
  window_of(context).mark_closed();
}

void destroyed(void* context) {
  window_of(context).view_destroyed();
}

}  // namespace

std::string DocumentWindow::show() {
  if (view_ != nullptr) return {};
  const FmhostDesktop* d = desktop();
  if (d == nullptr) return "no display to show the document window on (fmhost-desktop.so missing)";
  auto* view = new View;
  view->desktop = d;
  view->events = {this, &surface_of, &painted, &resized, &closing, &destroyed};
  const char* failure = "";
  view_ = view;  // the window may already paint and resize while it is being shown
  view->shown = d->show(&view->events, width_, height_, &failure);
  if (view->shown == nullptr) {
    view_ = nullptr;
    delete view;
    return failure;
  }
  return {};
}

DocumentWindow::~DocumentWindow() {
  if (view_ != nullptr) {
    view_->desktop->destroy(view_->shown);
    delete view_;
  }
}

void DocumentWindow::view_destroyed() {
  delete view_;
  view_ = nullptr;
  closed_ = true;
}

void DocumentWindow::pump_events() {
  if (view_ == nullptr || view_->shown == nullptr) return;
  view_->desktop->pump(view_->shown);
}

void DocumentWindow::resize_view() {
  if (view_ == nullptr || view_->shown == nullptr) return;
  view_->desktop->resize(view_->shown, width_, height_);
}

void DocumentWindow::queue_view_draw(const FMX_WindowRect& part) {
  if (view_ == nullptr || view_->shown == nullptr) return;
  view_->desktop->queue_draw(view_->shown, part.left, part.top, part.right - part.left,
                             part.bottom - part.top);
}

bool DocumentWindow::pointer(int& h, int& v) const {
  if (pointer_told_) {
    h = pointer_h_;
    v = pointer_v_;
    return true;
  }
  if (view_ == nullptr || view_->shown == nullptr) return false;
  return view_->desktop->pointer(view_->shown, &h, &v) != 0;
}

void* DocumentWindow::native_window() const {
  return view_ != nullptr && view_->shown != nullptr ? view_->desktop->native(view_->shown)
                                                     : nullptr;
}

}  // namespace velmora::fmhost
