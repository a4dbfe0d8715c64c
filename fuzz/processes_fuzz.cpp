// Arbitrary bytes as /proc entry names and /proc/<pid>/exe link texts, and as the two
// native paths the program matcher compares (double-byte characters cut anywhere).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "apps/app_paths.hpp"
#include "platform/linux/processes_proc.hpp"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string_view view(text);

  if (auto pid = platform::linux_backend::pid_from_proc_name(view)) {
    if (*pid == 0) std::abort();
  }
  for (bool exists : {false, true}) {
    if (auto file = platform::linux_backend::executable_from_link(view, exists)) {
      // What comes back is a leading part of the link text, never more.
      if (file->empty() || file->front() != '/' || file->data() != view.data() ||
          file->size() > view.size()) {
        std::abort();
      }
    }
  }

  const std::size_t half = size / 2;
  const std::string_view a = view.substr(0, half), b = view.substr(half);
  if (apps::same_program_path(a, b) != apps::same_program_path(b, a)) std::abort();
  if (!apps::same_program_path(a, a)) std::abort();
  return 0;
}
