// The module's entry point: initialisation, idle, legacy calls, shutdown, strings.
#pragma once
#include <fmx/FMWrapper.h>

namespace velmora::host {

void extern_call_proc(FMX_ExternCallStruct* record) noexcept;

}  // namespace velmora::host
