#include "document_window.hpp"

#include <algorithm>

#include "system.hpp"

namespace velmora::fmhost {

namespace {

constexpr std::uint32_t kPaper = 0x00FFFFFF;
constexpr int kMaxSide = 8192;

bool is_empty(const FMX_WindowRect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

FMX_WindowRect clipped(const FMX_WindowRect& r, int width, int height) {
  return {std::clamp(r.left, 0, width), std::clamp(r.top, 0, height), std::clamp(r.right, 0, width),
          std::clamp(r.bottom, 0, height)};
}

FMX_WindowRect united(const FMX_WindowRect& a, const FMX_WindowRect& b) {
  if (is_empty(a)) return b;
  if (is_empty(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace

// The C table's calls, each forwarding to the window in the context.
struct WindowCalls {
  static DocumentWindow& of(void* context) { return *static_cast<DocumentWindow*>(context); }

  static void client_rect(void* context, FMX_WindowRect* rect) {
    const DocumentWindow& w = of(context);
    *rect = {0, 0, w.width_, w.height_};
  }
  static void origin(void*, int32_t* h, int32_t* v) {
    // The document is never scrolled in this host.
    *h = 0;
    *v = 0;
  }
  static uint32_t visible_region(void* context, FMX_WindowRect* rects, uint32_t max) {
    // Nothing of this host ever covers its document: the whole client is visible.
    const DocumentWindow& w = of(context);
    if (max > 0) rects[0] = {0, 0, w.width_, w.height_};
    return 1;
  }
  static uint32_t* pixels(void* context, int32_t* row_pixels) {
    DocumentWindow& w = of(context);
    *row_pixels = w.width_;
    return w.surface().data();
  }
  static void invalidate(void* context, const FMX_WindowRect* rect) {
    of(context).invalidate(rect);
  }
  static void validate(void* context, const FMX_WindowRect* rect) { of(context).validate(rect); }
  static int32_t invalid_rect(void* context, FMX_WindowRect* rect) {
    return of(context).invalid_rect(*rect) ? 1 : 0;
  }
  static int32_t resize(void* context, int32_t width, int32_t height) {
    return of(context).resize(width, height) ? 0 : -1;
  }
  static void* native_window(void* context) { return of(context).native_window(); }
  static void pump_events(void* context) { of(context).pump_events(); }
  static int32_t pointer_position(void* context, int32_t* h, int32_t* v) {
    int ph = 0, pv = 0;
    if (!of(context).pointer(ph, pv)) return -1;
    *h = ph;
    *v = pv;
    return 0;
  }
};

DocumentWindow::DocumentWindow(int width, int height)
    : width_(std::clamp(width, 1, kMaxSide)), height_(std::clamp(height, 1, kMaxSide)) {
  table_.structSize = sizeof(FMX_DocumentWindow);
  table_.context = this;
  table_.clientRect = &WindowCalls::client_rect;
  table_.origin = &WindowCalls::origin;
  table_.visibleRegion = &WindowCalls::visible_region;
  table_.pixels = &WindowCalls::pixels;
  table_.invalidate = &WindowCalls::invalidate;
  table_.validate = &WindowCalls::validate;
  table_.invalidRect = &WindowCalls::invalid_rect;
  table_.resize = &WindowCalls::resize;
  table_.nativeWindow = &WindowCalls::native_window;
  table_.pumpEvents = &WindowCalls::pump_events;
  table_.pointerPosition = &WindowCalls::pointer_position;
}

void DocumentWindow::set_pointer(int h, int v) {
  pointer_told_ = true;
  pointer_h_ = h;
  pointer_v_ = v;
}

// The surface is made when something first draws, reads or saves it: most runs of a
// script never touch it, and a blank surface costs a page fault per 4 KB.
std::vector<std::uint32_t>& DocumentWindow::surface() const {
  if (pixels_.empty()) {
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kPaper);
  }
  return pixels_;
}

bool DocumentWindow::resize(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return false;
  if (width == width_ && height == height_) return true;
  if (pixels_.empty()) {
    // Nothing drawn yet: the blank surface is made at its new size when first wanted.
    width_ = width;
    height_ = height;
    invalid_ = {0, 0, width_, height_};
    resize_view();
    return true;
  }
  std::vector<std::uint32_t> next(
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kPaper);
  const int rows = std::min(height, height_);
  const int columns = std::min(width, width_);
  for (int y = 0; y < rows; ++y) {
    std::copy_n(pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_, columns,
                next.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  pixels_.swap(next);
  width_ = width;
  height_ = height;
  invalid_ = {0, 0, width_, height_};
  resize_view();
  return true;
}

void DocumentWindow::invalidate(const FMX_WindowRect* rect) {
  const FMX_WindowRect all{0, 0, width_, height_};
  const FMX_WindowRect part = rect ? clipped(*rect, width_, height_) : all;
  if (is_empty(part)) return;
  invalid_ = united(invalid_, part);
  queue_view_draw(part);
}

void DocumentWindow::validate(const FMX_WindowRect* rect) {
  // The invalid area is kept as one bounding box: validating a part that covers it
  // clears it, a smaller part leaves the box as it is (a later repaint does no harm).
  if (rect == nullptr) {
    invalid_ = {0, 0, 0, 0};
    return;
  }
  const FMX_WindowRect& r = *rect;
  if (r.left <= invalid_.left && r.top <= invalid_.top && r.right >= invalid_.right &&
      r.bottom >= invalid_.bottom) {
    invalid_ = {0, 0, 0, 0};
  }
}

bool DocumentWindow::invalid_rect(FMX_WindowRect& rect) const {
  rect = invalid_;
  return !is_empty(invalid_);
}

std::string DocumentWindow::save_png(const std::string& path) const {
  return write_png(surface().data(), width_, height_, path);
}

}  // namespace velmora::fmhost
