// The function runner every call passes through: fetch the parameter, parse it, run the
// handlers per record, turn a failure into the error envelope, deliver the answer.
#pragma once
#include <fmx/FMWrapper.h>

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "host/errors.hpp"
#include "params/parser.hpp"

namespace velmora::host {

// The current runner, called by the 42 function entries.  Never throws.
Err run_current(int function_id, const FMX_DataVect* parameters, FMX_Data* result) noexcept;
#if FMX_RECORD_HAS_MEMORY_SERVICES
// The legacy runner (selector 3, 32-bit hosts only): ID and parameter handle from the
// saved call record.
Err run_legacy() noexcept;
#endif

// Held around every use of the call frame and the shared state: function calls, and the
// entry point's events.  Recursive, because a dialog's event loop may deliver an idle
// event on the same thread.
std::recursive_mutex& call_lock();

// Runs the handlers of `function_id` over a parameter text, as both runners do after
// fetching it.  Fills the call frame's result text.  Exposed for tests and benchmarks.
Err run_handlers(int function_id, std::string_view parameter);

// The error envelope for a code after a parse: ERROR=, MESSAGE=, ARGS=.
std::string build_envelope(Err code, const params::Store& store, bool parsed);

// The result text held by the call frame, taken (and forgotten).
std::optional<std::string> take_result();
// Frees a result text still held (shutdown).
void free_result();

}  // namespace velmora::host
