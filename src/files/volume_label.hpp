// Finding a drive by its volume label (MyDisk:folder:file, VOLUME=MyDisk), shared by path
// resolution, EjectVolume and FindFile.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmora::files {

// The root ("D:\") of the first drive, in drive-list order, whose label equals `label`
// with letters in any case; none when no drive carries it.  An empty label matches none.
std::optional<std::string> drive_root_for_label(std::string_view label);

}  // namespace velmora::files
