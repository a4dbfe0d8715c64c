// The module's one export.  Everything else has hidden visibility.
#include <fmx/FMWrapper.h>

#include "host/entry.hpp"
#include "version_data.hpp"

extern "C" __attribute__((visibility("default"))) void FMX_ENTRYPT FMExternCallProc(
    FMX_ExternCallStruct* record) {
  velmora::host::extern_call_proc(record);
}

// The module's version block, read back from the module's file by VeUtl_Version.  Kept
// even though nothing in the code refers to it.
extern "C" __attribute__((used, visibility("hidden"))) const char velmora_version_block[] =
    VELMORA_VERSION_BLOCK;
