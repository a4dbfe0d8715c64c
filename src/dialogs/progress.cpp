// VeUtl_OpenProgress (ID 37), VeUtl_UpdateProgress (ID 38) and VeUtl_CloseProgress
// (ID 39): a value bar or barber pole in the host's window or in a modeless dialog,
// kept painted by dispatching the thread's events whenever it changes.
#include <algorithm>
#include <cstdint>
#include <thread>

#include "dialogs/dialog_text.hpp"
#include "dialogs/progress_state.hpp"
#include "host/handlers.hpp"
#include "host/shared_state.hpp"
#include "params/readers.hpp"
#include "platform/module.hpp"

namespace velmora::dialogs {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStripeTick{6};
constexpr int kStripeStep = 6;
constexpr milliseconds kFullBarPause{500};

void sync_flags(host::ProgressState& state, const ProgressRecord& r) {
  state.has_dialog = r.dialog != nullptr;
  state.has_bar = r.dialog != nullptr || r.bar != nullptr;
  state.has_bitmap = r.stripes_loaded;
}

// Forgets the windows and the stripes; what they showed stays in the record.
void release_windows(host::ProgressState& state, ProgressRecord& r) {
  state.cancelled = false;
  r.stripes_loaded = false;
  r.dialog.reset();
  r.bar.reset();
  sync_flags(state, r);
}

// The own bar, made on first drawing; false when it cannot be (no owner window).
bool ensure_window_bar(host::ProgressState& state, ProgressRecord& r) {
  if (r.bar) return true;
  platform::WindowSurface surface;
  if (r.owner == 0 || r.owner != platform::host_window() || !platform::window_surface(surface)) {
    return false;
  }
  r.last_owner_rect = surface.client;
  r.place = bar_place(surface.client, platform::scroll_arrow_height());
  auto bar = std::make_unique<WindowBar>();
  if (!bar->create(r.place)) return false;
  r.bar = std::move(bar);
  sync_flags(state, r);
  return true;
}

// The host window was resized: the bar follows its bottom-left corner.
void follow_owner(ProgressRecord& r) {
  platform::WindowSurface surface;
  if (!platform::window_surface(surface)) return;
  const platform::WindowRect& c = surface.client;
  const platform::WindowRect& last = r.last_owner_rect;
  if (c.left == last.left && c.top == last.top && c.right == last.right &&
      c.bottom == last.bottom) {
    return;
  }
  r.last_owner_rect = c;
  r.place = bar_place(c, platform::scroll_arrow_height());
  r.bar->move(r.place);
  platform::pump_messages();
}

void draw(host::ProgressState& state, ProgressRecord& r, bool range_changed) {
  if (!r.dialog) {
    if (!ensure_window_bar(state, r)) {
      release_windows(state, r);
      return;
    }
    follow_owner(r);
  }
  if (r.barber && !r.stripes_loaded) {
    r.stripes_loaded = true;
    r.stripe_offset = 0;
    sync_flags(state, r);
  }
  if (r.barber) {
    const auto now = ProgressClock::now();
    if (now > r.next_tick) {
      r.stripe_offset -= kStripeStep;
      if (r.stripe_offset < 0) r.stripe_offset = kStripePeriod;
      if (r.dialog) {
        r.dialog->advance_stripe();
      } else {
        r.bar->draw_stripes(r.stripe_offset);
      }
      r.next_tick = now + kStripeTick;
    }
  } else {
    (void)range_changed;  // the fraction is taken from the whole 32-bit range every time
    const double span = static_cast<double>(r.maximum) - r.minimum;
    const double fraction = span > 0 ? (static_cast<double>(r.value) - r.minimum) / span : 0.0;
    if (r.dialog) {
      r.dialog->show_fraction(fraction);
    } else {
      r.bar->draw_value(fraction);
    }
  }
  // The dialog's Cancel button, and the host's repainting, are seen only here.
  platform::pump_messages();
}

// Stores a number key even when only its leading digits read; answers whether it was a
// valid number.
bool read_number(const params::Store& s, std::string_view key, std::int32_t& field) {
  std::int32_t n = 0;
  const bool valid = params::validated_integer(s, key, n);
  if (params::has(s, key)) field = n;
  return valid;
}

Err update(host::ProgressState& state, ProgressRecord& r, const params::Store& s) {
  if (r.dialog) {
    if (r.dialog->cancelled()) state.cancelled = true;
    if (state.cancelled) {
      r.dialog->hide();
      return kUserCanceled;
    }
  }
  if (params::has(s, "BARBER")) {
    const bool barber = params::boolean(s, "BARBER", true);
    if (barber != r.barber) {
      r.barber = barber;
      r.minimum = 0;
      r.maximum = 10;
      r.value = 1;
    }
  }
  const bool min_valid = read_number(s, "MIN", r.minimum);
  const bool max_valid = read_number(s, "MAX", r.maximum);
  const bool value_valid = read_number(s, "VALUE", r.value);
  const bool range_changed = min_valid || max_valid;

  if (r.barber) {
    draw(state, r, false);
  } else if (range_changed || value_valid) {
    if (r.minimum >= r.maximum) {
      r.maximum = r.minimum == INT32_MAX ? r.minimum : r.minimum + 1;
      if (r.minimum == INT32_MAX) r.minimum = INT32_MAX - 1;
    }
    r.value = std::clamp(r.value, r.minimum, r.maximum);
    std::this_thread::sleep_for(milliseconds(2));
    draw(state, r, range_changed);
    std::this_thread::sleep_for(milliseconds(4));
  }
  return kNoErr;
}

}  // namespace

