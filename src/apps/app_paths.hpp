// What LaunchApp and QuitApp share: checking a path argument and telling whether a
// running program is the one an APP path names.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/path_spec.hpp"
#include "host/errors.hpp"
#include "platform/processes.hpp"

namespace velmora::apps {

// An APP or DOC value as a resolved, existing file: the resolution error unchanged, -43
// for a folder or a missing item, -50 when the key is absent.
Err check_file(const char* value, files::PathSpec& out);

// True when two native paths name the same file as the system compares them: whole,
// ASCII letters in any case, the two bytes of a double-byte character compared as they
// stand (a second byte that happens to be a letter is not folded).
bool same_program_path(std::string_view a, std::string_view b);

// The identifiers of the processes in `all` whose executable is `program`.
std::vector<std::uint32_t> matching_processes(const std::vector<platform::ProcessEntry>& all,
                                              std::string_view program);

}  // namespace velmora::apps
