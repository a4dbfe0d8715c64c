#include "host/shared_state.hpp"

#include <new>

#include "image/engine.hpp"
#include "platform/ui.hpp"

namespace velmora::host {

namespace {
std::unique_ptr<SharedState> g_state;
bool g_progress_active = false;
bool g_engine_notice_shown = false;

// The engine must be 3.0 or later; major and minor sit in the high 16 bits.
constexpr std::uint32_t kOldestEngine = 0x02FF;
}  // namespace

SharedState* shared_state() {
  return g_state.get();
}

bool progress_active() {
  return g_progress_active;
}
void set_progress_active(bool active) {
  g_progress_active = active;
}

bool create_shared_state() {
  g_progress_active = false;
  image::engine::Session engine;
  if ((image::engine::version() >> 16) <= kOldestEngine) {
    // The notice is a dialog of its own; a host without windows only gets the refusal.
    g_engine_notice_shown = true;
    return false;
  }
  g_state.reset(new (std::nothrow) SharedState());
  return g_state != nullptr;
}

void release_shared_state() {
  // Destroying the block closes the progress window's objects and a running search.
  g_state.reset();
  g_progress_active = false;
}

void idle_pump() {
  if (!g_progress_active || !g_state) return;
  ProgressState& progress = g_state->progress;
  if (!progress.has_dialog && !progress.has_bar && !progress.has_bitmap) return;
  platform::pump_messages();
  // The family's own close step shows a full bar for a moment before it goes.
  if (progress.close != nullptr) {
    if (progress.close(progress) != 0) return;
  } else {
    progress.window.reset();
    progress.has_dialog = progress.has_bar = progress.has_bitmap = false;
  }
  g_progress_active = false;
}

}  // namespace velmora::host
