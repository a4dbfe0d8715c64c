// Other programs: starting them, finding the running copies of one, and asking their
// windows to close.  Paths are full native Windows-form paths (C:\Apps\tool.exe); the
// backend maps them onto its own file system.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.hpp"

namespace velmora::platform {

// The numbers the system's shell answers a refused start with (1 to 32), whatever the
// machine underneath, so that scripts see the same codes everywhere.
namespace shellerr {
inline constexpr SysError kFileNotFound = 2;
inline constexpr SysError kPathNotFound = 3;
inline constexpr SysError kAccessDenied = 5;  // also: the file is not a program
inline constexpr SysError kOutOfMemory = 8;
inline constexpr SysError kBadFormat = 11;  // looks like a program but cannot be run
inline constexpr SysError kShare = 26;      // the program file is being written
inline constexpr SysError kNoAssociation = 31;
}  // namespace shellerr

// Starts `program` on its own, detached from the caller (own session, no terminal, no
// inherited standard streams), with `document` as its one argument when given.  Returns
// once the program is running: 0, or a shellerr number when it could not be started
// (the failure of the start itself is reported, never taken for success).
SysError launch_program(std::string_view program, const std::optional<std::string>& document);

// Opens a document with the program the desktop associates with it.  0, or
// shellerr::kNoAssociation when no opener exists or it could not open the document.
SysError open_document(std::string_view document);

// One running process and the program file it runs; `executable` is empty when it cannot
// be read (another user's process) or lies where no drive reaches.
struct ProcessEntry {
  std::uint32_t id = 0;
  std::string executable;  // native Windows-form path, links followed
};

// Every running process.
std::vector<ProcessEntry> list_processes();

// The path under which running copies of the program file at `path` are listed
// (links followed); `path` itself when that cannot be found out.
std::string program_identity(std::string_view path);

// What came of asking the windows of some processes to close.
enum class CloseOutcome {
  Asked,      // every visible top-level window that can be asked was asked (maybe none)
  NoDisplay,  // no display to reach the windows through (none set, or it cannot be opened)
};

// Asks every visible top-level window owned by one of `process_ids` to close, the way the
// window manager's close button does; hidden windows are left alone.  Nothing is waited
// for: each program decides whether and when it closes.  `asked` counts the windows.
CloseOutcome close_windows(const std::vector<std::uint32_t>& process_ids, int& asked);

}  // namespace velmora::platform
