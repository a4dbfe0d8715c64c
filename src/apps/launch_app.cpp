// VeUtl_LaunchApp: start a program, open a document with a given program, or open a
// document with the program the desktop associates with it.
#include <optional>
#include <string>

#include "apps/app_paths.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "platform/processes.hpp"

namespace velmora::apps {

Err launch_app(Call& call) {
  const bool has_doc = params::text(call.params, "DOC") != nullptr;
  files::PathSpec doc;
  if (has_doc) {
    if (Err err = check_file(params::text(call.params, "DOC"), doc); err != kNoErr) return err;
  }
  // An unusable APP is not an error yet: with a document, the associated program opens it.
  files::PathSpec app;
  const bool app_usable = check_file(params::text(call.params, "APP"), app) == kNoErr;

  platform::SysError shell_answer = 0;
  if (has_doc && app_usable) {
    shell_answer = platform::launch_program(app.name, doc.name);
  } else if (has_doc) {
    shell_answer = platform::open_document(doc.name);
  } else if (app_usable) {
    shell_answer = platform::launch_program(app.name, std::nullopt);
  } else {
    return kParamErr;
  }
  return static_cast<Err>(shell_answer);
}

}  // namespace velmora::apps
