// The services only our own host offers (its document window, its host-kept clipboard,
// memory-failure injection), found at run time: null in the real host, which has none.
#pragma once
#include <fmx/FMHostServices.h>

namespace velmora::platform {

const VLM_HostServices* host_services();

// The host's document window: our host's table when the host is ours, else the real
// host's window found by the system's own means (none on a Linux server); null when
// there is none.
const FMX_DocumentWindow* host_document_window();

// The real host's window as a table of the same shape, by the system's own means; one
// backend file per system.
const FMX_DocumentWindow* system_document_window();

// The host's interface version, told at initialisation: the real host's window layout
// depends on it.
void remember_host_version(int version);
int host_version();

}  // namespace velmora::platform
