// Lines of standard input for the prompt and for scripts read from it, taken while the
// display's events keep flowing.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace velmora::fmhost {

class DocumentWindow;

class InputLines {
 public:
  explicit InputLines(const DocumentWindow& window) : window_(window) {}

  // The next line without its line feed; none at the end of input, and none from the
  // moment the shown window has been closed (that ends the input too).  When no line is
  // complete after `quiet_ms` (negative: never), `on_quiet` runs once and the wait goes
  // on: that is the host's idle time.
  std::optional<std::string> next(int quiet_ms = -1, const std::function<void()>& on_quiet = {});

 private:
  const DocumentWindow& window_;
  std::string pending_;
  bool ended_ = false;
};

}  // namespace velmora::fmhost
