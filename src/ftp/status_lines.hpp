// The debugger-output lines that narrate an FTP transfer, one per session status.
#pragma once
#include <string_view>

#include "platform/ftp.hpp"

namespace velmora::ftp {

// The line (UTF-8, ending in ".\n") for a status; empty for statuses that write nothing.
std::string_view status_line(platform::FtpStatus status);

// Writes the lines of one notification to the debugger output, in native text.
void report_status(platform::FtpStatus status, platform::FtpContext context);

}  // namespace velmora::ftp
