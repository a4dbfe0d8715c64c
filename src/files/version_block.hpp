// The module's version, read from the version block the build puts into the module.
#pragma once
#include <string>
#include <string_view>

namespace velmora::files {

// "FileVersion" of the first translation in a version block; empty when it is missing.
std::string file_version_from_block(std::string_view block);

// The module's own file version, or "unknown" when it cannot be read.
std::string module_file_version();

}  // namespace velmora::files
