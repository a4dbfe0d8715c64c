// Linux backend only: reading what /proc says about a process.  The texts come from the
// kernel but are treated as outside bytes: any length, any content.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::platform::linux_backend {

// The process id a /proc entry name stands for; none for anything but a plain decimal
// number that fits in 32 bits (self, thread-self, sys, ...).
std::optional<std::uint32_t> pid_from_proc_name(std::string_view name);

// The program file of a process from the text of its /proc/<pid>/exe link.  The kernel
// marks a file deleted or replaced since the start with " (deleted)"; that mark is
// dropped when nothing exists under the marked name (`marked_name_exists` false), so
// that a program updated while running still counts as the program at that path.
// None for a text that is not an absolute path.
std::optional<std::string_view> executable_from_link(std::string_view link,
                                                     bool marked_name_exists);

}  // namespace velmora::platform::linux_backend
