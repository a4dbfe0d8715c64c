// Runs a function's handlers over a parameter text the way the runner does, without a
// host: the answer (or envelope) comes back as text, "<none>" when nothing was set.
#pragma once
#include <string>
#include <string_view>

#include "host/runner.hpp"

namespace velmora::testing {

inline std::string run(int function_id, std::string_view parameter) {
  (void)host::take_result();
  (void)host::run_handlers(function_id, parameter);
  auto result = host::take_result();
  return result ? *result : std::string("<none>");
}

}  // namespace velmora::testing
