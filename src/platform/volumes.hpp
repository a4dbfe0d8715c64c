// The machine's drives: the logical drive list and mask, and what each drive is.  A
// drive's root is written X:\ (native text); a server share root is \\server\share\.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::platform {

// The Windows drive types, with their numbers.
enum class DriveType : std::uint8_t {
  Unknown = 0,
  NoRootDir = 1,  // the root does not exist
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

// Bit 0 for A:, bit 1 for B:, ... for every drive letter in use; 0 (last error set)
// when the drives cannot be listed.
std::uint32_t logical_drive_mask();

// The drive roots ("A:\", "C:\", ...) in letter order; empty (last error set) on failure.
std::vector<std::string> logical_drive_strings();

// The type of the drive or share whose root is given ("C:\", "C:" or "\\srv\pub\").
DriveType drive_type(std::string_view root);

// Label and file-system name of a volume root; false (last error set) when unreadable.
// Either output may be null.
bool volume_information(std::string_view root, std::string* label, std::string* file_system);

// Total bytes and bytes available to the caller on the volume that holds `root`;
// false (last error set) when the query fails.
bool disk_free_space(std::string_view root, std::uint64_t& total, std::uint64_t& available);

// Ejects the medium of drive `letter` ('A' to 'Z').  Only removable and CD-ROM drives are
// ejected, and only after their volume could be locked and unmounted; a failing step
// leaves the drive as it was where it can.  False (last error set) on any failure.
bool eject_drive(char letter);

// The local computer's name, when the system reports one.
std::optional<std::string> computer_name();

// Forgets a network connection for `path` so that a later access connects again
// (after a logon failure); nothing to do where connections are not kept.
void cancel_connection(std::string_view path);

}  // namespace velmora::platform
