// fmhost: loads the plug-in module, initialises it, runs calls from the command line, a
// script or a prompt, and shuts it down again.
#include <fmx/FMHostServices.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "document_window.hpp"
#include "events.hpp"
#include "host.hpp"
#include "host_clipboard.hpp"
#include "input_lines.hpp"
#include "options.hpp"
#include "script.hpp"
#include "system.hpp"

namespace velmora::fmhost {

namespace {

enum Exit { kOk = 0, kBadUsage = 2, kModule = 3, kUnknownFunction = 4, kHostFailure = 5 };

// A module that accepts the host answers the interface version it was built for.
constexpr std::intptr_t kOldestAnswer = FMX_VERSION_OLDEST;

// How long the person at the prompt types nothing after a call before the host counts as
// idle and tells the module so.
constexpr int kQuietMs = 500;

// Lines are not flushed one by one: a script's answers go out in large writes, and
// whatever is written is flushed before fmhost waits for more input (InputLines) and at
// the end, so that a person or a program feeding lines sees each answer in time.
void print_line(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

std::string default_module_path() {
  return program_folder() + VELMORA_MODULE_NAME;
}

class Runner {
 public:
  Runner(Host& host, const Options& options, const DocumentWindow& window)
      : host_(host), options_(options), input_(window) {}

  // Runs one call and prints its line; answers false when the run must stop.
  bool run_call(const std::string& name, const std::string& parameter) {
    const CallOutcome outcome = host_.call(name, parameter, options_.legacy);
    if (outcome.status != CallStatus::Ok) {
      std::fprintf(stderr, "fmhost: %s\n", outcome.message.c_str());
      status_ = outcome.status == CallStatus::UnknownFunction ? kUnknownFunction : kHostFailure;
      return false;
    }
    print_line(outcome.result);
    if (options_.idle) host_.idle(options_.idle_level);
    return true;
  }

  // A script from standard input, read while the display's events flow; no idle event
  // between its lines, one after the last call.
  bool run_script_input() {
    return run_script([this] { return input_.next(); });
  }

  // The prompt: a mistyped name is reported and the session goes on.  Like the real host,
  // fmhost sends an idle event once the person has typed nothing for a moment after a
  // call (unless --idle already sent one right after it); closing the shown window ends
  // the session like end of input.
  void run_prompt() {
    bool idle_owed = false;
    const auto idle = [&] {
      host_.idle(options_.idle_level);
      idle_owed = false;
    };
    for (;;) {
      std::fputs("fmhost> ", stderr);
      std::fflush(stderr);
      const auto line = input_.next(idle_owed ? kQuietMs : -1, idle);
      if (!line) {
        std::fputc('\n', stderr);
        break;
      }
      const auto call = parse_line(*line);
      if (!call) continue;
      if (call->name == "quit" || call->name == "exit") break;
      const bool ran = run_call(call->name, call->parameter);
      if (!ran && status_ == kHostFailure) break;
      idle_owed = ran && !options_.idle;
      status_ = kOk;
    }
  }

  bool run(const Action& action) {
    switch (action.kind) {
      case Action::Kind::Call:
        return run_call(action.name, action.parameter);
      case Action::Kind::String:
        print_line(host_.string_request(action.number, options_.buffer_units));
        return true;
      case Action::Kind::List:
        list();
        return true;
      case Action::Kind::Script:
        return script_file(action.name);
    }
    return true;
  }

  int status() const { return status_; }

 private:
  void list() {
    for (std::uint32_t i = 0; i < FMW_Host_FunctionCount(); ++i) {
      std::int16_t id = 0;
      char name[256];
      char prototype[1024];
      if (FMW_Host_FunctionAt(i, &id, name, sizeof name, prototype, sizeof prototype, nullptr)) {
        print_line(std::to_string(id) + " " + name + " " + prototype);
      }
    }
  }

  // Script lines from `next_line` (none: the end); an idle event follows the last call.
  template <typename NextLine>
  bool run_script(NextLine next_line) {
    bool ok = true;
    while (ok) {
      const std::optional<std::string> line = next_line();
      if (!line) break;
      if (const auto call = parse_line(*line)) ok = run_call(call->name, call->parameter);
    }
    host_.idle(1);
    return ok;
  }

  bool script_file(const std::string& file) {
    if (file == "-") return run_script_input();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "fmhost: cannot read script %s\n", file.c_str());
      status_ = kBadUsage;
      return false;
    }
    return run_script([&in]() -> std::optional<std::string> {
      std::string line;
      if (!std::getline(in, line)) return std::nullopt;
      return line;
    });
  }

