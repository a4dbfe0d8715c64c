// Windows shortcut (.lnk) files: where one points.  The file's bytes come from outside
// and are read with every bound checked.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmora::platform {

// The target path a shortcut file records (native text, the server form \\srv\pub\x
// preferred, at most 259 bytes); none when the file cannot be read as a shortcut or
// records no path.
std::optional<std::string> shortcut_target(std::string_view native_path);

// The same for the bytes of a shortcut file held in memory; a relative target is
// reported as recorded.
std::optional<std::string> shortcut_target_from_bytes(std::string_view bytes);

}  // namespace velmora::platform
