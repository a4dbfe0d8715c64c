// The host's table of external functions: what modules register, in registration order,
// and the host program's view of it.
#include <fmx/FMHostServices.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "encoding.hpp"
#include "objects.hpp"

namespace velmora::fmw {

namespace {

struct Registration {
  std::array<char, 4> plugin{};
  std::int16_t id = 0;
  std::string name;         // UTF-8
  std::string prototype;    // UTF-8
  std::string description;  // UTF-8; empty when registered without one
  std::int16_t min_args = 0;
  std::int16_t max_args = 0;
  std::uint32_t flags = 0;
  FMX_ExternCallPtr function = nullptr;
};

std::mutex g_mutex;
std::vector<Registration>& table() {
  static std::vector<Registration> t;
  return t;
}

auto find(std::vector<Registration>& t, const std::array<char, 4>& plugin, std::int16_t id) {
  return std::find_if(t.begin(), t.end(),
                      [&](const Registration& r) { return r.plugin == plugin && r.id == id; });
}

char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

// Copies UTF-8 into a caller's buffer, cut at a character boundary and terminated.
void copy_out(const std::string& s, char* out, std::uint32_t size) {
  if (out == nullptr || size == 0) return;
  const std::size_t n = whole_characters(s, size - 1, FMX_ENC_UTF8);
  std::memcpy(out, s.data(), n);
  out[n] = '\0';
}

}  // namespace

}  // namespace velmora::fmw

using namespace velmora::fmw;

extern "C" {

FMX_API int16_t FM_ExprEnv_RegisterExternalFunctionEx(
    const FMX_QuadChar* pluginId, int16_t functionId, const FMX_Text* name,
    const FMX_Text* prototype, const FMX_Text* description, int16_t minArgs, int16_t maxArgs,
    uint32_t flags, FMX_ExternCallPtr function, FMX_ErrorRecord* err) {
  FMX_ErrorRecord local{FMX_ERROR_RECORD_VERSION, 0};
  guarded_void(&local, [&] {
    Registration r;
    r.plugin = require(pluginId).chars;
    r.id = functionId;
    r.name = encode(require(name).units, FMX_ENC_UTF8);
    r.prototype = encode(require(prototype).units, FMX_ENC_UTF8);
    if (description != nullptr) r.description = encode(description->units, FMX_ENC_UTF8);
    r.min_args = minArgs;
    r.max_args = maxArgs;
    r.flags = flags;
    if (function == nullptr) throw BadArgument{};
    r.function = function;
    if (r.name.empty() || minArgs < 0 || maxArgs < minArgs) throw BadArgument{};
    std::lock_guard lock(g_mutex);
    auto& t = table();
    auto it = find(t, r.plugin, r.id);
    if (it != t.end()) {
      *it = std::move(r);
    } else {
      t.push_back(std::move(r));
    }
  });
  set_error(err, local.code);
  return static_cast<int16_t>(local.code);
}

FMX_API int16_t FM_ExprEnv_RegisterExternalFunction(const FMX_QuadChar* pluginId,
                                                    int16_t functionId, const FMX_Text* name,
                                                    const FMX_Text* prototype, int16_t minArgs,
                                                    int16_t maxArgs, uint32_t flags,
                                                    FMX_ExternCallPtr function,
                                                    FMX_ErrorRecord* err) {
  return FM_ExprEnv_RegisterExternalFunctionEx(pluginId, functionId, name, prototype, nullptr,
                                               minArgs, maxArgs, flags, function, err);
}

FMX_API int16_t FM_ExprEnv_UnRegisterExternalFunction(const FMX_QuadChar* pluginId,
                                                      int16_t functionId, FMX_ErrorRecord* err) {
  FMX_ErrorRecord local{FMX_ERROR_RECORD_VERSION, 0};
  guarded_void(&local, [&] {
    const auto& plugin = require(pluginId).chars;
    std::lock_guard lock(g_mutex);
    auto& t = table();
    auto it = find(t, plugin, functionId);
    if (it == t.end()) throw BadArgument{};
    t.erase(it);
  });
  set_error(err, local.code);
  return static_cast<int16_t>(local.code);
}

FMX_API uint32_t FMW_Host_FunctionCount(void) {
  std::lock_guard lock(g_mutex);
  return static_cast<uint32_t>(table().size());
}

FMX_API int32_t FMW_Host_FunctionAt(uint32_t index, int16_t* id, char* name, uint32_t nameSize,
                                    char* prototype, uint32_t prototypeSize,
                                    FMX_ExternCallPtr* function) {
  std::lock_guard lock(g_mutex);
  const auto& t = table();
  if (index >= t.size()) return 0;
  const Registration& r = t[index];
  if (id != nullptr) *id = r.id;
  copy_out(r.name, name, nameSize);
  copy_out(r.prototype, prototype, prototypeSize);
  if (function != nullptr) *function = r.function;
  return 1;
}

FMX_API int32_t FMW_Host_FunctionDescription(uint32_t index, char* description,
                                             uint32_t descriptionSize) {
  std::lock_guard lock(g_mutex);
  const auto& t = table();
  if (index >= t.size()) return 0;
  copy_out(t[index].description, description, descriptionSize);
  return 1;
}

FMX_API int32_t FMW_Host_FindFunction(const char* name, int16_t* id, FMX_ExternCallPtr* function) {
  if (name == nullptr) return 0;
  std::lock_guard lock(g_mutex);
  for (const Registration& r : table()) {
    if (!same_name(r.name, name)) continue;
    if (id != nullptr) *id = r.id;
    if (function != nullptr) *function = r.function;
    return 1;
  }
  return 0;
}

}  // extern "C"
