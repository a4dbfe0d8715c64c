// Facts about the loaded module itself: its file, its version block, the user
// interface language the resource loader picks.
#pragma once
#include <optional>
#include <string>

namespace velmora::platform {

enum class Language { English, Japanese };

// The language of the user interface (English unless the environment asks for Japanese).
Language ui_language();

// A call the host process offers, looked up at run time so that the module still loads in
// a host without it: first among what the host program itself exports, then in the host
// library.  Null when neither has it.
void* host_symbol(const char* name);

// The bytes of the module's own version block, read from the module's file; none when the
// file or the block cannot be read.
std::optional<std::string> module_version_block();

}  // namespace velmora::platform