  Host& host_;
  const Options& options_;
  InputLines input_;
  int status_ = kOk;
};

int run_module(const Options& options, const DocumentWindow& window);

int run(const Options& options) {
  // The module reads these when it loads.
  if (!options.lang.empty()) set_environment("VELMORA_LANG", options.lang);
  if (options.debug) set_environment("VELMORA_DEBUG", "1");

  // The document window outlives the module's whole life: dialogs and drawing need it
  // from initialisation to shutdown.
  DocumentWindow window(options.window_width, options.window_height);
  if (options.window) {
    if (const std::string failure = window.show(); !failure.empty()) {
      std::fprintf(stderr, "fmhost: %s\n", failure.c_str());
      return kHostFailure;
    }
  }
  if (options.pointer) window.set_pointer(options.pointer_h, options.pointer_v);
  FMW_Host_SetDocumentWindow(window.table());
  const bool keep_clipboard =
      !options.window || !options.clipboard.empty() || !options.save_clipboard.empty();
  FMW_Host_KeepClipboard(keep_clipboard ? 1 : 0);
  if (!options.clipboard.empty()) {
    if (const std::string failure = load_clipboard(options.clipboard); !failure.empty()) {
      std::fprintf(stderr, "fmhost: %s\n", failure.c_str());
      return kBadUsage;
    }
  }
  int status = run_module(options, window);
  FMW_Host_SetDocumentWindow(nullptr);
  if (!options.save_clipboard.empty()) {
    if (const std::string failure = save_clipboard(options.save_clipboard); !failure.empty()) {
      std::fprintf(stderr, "fmhost: %s\n", failure.c_str());
      if (status == kOk) status = kHostFailure;
    }
  }
  if (!options.save_window.empty()) {
    if (const std::string failure = window.save_png(options.save_window); !failure.empty()) {
      std::fprintf(stderr, "fmhost: %s\n", failure.c_str());
      return status == kOk ? kHostFailure : status;
    }
  }
  return status;
}

int run_module(const Options& options, const DocumentWindow& window) {
  Host host;
  const std::string path =
      options.module_path.empty() ? default_module_path() : options.module_path;
  if (const auto failure = host.load(path)) {
    std::fprintf(stderr, "fmhost: %s\n", failure->c_str());
    return kModule;
  }
  const std::intptr_t answer = host.initialise(options.host_version);
  if (options.init_only) {
    print_line("INIT=" + std::to_string(answer));
    host.shutdown();
    return kOk;
  }
  if (answer < kOldestAnswer) {
    std::fprintf(stderr, "fmhost: the module refused to initialise (answer %ld)\n",
                 static_cast<long>(answer));
    host.shutdown();
    return kModule;
  }
  if (options.faults) FMW_Host_SetFaults(options.faults->c_str());

  Runner runner(host, options, window);
  if (options.actions.empty()) {
    if (options.prompt || input_is_terminal()) {
      runner.run_prompt();
    } else {
      runner.run_script_input();
    }
  } else {
    for (const Action& action : options.actions) {
      if (!runner.run(action)) break;
    }
  }
  // The module stays loaded while the window is up: what it put on the clipboard is
  // served by its own code.  Waiting, the host is idle, and says so once.
  if (options.wait && window.shown()) {
    host.idle(options.idle_level);
    std::fflush(stdout);  // the answers are complete; someone may be waiting for them
    dispatch_until_closed(window);
  }
  // Whether the failure asked for happened at all, so that a script stepping through the
  // failure points knows when it has passed the last one.
  if (options.faults) {
    std::fprintf(stderr, "fmhost: %d memory failures made\n",
                 static_cast<int>(FMW_Host_FaultsFired()));
  }
  host.shutdown();
  if (options.debug && FMW_Host_LiveAllocations() != 0) {
    std::fprintf(stderr, "fmhost: %d host blocks or handles were not given back\n",
                 static_cast<int>(FMW_Host_LiveAllocations()));
  }
  return runner.status();
}

}  // namespace

}  // namespace velmora::fmhost

int main(int argc, char** argv) {
  using namespace velmora::fmhost;
  Options options;
  try {
    options = parse_options(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::fprintf(stderr, "fmhost: %s\n\n%s", e.message.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return run(options);
}
