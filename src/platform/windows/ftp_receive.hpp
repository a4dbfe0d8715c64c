// Receiving one remote file on Windows with every stall bounded: the internet library's
// own time-outs cover each socket wait, but not a server that drips a byte now and then
// into a read that waits for its whole buffer.
#pragma once
#include <cstdint>

#include "platform/windows/win32.hpp"

namespace velmora::platform::win {

// Copies what the open FTP file `request` delivers into `file` until its end.  Every
// `timeout_ms` at least a kilobyte must arrive, else the transfer ends with the time-out
// code.  `request` is closed before it answers, whatever the outcome.
std::uint32_t receive_ftp_file(HINTERNET request, HANDLE file, std::uint32_t timeout_ms);

}  // namespace velmora::platform::win
