// The services only our host offers, in the one table a module looks up at run time.  The
// real host has no such entry, so a module treats every service here as optional.
#include <fmx/FMHostServices.h>

#include "objects.hpp"

namespace velmora::fmw {

namespace {

int32_t block_fault() {
  return block_fault_due() ? 1 : 0;
}

constexpr VLM_HostServices kServices{
    sizeof(VLM_HostServices), document_window,       clipboard_host_kept,
    clipboard_format_count,   clipboard_format_name, clipboard_read,
    clipboard_empty,          clipboard_add,         block_fault,
};

}  // namespace

}  // namespace velmora::fmw

extern "C" FMX_API const VLM_HostServices* VelmoraHost_Services(void) {
  return &velmora::fmw::kServices;
}
