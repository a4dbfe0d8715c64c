// Arbitrary bytes through the path classifier and converters, the full path name, the
// wildcard matcher and path resolution over a hermetic drive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "files/path_notation.hpp"
#include "files/path_spec.hpp"
#include "platform/fs.hpp"

using namespace velmora;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Resolution touches the file system: keep it inside one empty folder.
  std::filesystem::path root = std::filesystem::temp_directory_path() / "velmora-path-fuzz";
  std::filesystem::create_directories(root / "Data");
  setenv("VELMORA_DRIVES", ("C=" + root.string() + ",label=FUZZ").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string_view view(text);

  (void)files::classify(view);
  (void)files::network_to_native(view);
  std::string label, rest;
  files::split_colon_notation(view, label, rest);
  (void)files::to_network_notation(view);
  (void)files::is_share_root(view);
  (void)files::ends_with_backslash(view);
  if (files::name_start(view) > view.size()) __builtin_trap();

  std::string full;
  (void)platform::full_path_name(view, full);

  std::size_t half = size / 2;
  (void)platform::wildcard_match(view.substr(0, half), view.substr(half));

  if (text.find('\0') == std::string::npos) {
    files::PathSpec spec;
    if (files::resolve_path(text, spec) == 0 && spec.name.size() >= files::kMaxPath) {
      __builtin_trap();  // a resolved path always fits its record
    }
  }
  return 0;
}
