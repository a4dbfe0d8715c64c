// The real host's document window on Windows, found as the host lays its windows out and
// offered in the same shape as our own host's table: the module draws into a bitmap of
// the window's client area and shows the parts it marks, through GDI.
#include "platform/host_services.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

constexpr int kClassNameKept = 14;  // the document view's class is named after its frame's

// The window that owns dialogs and receives drawing, from the calling thread's active
// window.  Hosts up to interface 51 put the document as the top-most child of the frame's
// first child; later ones keep it inside the multiple-document client, as a child whose
// class name begins like the document window's own.
HWND find_host_window(int version) {
  HWND active = GetActiveWindow();
  if (active == nullptr) return nullptr;
  if (version <= 51) {
    HWND owner = GetWindow(active, GW_OWNER);
    if (owner == nullptr) owner = active;
    HWND first = GetWindow(owner, GW_CHILD);
    return first != nullptr ? GetTopWindow(first) : nullptr;
  }
  HWND client = FindWindowExW(active, nullptr, L"MDIClient", nullptr);
  if (client == nullptr) return active;
  HWND document = GetWindow(client, GW_CHILD);
  if (document == nullptr) return active;
  char name[256] = {};
  if (GetClassNameA(document, name, sizeof name) <= 0) return active;
  name[kClassNameKept] = '\0';
  HWND view = FindWindowExA(document, nullptr, name, nullptr);
  return view != nullptr ? view : active;
}

// One bitmap of the client area, top-down, 0x00RRGGBB pixels.  It is taken from the
// window every time the module asks for the pixels, and what the module marks is shown
// at once, so the two never disagree for long: the host repaints its window as it likes.
struct Surface {
  HWND window = nullptr;
  HBITMAP bitmap = nullptr;
  std::uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;

  void release() {
    if (bitmap != nullptr) DeleteObject(bitmap);
    bitmap = nullptr;
    bits = nullptr;
    width = height = 0;
  }

  bool capture() {
    RECT client{};
    if (!GetClientRect(window, &client)) return false;
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    if (w <= 0 || h <= 0) return false;
    if (bitmap != nullptr && w == width && h == height) {
      copy(true, 0, 0, w, h);
      return true;
    }
    release();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap == nullptr) return false;
    bits = static_cast<std::uint32_t*>(pixels);
    width = w;
    height = h;
    copy(true, 0, 0, w, h);
    return true;
  }

  // Between the window and the bitmap, one way or the other.
  void copy(bool from_window, int left, int top, int w, int h) const {
    HDC screen = GetDC(window);
    if (screen == nullptr) return;
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (from_window) {
      BitBlt(memory, left, top, w, h, screen, left, top, SRCCOPY);
    } else {
      BitBlt(screen, left, top, w, h, memory, left, top, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(window, screen);
  }
};

Surface& surface() {
  static Surface s;
  return s;
}

RECT clipped(const FMX_WindowRect* r, const Surface& s) {
  RECT out{0, 0, s.width, s.height};
  if (r != nullptr) {
    out.left = r->left > 0 ? r->left : 0;
    out.top = r->top > 0 ? r->top : 0;
    out.right = r->right < s.width ? r->right : s.width;
    out.bottom = r->bottom < s.height ? r->bottom : s.height;
  }
  return out;
}

struct Calls {
  static Surface& of(void* context) { return *static_cast<Surface*>(context); }

  static void client_rect(void* context, FMX_WindowRect* rect) {
    RECT r{};
    GetClientRect(of(context).window, &r);
    *rect = {0, 0, r.right - r.left, r.bottom - r.top};
  }
  static void origin(void*, int32_t* h, int32_t* v) { *h = *v = 0; }
  static uint32_t visible_region(void* context, FMX_WindowRect* rects, uint32_t max) {
    HDC dc = GetDC(of(context).window);
    if (dc == nullptr) return 0;
    RECT box{};
    const int kind = GetClipBox(dc, &box);
    ReleaseDC(of(context).window, dc);
    if (kind == NULLREGION || kind == ERROR) return 0;
    if (max > 0) rects[0] = {box.left, box.top, box.right, box.bottom};
    return 1;
  }
  static uint32_t* pixels(void* context, int32_t* row_pixels) {
    Surface& s = of(context);
    if (!s.capture()) return nullptr;
    *row_pixels = s.width;
    return s.bits;
  }
  // What the module marks for a repaint is what it drew: shown at once.
  static void invalidate(void* context, const FMX_WindowRect* rect) {
    Surface& s = of(context);
    if (s.bitmap == nullptr) return;
    const RECT r = clipped(rect, s);
    if (r.right > r.left && r.bottom > r.top) {
      s.copy(false, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
  }
  static void validate(void* context, const FMX_WindowRect* rect) {
    if (rect == nullptr) {
      ValidateRect(of(context).window, nullptr);
    } else {
      const RECT r{rect->left, rect->top, rect->right, rect->bottom};
      ValidateRect(of(context).window, &r);
    }
  }
  static int32_t invalid_rect(void* context, FMX_WindowRect* rect) {
    RECT r{};
    if (!GetUpdateRect(of(context).window, &r, FALSE)) return 0;
    *rect = {r.left, r.top, r.right, r.bottom};
    return 1;
  }
  // The host's window is the host's to size.
  static int32_t resize(void*, int32_t, int32_t) { return -1; }
  static void* native_window(void* context) { return of(context).window; }
  static void pump_events(void*) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  static int32_t pointer_position(void* context, int32_t* h, int32_t* v) {
    POINT p{};
    if (!GetCursorPos(&p) || !ScreenToClient(of(context).window, &p)) return -1;
    *h = p.x;
    *v = p.y;
    return 0;
  }
};

}  // namespace

const FMX_DocumentWindow* system_document_window() {
  HWND window = find_host_window(host_version());
  if (window == nullptr) return nullptr;
  Surface& s = surface();
  if (s.window != window) {
    s.release();
    s.window = window;
  }
  static const FMX_DocumentWindow table{
      sizeof(FMX_DocumentWindow), &s,
      Calls::client_rect,         Calls::origin,
      Calls::visible_region,      Calls::pixels,
      Calls::invalidate,          Calls::validate,
      Calls::invalid_rect,        Calls::resize,
      Calls::native_window,       Calls::pump_events,
      Calls::pointer_position,
  };
  return &table;
}

}  // namespace velmora::platform
