// The 42 external functions by ID: dispatch shape and handlers.  The ID is the only key
// the module uses; names and prototypes come from the string tables.
#pragma once
#include <array>
#include <cstdint>

#include "host/call.hpp"

namespace velmora::host {

inline constexpr int kFunctionCount = 42;

using BeginHandler = Err (*)(Call&);
using StepHandler = Err (*)(Call&);
using EndHandler = Err (*)(Call&, Err);

struct FunctionEntry {
  int id;
  StepHandler step;
  BeginHandler begin;  // null: no begin handler
  EndHandler end;      // null: no end handler
  Err missing_state;   // non-zero: the step needs the shared state, else this code
};

const FunctionEntry* function_entry(int id);

// Registration order; unregistration swaps 9 and 10.
inline constexpr std::array<int, kFunctionCount> kRegistrationOrder = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 28, 29, 30, 31, 14, 15, 16,
    17, 18, 19, 20, 21, 22, 23, 24, 32, 33, 34, 35, 36, 25, 26, 27, 37, 38, 39, 41, 40};
inline constexpr std::array<int, kFunctionCount> kUnregistrationOrder = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 9,  11, 12, 13, 28, 29, 30, 31, 14, 15, 16,
    17, 18, 19, 20, 21, 22, 23, 24, 32, 33, 34, 35, 36, 25, 26, 27, 37, 38, 39, 41, 40};

}  // namespace velmora::host
