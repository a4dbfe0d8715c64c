// A quick listing of one folder: names and kinds only, in the file system's order, read
// in one pass without asking for sizes or times.  For walks over whole trees (FindFile,
// the copy/move/delete tree walker), where a full directory search would cost a status
// query per entry.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform {

struct ScanEntry {
  std::string name;     // native text, as named on disk
  bool folder = false;  // a folder, or a link that leads to one
  bool link = false;    // a symbolic link (never walked through)
  bool hidden = false;  // with ScanFor::kListing: the hidden or system attribute is set
};

enum class ScanFor {
  kWalk,     // names and kinds, every entry
  kListing,  // also the hidden and system attributes; entries a directory search would
             // not report (gone since the folder was read, links leading nowhere) left out
};

// The entries of `folder` (a full native path, with or without a final backslash),
// without "." and "..".  False (last error set: 3 missing, 5 unreadable, 267 not a
// folder) when it cannot be listed.
bool scan_folder(std::string_view folder, std::vector<ScanEntry>& out,
                 ScanFor purpose = ScanFor::kWalk);

// True when the path names a symbolic link (whatever it points to).
bool is_link(std::string_view path);

}  // namespace velmora::platform
