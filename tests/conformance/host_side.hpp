// What the conformance host program and its host library share beyond <fmx/FMWrapper.h>:
// the host-side calls that make the objects of a call (published names whose signatures
// are ours to choose: a module never imports them), and the expression environment's
// layout, through which the host program sees what the module registered.
#pragma once

#include <fmx/FMWrapper.h>

#include <atomic>
#include <string>
#include <vector>

struct Registration {
  std::string plugin;  // the four characters of the registering module
  int16_t id = 0;
  std::u16string name, prototype, description;
  bool described = false;  // registered with a description
  int16_t min_args = 0, max_args = 0;
  uint32_t flags = 0;
  FMX_ExternCallPtr function = nullptr;
};

struct FMX_ExprEnv {
  static constexpr uint32_t kTag = 0x454E5621u;
  uint32_t tag;
  std::vector<Registration>* functions;  // in registration order
  std::atomic<long>* live;               // host objects not deleted yet
};

extern "C" {
FMX_API FMX_Data* FM_Data_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_Data_Delete(FMX_Data* self, FMX_ErrorRecord* err);
FMX_API FMX_DataVect* FM_DataVect_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_DataVect_Delete(FMX_DataVect* self, FMX_ErrorRecord* err);
// Appends a copy of `data`.
FMX_API void FM_DataVect_PushBack(FMX_DataVect* self, const FMX_Data* data, FMX_ErrorRecord* err);
FMX_API FMX_ExprEnv* FM_ExprEnv_Constructor1(FMX_ErrorRecord* err);
FMX_API void FM_ExprEnv_Delete(FMX_ExprEnv* self, FMX_ErrorRecord* err);
}
