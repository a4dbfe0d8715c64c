// The document window on screen: a Win32 window that paints the surface with
// SetDIBitsToDevice (the surface's 0x00RRGGBB words are a top-down 32-bit DIB).
#include <windows.h>
#include <windowsx.h>

#include "document_window.hpp"

namespace velmora::fmhost {

struct DocumentWindow::View {
  HWND window = nullptr;
};

namespace {

constexpr wchar_t kClassName[] = L"VelmoraDocument";

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* w = reinterpret_cast<DocumentWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (w != nullptr) {
        const FMX_DocumentWindow* table = w->table();
        std::int32_t row = 0;
        std::uint32_t* pixels = table->pixels(table->context, &row);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = row;
        info.bmiHeader.biHeight = -w->height();  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w->width()), static_cast<DWORD>(w->height()),
                          0, 0, 0, static_cast<UINT>(w->height()), pixels, &info, DIB_RGB_COLORS);
        w->validate(nullptr);
      }
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SIZE:
      // The person at the screen may resize the window: the client follows.
      if (w != nullptr && wparam != SIZE_MINIMIZED) {
        const int width = LOWORD(lparam), height = HIWORD(lparam);
        if (width > 0 && height > 0 && (width != w->width() || height != w->height())) {
          w->resize(width, height);
        }
      }
      return 0;
    case WM_CLOSE:
      // Closing the window hides it and tells the host (it ends --wait); the calls go on
      // and the surface stays.
      ShowWindow(hwnd, SW_HIDE);
      if (w != nullptr) w->mark_closed();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool register_class() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

}  // namespace

std::string DocumentWindow::show() {
  if (view_ != nullptr) return {};
  if (!register_class()) return "no display to show the document window on";
  const DWORD style = WS_OVERLAPPEDWINDOW;
  RECT frame{0, 0, width_, height_};
  AdjustWindowRect(&frame, style, FALSE);
  HWND hwnd = CreateWindowExW(0, kClassName, L"fmhost document", style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (hwnd == nullptr) return "no display to show the document window on";
  view_ = new View{hwnd};
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  pump_events();
  return {};
}

DocumentWindow::~DocumentWindow() {
  if (view_ != nullptr) {
    DestroyWindow(view_->window);
    pump_events();
    delete view_;
  }
}

void DocumentWindow::pump_events() {
  if (view_ == nullptr) return;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void DocumentWindow::resize_view() {
  if (view_ == nullptr) return;
  RECT client{};
  GetClientRect(view_->window, &client);
  if (client.right != width_ || client.bottom != height_) {
    RECT frame{0, 0, width_, height_};
    AdjustWindowRect(&frame, static_cast<DWORD>(GetWindowLongW(view_->window, GWL_STYLE)), FALSE);
    SetWindowPos(view_->window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(view_->window, nullptr, FALSE);
}

void DocumentWindow::queue_view_draw(const FMX_WindowRect& part) {
  if (view_ == nullptr) return;
  const RECT r{part.left, part.top, part.right, part.bottom};
  InvalidateRect(view_->window, &r, FALSE);
}

bool DocumentWindow::pointer(int& h, int& v) const {
  if (pointer_told_) {
    h = pointer_h_;
    v = pointer_v_;
    return true;
  }
  if (view_ == nullptr) return false;
  POINT p{};
  if (!GetCursorPos(&p) || !ScreenToClient(view_->window, &p)) return false;
  h = p.x;
  v = p.y;
  return true;
}

void* DocumentWindow::native_window() const {
  return view_ ? reinterpret_cast<void*>(view_->window) : nullptr;
}

}  // namespace velmora::fmhost
