// VeUtl_QuitApp: ask every running copy of a program to close, window by window.
#include <vector>

#include "apps/app_paths.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "platform/processes.hpp"

namespace velmora::apps {

Err quit_app(Call& call) {
  files::PathSpec app;
  if (Err err = check_file(params::text(call.params, "APP"), app); err != kNoErr) return err;

  // Every match is kept: a program running more copies than a fixed list holds still
  // has all of them asked.
  const std::vector<std::uint32_t> ids =
      matching_processes(platform::list_processes(), platform::program_identity(app.name));
  if (ids.empty()) return kNoErr;

  // Copies are running: saying "done" while none could be asked would be a failure
  // reported as success.
  int asked = 0;
  if (platform::close_windows(ids, asked) == platform::CloseOutcome::NoDisplay) return kNoDisplay;
  return kNoErr;
}

}  // namespace velmora::apps
