// Linux backend only: a bounds check of a shortcut file's layout before liblnk reads it.
// liblnk trusts the sizes a file declares (a LinkInfo may claim 4 GB and be allocated),
// so every declared size is checked against the bytes that are really there.
#pragma once
#include <string_view>

namespace velmora::platform::linux_backend {

// True when the header, the ID list, the LinkInfo, the string data and the extra data
// blocks all lie within the bytes.
bool shortcut_layout_fits(std::string_view bytes);

}  // namespace velmora::platform::linux_backend
