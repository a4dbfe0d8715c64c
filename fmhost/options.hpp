// fmhost's command line: options and the ordered list of things to do.
#pragma once

#include <fmx/FMWrapper.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::fmhost {

// One thing to do after initialisation, in command-line order.
struct Action {
  enum class Kind { Call, Script, String, List };
  Kind kind = Kind::Call;
  std::string name;       // Call: function name; Script: file ("-" for standard input)
  std::string parameter;  // Call: parameter text (UTF-8)
  int number = 0;         // String: string number
};

struct Options {
  std::string module_path;  // empty: next to the executable
  std::string lang;         // "", "en" or "ja"
  std::int16_t host_version = FMX_VERSION_CURRENT;
  std::uint32_t buffer_units = 1024;
  bool legacy = false;
  bool idle = false;
  int idle_level = 1;
  std::optional<std::string> faults;
  bool debug = false;
  bool init_only = false;
  bool help = false;
  bool window = false;         // show the document window on the display
  bool wait = false;           // after the calls, wait until the shown window is closed
  bool prompt = false;         // the prompt even when standard input is not a terminal
  std::string save_window;     // PNG file written after the calls
  std::string clipboard;       // picture file put on the kept clipboard before the calls
  std::string save_clipboard;  // file the clipboard's picture is written to after the calls
  int window_width = 640;
  int window_height = 480;
  bool pointer = false;  // --pointer given: the pointer position the host reports
  int pointer_h = 0;
  int pointer_v = 0;
  std::vector<Action> actions;
};

struct UsageError {
  std::string message;
};

// Parses argv (without the program name); throws UsageError.
Options parse_options(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace velmora::fmhost
