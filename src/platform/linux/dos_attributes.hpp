// Linux backend only: the Windows attributes of a host file, from its mode, its name and
// the DOS attribute Samba and Wine keep in the user.DOSATTRIB extended attribute.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fs.hpp"

namespace velmora::platform::linux_backend {

// The DOS attribute bits recorded for `host_path` (text form "0x22"); -1 when none.
std::int64_t stored_dos_attributes(const std::string& host_path);

// Parses the text form of user.DOSATTRIB ("0x2", "0x22"); -1 when it is not one.
std::int64_t parse_dos_attributes(std::string_view value);

// Attributes from the parts a status query gives.
std::uint32_t windows_attributes(bool is_directory, std::uint32_t mode, std::string_view name,
                                 std::int64_t stored);

// Fills an entry (attributes, size, times) from a host path; false (last error set) when
// the item cannot be queried.  The name is left alone.
bool fill_entry(const std::string& host_path, std::string_view host_name, FileEntry& out);

}  // namespace velmora::platform::linux_backend
