#include "options.hpp"

#include <charconv>
#include <climits>

namespace velmora::fmhost {

const char* const kUsage =
    "usage: fmhost [options] [NAME PARAMETER]...\n"
    "\n"
    "Loads the plug-in module, initialises it and calls its functions. Each NAME PARAMETER\n"
    "pair prints one result line. Without calls it reads calls from standard input: a\n"
    "prompt when that is a terminal, a script otherwise.\n"
    "\n"
    "options:\n"
    "  --script FILE      run the calls in FILE (\"-\": standard input), one per line:\n"
    "                     NAME, a blank, the parameter; '#' lines and blank lines skipped\n"
    "  --list             list the registered functions: ID, name, prototype\n"
    "  --string N         ask the module for its string number N\n"
    "  --buffer U         UTF-16 units of the --string buffer (default 1024)\n"
    "  --lang en|ja       language of the module's strings\n"
    "  --host-version N   host interface version in the call record (default 71)\n"
    "  --legacy           call functions through the legacy call form (selector 3; 32-bit\n"
    "                     Windows hosts only)\n"
    "  --prompt           read standard input as the prompt even when it is not a terminal\n"
    "  --idle             send an idle event after every call\n"
    "  --idle-level N     level of the idle events fmhost sends (default 1)\n"
    "  --fail SPEC        make host memory fail: block:N,handle:N,text:N\n"
    "  --debug            show the module's debug lines on standard error\n"
    "  --init-only        initialise, print INIT=<answer>, shut down\n"
    "  --window           show the document window (needs a display; dialogs are owned\n"
    "                     by it); without it the window is an off-screen surface\n"
    "  --wait             after the calls, keep the shown window up (repainting, serving\n"
    "                     the clipboard) until it is closed\n"
    "  --window-size WxH  size of the document window's client (default 640x480)\n"
    "  --save-window FILE write the document window as PNG after the calls\n"
    "  --pointer H,V      the pointer position the host reports, in client coordinates\n"
    "  --clipboard FILE   put the picture in FILE on the clipboard before the calls\n"
    "  --save-clipboard FILE  write the clipboard's picture after the calls: PNG when FILE\n"
    "                     ends in .png, else a PICT file (fmhost keeps the clipboard\n"
    "                     itself without --window or with either of these two options)\n"
    "  --module PATH      module to load (default: " VELMORA_MODULE_NAME
    " next to fmhost)\n"
    "  --help             this text\n"
    "\n"
    "exit status: 0 every call ran, 2 bad usage, 3 module not loaded or refused,\n"
    "4 unknown function, 5 the host could not make a call\n";

namespace {

long long to_number(const std::string& option, const std::string& text, long long min,
                    long long max) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
    throw UsageError{option + " needs a number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not '" + text + "'"};
  }
  return value;
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
  Options o;
  std::size_t i = 0;
  auto value = [&](const std::string& option) -> const std::string& {
    if (i + 1 >= args.size()) throw UsageError{option + " needs a value"};
    return args[++i];
  };
  bool options_done = false;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_done || a.size() < 2 || a.compare(0, 2, "--") != 0) {
      // A function name; the next argument is its parameter whatever it looks like.
      if (i + 1 >= args.size()) throw UsageError{"function " + a + " has no parameter"};
      Action call;
      call.name = a;
      call.parameter = args[++i];
      o.actions.push_back(std::move(call));
      continue;
    }
    if (a == "--") {
      options_done = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--list") {
      o.actions.push_back({Action::Kind::List, {}, {}, 0});
    } else if (a == "--script") {
      o.actions.push_back({Action::Kind::Script, value(a), {}, 0});
    } else if (a == "--string") {
      const int n = static_cast<int>(to_number(a, value(a), 0, 255));
      o.actions.push_back({Action::Kind::String, {}, {}, n});
    } else if (a == "--buffer") {
      o.buffer_units = static_cast<std::uint32_t>(to_number(a, value(a), 0, 1 << 20));
    } else if (a == "--lang") {
      o.lang = value(a);
      if (o.lang != "en" && o.lang != "ja") throw UsageError{"--lang takes en or ja"};
    } else if (a == "--host-version") {
      o.host_version = static_cast<std::int16_t>(to_number(a, value(a), SHRT_MIN, SHRT_MAX));
    } else if (a == "--legacy") {
#if FMX_RECORD_HAS_MEMORY_SERVICES
      o.legacy = true;
#else
      throw UsageError{"--legacy: only 32-bit hosts have the legacy call form"};
#endif
    } else if (a == "--idle") {
      o.idle = true;
    } else if (a == "--idle-level") {
      o.idle_level = static_cast<int>(to_number(a, value(a), 0, 255));
    } else if (a == "--fail") {
      o.faults = value(a);
    } else if (a == "--debug") {
      o.debug = true;
    } else if (a == "--init-only") {
      o.init_only = true;
    } else if (a == "--window") {
      o.window = true;
    } else if (a == "--wait") {
      o.wait = true;
    } else if (a == "--prompt") {
      o.prompt = true;
    } else if (a == "--save-window") {
      o.save_window = value(a);
    } else if (a == "--window-size") {
      const std::string& size = value(a);
      const std::size_t x = size.find('x');
      if (x == std::string::npos) throw UsageError{"--window-size takes WIDTHxHEIGHT"};
      o.window_width = static_cast<int>(to_number(a, size.substr(0, x), 1, 8192));
      o.window_height = static_cast<int>(to_number(a, size.substr(x + 1), 1, 8192));
    } else if (a == "--pointer") {
      const std::string& at = value(a);
      const std::size_t comma = at.find(',');
      if (comma == std::string::npos) throw UsageError{"--pointer takes H,V"};
      o.pointer = true;
      o.pointer_h = static_cast<int>(to_number(a, at.substr(0, comma), -32768, 32767));
      o.pointer_v = static_cast<int>(to_number(a, at.substr(comma + 1), -32768, 32767));
    } else if (a == "--clipboard") {
      o.clipboard = value(a);
    } else if (a == "--save-clipboard") {
      o.save_clipboard = value(a);
    } else if (a == "--module") {
      o.module_path = value(a);
    } else {
      throw UsageError{"unknown option " + a};
    }
  }
  return o;
}

}  // namespace velmora::fmhost
