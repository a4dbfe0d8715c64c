// The type lists of the file choosers, built from the caller's extensions, from file type
// codes, or from the built-in picture types; and the chosen path in the form the scripts
// read back.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "params/parser.hpp"
#include "platform/file_dialogs.hpp"

namespace velmora::dialogs {

// Room for the type list as the system's filter text (label, patterns, each ended by a
// zero, a final zero): what the open and the save chooser can carry.
inline constexpr std::size_t kOpenFilterRoom = 520;
inline constexpr std::size_t kSaveFilterRoom = 1024;

// The registered description of an extension (".jpg"), UTF-8; empty when none.
using DescribeType = std::function<std::string(std::string_view extension)>;

// SHOWALL, EXTENSION or FILETYPE (in that precedence) or the built-in list, always ended
// by "All Files".  Entries that would overflow `room` are left out, so "All Files" always
// fits.
std::vector<platform::FileFilter> build_filters(const params::Store& s, std::size_t room,
                                                const DescribeType& describe);

// A chosen native path as the scripts read it back: \\server\share\dir\file becomes
// server::share:dir:file (the network notation path resolution reads); others unchanged.
std::string network_notation(std::string_view native);

}  // namespace velmora::dialogs
