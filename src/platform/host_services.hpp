// The services only our own host offers (its document window, its host-kept clipboard,
// memory-failure injection), found at run time: null in the real host, which has none.
#pragma once
#include <fmx/FMHostServices.h>

namespace velmora::platform {

const VLM_HostServices* host_services();

// The host's document window, or null when the host shows none or is not ours.
const FMX_DocumentWindow* host_document_window();

}  // namespace velmora::platform
