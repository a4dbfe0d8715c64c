// The user interface seam on Windows: messages are this thread's Win32 queue (the
// document window is the host's, shared with every system).
#include "platform/ui.hpp"

#include <cstdlib>
#include <initializer_list>

#include "platform/shared/host_window.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

bool display_available() {
  // A desktop someone can see: not a service's window station, not a host that says it
  // has no display.  Under Wine the desktop is the X or Wayland display of the Unix side;
  // without one, Wine's null driver takes windows nobody can see or answer, so dialogs
  // would wait for ever.
  static const bool available = [] {
    const char* v = std::getenv("VELMORA_NO_DISPLAY");
    if (v != nullptr && *v != '\0' && *v != '0') return false;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                  &needed) &&
        (flags.dwFlags & WSF_VISIBLE) == 0) {
      return false;
    }
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* d = std::getenv(name);
        if (d != nullptr && *d != '\0') return true;
      }
      return false;
    }
    return true;
  }();
  return available;
}

void pump_messages() {
  pump_host_events();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace velmora::platform
