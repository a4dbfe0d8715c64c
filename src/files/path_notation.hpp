// The notations a path argument may use, told apart and turned into native paths, and
// the network notation results use for items on a server.  Pure text work: nothing here
// touches the file system.
#pragma once
#include <string>
#include <string_view>

namespace velmora::files {

enum class PathForm {
  Network,    // server::share:folder:file
  DrivePath,  // C:\folder\file
  Colon,      // C:folder:file, MyDisk:folder:file, C:
  Backslash,  // \\server\share\x, dir\file, \dir
  Bare,       // file (relative to the current folder)
};

// One left-to-right scan; second bytes of double-byte characters are never taken for
// ':', '@' or '\'.
PathForm classify(std::string_view text);

// server::share:a:b -> \\server\share\a\b (server cut at an '@' before the first colon;
// server::share -> \\server\share\).
std::string network_to_native(std::string_view text);

// Colon notation: every colon after the first becomes a backslash.  `label` receives the
// text before the first colon when it is a volume label (two characters or more) and
// `rest` the text after that colon without a leading backslash; for a drive letter the
// label is empty and `rest` is the converted drive path (C:folder:x -> C:\folder\x).
void split_colon_notation(std::string_view text, std::string& label, std::string& rest);

// \\server\share\dir\file -> server::share:dir:file; other paths unchanged.
std::string to_network_notation(std::string_view native);

// True for \\server\share with no further backslash (the share's root).
bool is_share_root(std::string_view native);

// True when the text ends in a backslash that is not a second byte.
bool ends_with_backslash(std::string_view native);

// The position just after the last separating backslash (0 when none).
std::size_t name_start(std::string_view native);

// The first separating backslash at or after `from` (npos when none); the text is walked
// from its start, so a second byte 0x5C is never found.
std::size_t find_backslash(std::string_view native, std::size_t from = 0);

// Appends a backslash unless the text already ends in a separating one.
void add_backslash(std::string& native);

}  // namespace velmora::files
