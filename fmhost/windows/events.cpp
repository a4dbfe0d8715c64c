// Waiting on Windows: standard input is read as it comes (the console and pipes cannot be
// waited on together with the window's messages here), and --wait runs the thread's
// message loop until the shown window is closed.
#include "events.hpp"

#include <io.h>
#include <windows.h>

#include "document_window.hpp"

namespace velmora::fmhost {

Wake dispatch_until_input(const DocumentWindow& window, int) {
  return window.closed() ? Wake::WindowClosed : Wake::Input;
}

bool read_input(std::string& into) {
  char chunk[4096];
  const int n = _read(0, chunk, sizeof chunk);
  if (n <= 0) return false;
  into.append(chunk, static_cast<std::size_t>(n));
  return true;
}

void dispatch_until_closed(const DocumentWindow& window) {
  MSG message;
  while (window.shown() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace velmora::fmhost
