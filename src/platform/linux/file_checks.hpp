// Linux backend only: the checks every backend call makes before it opens or names an
// item, so that no FIFO, socket or device is read as a file and no name is made that
// Windows would refuse.
#pragma once
#include <string>
#include <string_view>

namespace velmora::platform::linux_backend {

// Opens an existing regular file for reading.  The type is checked before the open (a
// FIFO would block, a device may act on being opened) and again on the descriptor,
// which is opened non-blocking for the moment between the two.  The descriptor, or -1:
// `err` is then the errno of the call that failed, or 0 when the item is a folder, FIFO,
// socket or device (last error 5 set).
int open_regular(const std::string& host_path, int& err);

// False, with last error 123, when the last component of a native path is empty or holds
// a character Windows never allows in a name (\ / : * ? " < > | or a control character).
// Second bytes of double-byte characters are never taken for one.
bool name_allowed(std::string_view native_path);

}  // namespace velmora::platform::linux_backend
