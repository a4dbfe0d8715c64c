// Writing a whole file safely: the bytes go to a new file beside the destination, are
// flushed, and only then take the destination's name.  An existing file is replaced in
// one step or not at all, so a failure never leaves a half-written or missing file.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/fs.hpp"

namespace velmora::platform {

// `native_path`: a full Windows-form native path.  False with the last error set (3 for a
// missing folder, 5 when the folder may not be written, 112 when the disk is full, ...).
bool replace_file(std::string_view native_path, std::span<const std::uint8_t> bytes);

}  // namespace velmora::platform
