// Linux backend only: the host path of a native path, through the folders remembered
// while a FolderPlaces lives (file_ops.hpp), else through the drive table.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmora::platform::linux_backend {

// Like host_path; inside a remembered folder the last component is taken as given.
std::optional<std::string> placed_host_path(std::string_view native_path);

// Records where a folder lies (after it was mapped or created); no-op when nothing is
// being remembered.
void remember_folder(std::string_view native_folder, const std::string& host_folder);

}  // namespace velmora::platform::linux_backend