ProgressRecord& progress_record(host::ProgressState& state) {
  auto* r = dynamic_cast<ProgressRecord*>(state.window.get());
  if (r == nullptr) {
    auto made = std::make_unique<ProgressRecord>();
    r = made.get();
    state.window = std::move(made);
    state.close = &close_progress_step;
  }
  return *r;
}

Err close_progress_step(host::ProgressState& state) {
  ProgressRecord& r = progress_record(state);
  if (r.dialog && !state.cancelled && r.value == r.maximum) {
    r.dialog->show_fraction(1.0);
    std::this_thread::sleep_for(kFullBarPause);
    platform::pump_messages();
    std::this_thread::sleep_for(kFullBarPause);
  }
  release_windows(state, r);
  platform::pump_messages();
  return kNoErr;
}

Err open_progress(Call& call) {
  const params::Store& s = call.params;
  host::ProgressState& state = call.shared->progress;
  const bool dialog = params::boolean(s, "DIALOG", false);
  const bool movable = params::boolean(s, "MOVABLE", false);
  if (!platform::display_available()) return kNoDisplay;

  ProgressRecord& r = progress_record(state);
  // A progress an earlier Open left up is taken down rather than left orphaned.
  release_windows(state, r);
  r.movable = movable;
  r.barber = false;
  r.minimum = 0;
  r.maximum = 100;
  r.value = 0;
  r.stripe_offset = 0;
  r.place = {};
  r.next_tick = ProgressClock::now() + kStripeTick;
  r.owner = platform::host_window();

  if (dialog) {
    r.title = field_text(s, "TITLE", kTitleField);
    r.message = field_text(s, "MESSAGE", kTitleField);
    const resources::DialogTemplate* t =
        resources::dialog_template(resources::kProgressTemplate, platform::ui_language());
    if (t == nullptr) return kGeneralErr;
    const platform::ProgressDialogOpen opened =
        platform::open_progress_dialog(*t, r.title, r.message, r.dialog);
    if (opened == platform::ProgressDialogOpen::NoDisplay) return kNoDisplay;
    // The script asked for a dialog with a Cancel button: going on without it would
    // leave the user no way to stop the work.
    if (opened == platform::ProgressDialogOpen::Failed) return kGeneralErr;
    sync_flags(state, r);
  }
  return update(state, r, s);
}

Err update_progress(Call& call) {
  host::ProgressState& state = call.shared->progress;
  return update(state, progress_record(state), call.params);
}

Err close_progress(Call& call) {
  return close_progress_step(call.shared->progress);
}

}  // namespace velmora::dialogs
