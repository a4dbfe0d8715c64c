// The host's document window: a pixel surface the module draws into, shown in a GTK
// window on request, and saved as PNG whenever asked.
#pragma once

#include <fmx/FMHostServices.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::fmhost {

class DocumentWindow {
 public:
  DocumentWindow(int width, int height);
  ~DocumentWindow();
  DocumentWindow(const DocumentWindow&) = delete;
  DocumentWindow& operator=(const DocumentWindow&) = delete;

  // The table modules reach through the host services table.
  const FMX_DocumentWindow* table() const { return &table_; }

  // Shows the surface in a real window; answers an explanation when there is no display.
  std::string show();
  // Writes the surface as a PNG file; answers an explanation on failure.
  std::string save_png(const std::string& path) const;

  int width() const { return width_; }
  int height() const { return height_; }
  bool resize(int width, int height);
  void invalidate(const FMX_WindowRect* rect);
  void validate(const FMX_WindowRect* rect);
  bool invalid_rect(FMX_WindowRect& rect) const;
  void pump_events();
  // Shown on the display and not closed by the person at the screen.
  bool shown() const { return view_ != nullptr && !closed_; }
  // The person at the screen closed the shown window (it is hidden, the surface stays).
  bool closed() const { return closed_; }
  void mark_closed() { closed_ = true; }
  // The shown window was destroyed from outside: it counts as closed and is gone.
  void view_destroyed();
  // The GtkWindow when shown, else null.
  void* native_window() const;
  // The pointer position the host reports: the one it was told, else where the pointer
  // is over the shown window; false when neither is known.
  void set_pointer(int h, int v);
  bool pointer(int& h, int& v) const;

 private:
  friend struct WindowCalls;
  struct View;
  void resize_view();
  void queue_view_draw(const FMX_WindowRect& part);

  int width_;
  int height_;
  std::vector<std::uint32_t>& surface() const;

  mutable std::vector<std::uint32_t> pixels_;  // empty until first wanted
  FMX_WindowRect invalid_{0, 0, 0, 0};         // empty when nothing needs a repaint
  View* view_ = nullptr;
  bool closed_ = false;
  bool pointer_told_ = false;
  int pointer_h_ = 0;
  int pointer_v_ = 0;
  FMX_DocumentWindow table_{};
};

}  // namespace velmora::fmhost
