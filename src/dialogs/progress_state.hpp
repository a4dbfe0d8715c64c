// What the progress family keeps between calls, inside the shared block: the range,
// value and mode, and the windows that show them.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "dialogs/progress_bar.hpp"
#include "host/errors.hpp"
#include "host/shared_state.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"

namespace velmora::dialogs {

using ProgressClock = std::chrono::steady_clock;

// Starts zero-filled, as the block does: no owner, an empty range.
struct ProgressRecord final : host::PersistentState {
  platform::WindowHandle owner = 0;
  bool movable = false;
  bool barber = false;
  std::int32_t minimum = 0, maximum = 0, value = 0;
  int stripe_offset = 0;
  ProgressClock::time_point next_tick{};
  std::string title, message;  // UTF-8, cut to their fields
  BarPlace place;
  platform::WindowRect last_owner_rect;
  bool stripes_loaded = false;
  // Destroyed before the block goes, so the dialog and the bar leave with it.
  std::unique_ptr<platform::ProgressDialog> dialog;
  std::unique_ptr<WindowBar> bar;
};

// The record in the block, made on first use.
ProgressRecord& progress_record(host::ProgressState& state);
// Hides the dialog and removes the bar; range, value and owner stay.  Shows a full bar
// for about a second first when a dialog's value reached its maximum.
Err close_progress_step(host::ProgressState& state);

}  // namespace velmora::dialogs
