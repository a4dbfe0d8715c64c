// Facts about the loaded module itself: its file, its version block, the user
// interface language the resource loader picks.
#pragma once
#include <optional>
#include <string>

namespace velmora::platform {

enum class Language { English, Japanese };

// The language of the user interface (English unless the environment asks for Japanese).
Language ui_language();

// The bytes of the module's own version block, read from the module's file; none when the
// file or the block cannot be read.
std::optional<std::string> module_version_block();

}  // namespace velmora::platform
