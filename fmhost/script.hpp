// The line syntax of scripts and the prompt: NAME, one blank, the parameter.
#pragma once

#include <optional>
#include <string>

namespace velmora::fmhost {

struct ScriptCall {
  std::string name;
  std::string parameter;
};

// The call a line holds, or none for a blank line or a '#' comment.
std::optional<ScriptCall> parse_line(std::string line);

}  // namespace velmora::fmhost
