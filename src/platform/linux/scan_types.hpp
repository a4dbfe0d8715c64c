// Linux backend only: folder scans read each entry's kind from the type the file system
// reports with it, and ask for its status only where it reports none (DT_UNKNOWN, as
// some network and older file systems do).  Tests take the second way on any file
// system by setting this.
#pragma once

namespace velmora::platform::linux_backend {

// True: every entry is treated as of unknown type, as such a file system reports it.
void set_entry_types_ignored(bool ignored);

}  // namespace velmora::platform::linux_backend
