// Waiting the way a host waits: while fmhost waits for the next line of input or for the
// person to close the document window, the display's events keep flowing, so the window
// repaints and other programs can paste what the module put on the clipboard.  One
// implementation per system (linux/, windows/).
#pragma once

#include <string>

namespace velmora::fmhost {

class DocumentWindow;

enum class Wake { Input, Timeout, WindowClosed };

// Dispatches the display's events until standard input has bytes or is at its end
// (Input), `timeout_ms` have passed (Timeout; negative: no limit), or the shown window was
// closed (WindowClosed).
Wake dispatch_until_input(const DocumentWindow& window, int timeout_ms);

// Appends what standard input has to `into` without waiting for more once some came;
// false at its end.
bool read_input(std::string& into);

// Dispatches the display's events until the shown window is closed; returns at once when
// no window is shown.
void dispatch_until_closed(const DocumentWindow& window);

}  // namespace velmora::fmhost
