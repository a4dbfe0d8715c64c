#include "input_lines.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "document_window.hpp"
#include "events.hpp"

namespace velmora::fmhost {

std::optional<std::string> InputLines::next(int quiet_ms, const std::function<void()>& on_quiet) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point asked = Clock::now();
  bool quiet_due = quiet_ms >= 0 && on_quiet;
  for (;;) {
    if (window_.closed()) return std::nullopt;
    if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (ended_) {
      // A last line without a line feed still counts.
      if (pending_.empty()) return std::nullopt;
      std::string line;
      line.swap(pending_);
      return line;
    }
    int timeout = -1;
    if (quiet_due) {
      const auto waited =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
      timeout = static_cast<int>(std::max<long long>(0, quiet_ms - waited));
    }
    // Whoever feeds the lines may wait for the answers so far before sending more.
    std::fflush(stdout);
    switch (dispatch_until_input(window_, timeout)) {
      case Wake::Input:
        if (!read_input(pending_)) ended_ = true;
        break;
      case Wake::Timeout:
        quiet_due = false;
        on_quiet();
        break;
      case Wake::WindowClosed:
        return std::nullopt;
    }
  }
}

}  // namespace velmora::fmhost
