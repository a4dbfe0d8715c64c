// What a function handler sees of the call it serves: the parsed parameter and the
// result setter.  Handlers read only through params/readers.hpp and answer only here.
#pragma once
#include <string_view>

#include "host/errors.hpp"
#include "params/parser.hpp"

namespace velmora::host {

struct SharedState;

class Call {
 public:
  Call(params::Store& store, int function_id) : params(store), function_id(function_id) {}

  params::Store& params;
  const int function_id;
  // Per-call context made by a begin handler (IDs 0 to 2 only).
  void* context = nullptr;
  // The shared state block, for the handlers of the state-shaped IDs; may be null.
  SharedState* shared = nullptr;
};

// Result setter, three forms.  A later set replaces an earlier one within the call.
Err set_result(std::string_view bytes);
Err set_result(const char* text);                // -50 when text is null
Err set_result_pstring(const unsigned char* p);  // length byte, then the bytes; -50 for null

}  // namespace velmora::host
