// The file system as the plug-in sees it: Windows-form native paths (code page 932,
// C:\Data\a.txt, \\srv\pub\x), Windows attributes, Windows directory searches and Windows
// error numbers, whatever the machine underneath.  Every path argument is native text;
// every name handed back is native text as the item is named on disk.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::platform {

// ---- errors ------------------------------------------------------------------------
// The Windows numbers a failure is reported as, on every platform, so that scripts see
// the same codes everywhere.
using SysError = std::uint32_t;
namespace winerr {
inline constexpr SysError kSuccess = 0;
inline constexpr SysError kFileNotFound = 2;
inline constexpr SysError kPathNotFound = 3;
inline constexpr SysError kTooManyOpenFiles = 4;
inline constexpr SysError kAccessDenied = 5;
inline constexpr SysError kInvalidHandle = 6;
inline constexpr SysError kNotEnoughMemory = 8;
inline constexpr SysError kInvalidDrive = 15;
inline constexpr SysError kCurrentDirectory = 16;  // removing the current folder
inline constexpr SysError kNotSameDevice = 17;
inline constexpr SysError kNoMoreFiles = 18;
inline constexpr SysError kWriteProtect = 19;
inline constexpr SysError kNotReady = 21;
inline constexpr SysError kSharingViolation = 32;
inline constexpr SysError kLockViolation = 33;
inline constexpr SysError kHandleEof = 38;
inline constexpr SysError kNotSupported = 50;
inline constexpr SysError kBadNetPath = 53;
inline constexpr SysError kFileExists = 80;
inline constexpr SysError kInvalidParameter = 87;
inline constexpr SysError kBrokenPipe = 109;
inline constexpr SysError kDiskFull = 112;
inline constexpr SysError kInvalidName = 123;
inline constexpr SysError kDirNotEmpty = 145;
inline constexpr SysError kBusy = 170;
inline constexpr SysError kAlreadyExists = 183;
inline constexpr SysError kFilenameTooLong = 206;
inline constexpr SysError kDirectory = 267;             // a folder where a file was expected
inline constexpr SysError kCantResolveFilename = 1921;  // too many symbolic links
inline constexpr SysError kLogonFailure = 1326;
}  // namespace winerr

// The error of the last failed call of this seam (or of any platform seam that says so)
// on the calling thread.  Calls that succeed leave it alone, as the system does.
SysError last_error();
void set_last_error(SysError error);
// The Windows number for a C library errno value (as Wine maps them).
SysError error_from_errno(int errno_value);

// ---- attributes, times, entries ----------------------------------------------------
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
}  // namespace attr

// A point in time as the file system keeps it (UTC).
struct FileTime {
  std::int64_t seconds = 0;      // since 1970-01-01 00:00:00 UTC
  std::int32_t nanoseconds = 0;  // 0 to 999,999,999
  friend bool operator==(const FileTime&, const FileTime&) = default;
};

// Calendar fields of a time in the local time zone.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;   // 0 to 23
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 Sunday
};

// Converts a file time to local calendar fields; false (last error set) when the time
// cannot be represented.
bool to_local_time(const FileTime& time, LocalTime& out);

// One entry of a folder, as a directory search reports it.
struct FileEntry {
  std::string name;  // the name on disk (native text), no folder part
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;  // bytes; 0 for folders
  FileTime creation;       // birth time where the file system keeps one, else the change time
  FileTime modification;
  FileTime access;
  bool is_folder() const { return (attributes & attr::kDirectory) != 0; }
};

// Who an item is and when it last changed: equal identities mean the same, unchanged
// item (a folder whose entries were not added, removed or renamed).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t node = 0;
  FileTime modification;
  FileTime change;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// ---- paths ---------------------------------------------------------------------------
// The full path name of a path, as the system makes it: relative paths against the
// current folder, '.' and '..' folded, '/' taken as a separator like '\'; the file system
// is not consulted.  False (last error set) when the path cannot be made absolute.
bool full_path_name(std::string_view path, std::string& out);

// Attributes of an item (attr::...); false when it cannot be read (last error 2 for a
// missing item, 3 for a missing folder on the way, 5 for access denied, ...).
bool get_attributes(std::string_view path, std::uint32_t& out);

// True when the path names an existing item / an existing folder.
bool exists(std::string_view path);
bool is_folder(std::string_view path);

// The entry of one item: its name as stored on disk, attributes, size and times.
// False (last error set) when it cannot be found.
bool lookup(std::string_view path, FileEntry& out);

// The identity of an item (see FileIdentity); false (last error set) when unreadable.
bool identity(std::string_view path, FileIdentity& out);

// What path resolution needs of an item, in one look: whether it is a folder and, where
// the same look tells it, its identity (`who` is left empty where that would cost more).
// False (last error set, as get_attributes sets it) when the item cannot be read.
bool probe(std::string_view path, bool& is_folder, std::optional<FileIdentity>& who);

// Reads a whole file into `out`; fails (last error set) for a folder, an unreadable file
// or one larger than max_bytes (kNotEnoughMemory).
bool read_file(std::string_view path, std::string& out, std::uint64_t max_bytes);

// ---- directory search ----------------------------------------------------------------
// An open directory search over folder\pattern.  The pattern is the last component and
// follows the Windows wildcard rules, letters in any case: '*' any run, '?' one character,
// "*.*" every name, "name.*" also the name without a dot.  The entries "." and ".." are
// never reported.  Order: the file system's own, stable while the folder is unchanged.
class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The next matching entry; false at the end (last error kNoMoreFiles) or on failure.
  virtual bool next(FileEntry& out) = 0;
  // Releases the search; false (last error set) when that fails.  Called at most once;
  // the destructor releases a search that was not closed.
  virtual bool close() = 0;
};

// Opens a search for `pattern` (folder\pattern, Windows form) and reports its first
// matching entry in `first`.  Null (last error set: 2 when nothing matches, 3 when the
// folder does not exist, 5 when it cannot be read) when there is no first entry.
std::unique_ptr<DirectorySearch> find_first(std::string_view pattern, FileEntry& first);

// True when `name` matches the Windows wildcard `pattern` (letters in any case).
bool wildcard_match(std::string_view pattern, std::string_view name);

}  // namespace velmora::platform
