#include "host/entry.hpp"

#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "host/catalogue.hpp"
#include "host/host_api.hpp"
#include "host/runner.hpp"
#include "host/shared_state.hpp"
#include "platform/clipboard.hpp"
#include "platform/debug.hpp"
#include "platform/host_services.hpp"
#include "platform/module.hpp"
#include "platform/text.hpp"
#include "resources/descriptions.hpp"
#include "resources/strings.hpp"

namespace velmora::host {

namespace {

constexpr std::int16_t kOldestHost = FMX_VERSION_OLDEST;
constexpr std::int16_t kNewestHost = 255;
// The interface this module is built for: the 32-bit record with its memory services is
// the 8.0 interface; 64-bit records, without them, came with 53.  Later calls
// (descriptions) are used only when the host says it has them.
#if FMX_RECORD_HAS_MEMORY_SERVICES
constexpr std::int32_t kInitOk = FMX_VERSION_8_0;
#else
constexpr std::int32_t kInitOk = FMX_VERSION_64BIT;
#endif
constexpr std::int32_t kInitRefused = -1;
constexpr std::int32_t kInitFailed = -2;

// Each entry ignores the ID the host passes and runs its own; failures reach the caller
// only as the envelope, so the host always gets 0.
template <int Id>
std::int16_t FMX_ENTRYPT function_entry_for(std::int16_t, const FMX_ExprEnv*,
                                            const FMX_DataVect* parameters, FMX_Data* result) {
  (void)run_current(Id, parameters, result);
  return 0;
}

template <std::size_t... Ids>
constexpr std::array<FMX_ExternCallPtr, sizeof...(Ids)> make_entries(std::index_sequence<Ids...>) {
  return {&function_entry_for<static_cast<int>(Ids)>...};
}

constexpr auto kEntries = make_entries(std::make_index_sequence<kFunctionCount>{});

std::u16string utf16_string(int number) {
  const auto text = resources::module_string(number, platform::ui_language());
  if (!text) return {};
  return platform::native_to_utf16(platform::utf8_to_native(*text));
}

// The host's registration with descriptions, where the host is new enough to have it.
// Looked up rather than imported, so that the module still loads in older hosts.
FMX_RegisterExternalFunctionExProc register_with_description(std::int16_t host_version) {
  if (host_version < FMX_VERSION_DESCRIPTIONS) return nullptr;
  return reinterpret_cast<FMX_RegisterExternalFunctionExProc>(
      platform::host_symbol("FM_ExprEnv_RegisterExternalFunctionEx"));
}

void register_functions(std::int16_t host_version) {
  QuadChar plugin('V', 'I', 'm', 'g');
  Text name;
  Text prototype;
  Text description;
  Text open_paren;
  open_paren.assign_utf8("(");
  const FMX_RegisterExternalFunctionExProc register_ex = register_with_description(host_version);
  for (const int id : kRegistrationOrder) {
    std::u16string text = utf16_string(resources::kFirstPrototypeString + id);
    if (text.size() > 1023) text.resize(1023);
    prototype.assign_utf16(text);
    name.assign_utf16(text);
    const std::uint32_t at = name.find(open_paren, 0);
    if (at != 0xFFFFFFFFu) name.erase(at, 0xFFFFFFFFu);
    ErrorRecord err;
    const auto fid = static_cast<std::int16_t>(id);
    const FMX_ExternCallPtr entry = kEntries[static_cast<std::size_t>(id)];
    // A registration the host refuses is not the module's failure to report.
    if (register_ex != nullptr) {
      description.assign_utf8(resources::function_description(id));
      (void)register_ex(plugin.get(), fid, name.get(), prototype.get(), description.get(), 1, 1,
                        FMX_FUNCTION_FLAGS_DEFAULT, entry, &err);
    } else {
      (void)FM_ExprEnv_RegisterExternalFunction(plugin.get(), fid, name.get(), prototype.get(), 1,
                                                1, FMX_FUNCTION_FLAGS_DEFAULT, entry, &err);
    }
  }
}

void initialise(FMX_ExternCallStruct* r) {
  if (r->extnVersion < kOldestHost || r->extnVersion > kNewestHost) {
    r->result = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(kInitRefused));
    return;
  }
  std::int32_t answer = kInitOk;
  platform::remember_host_version(r->extnVersion);
  try {
    register_functions(r->extnVersion);
    if (!create_shared_state()) {
      release_shared_state();
      answer = kInitFailed;
    }
  } catch (...) {
    release_shared_state();
    answer = kInitFailed;
  }
  r->result = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(answer));
}

void shutdown() {
  try {
    QuadChar plugin('V', 'I', 'm', 'g');
    for (const int id : kUnregistrationOrder) {
      ErrorRecord err;
      (void)FM_ExprEnv_UnRegisterExternalFunction(plugin.get(), static_cast<std::int16_t>(id),
                                                  &err);
    }
  } catch (...) {
  }
  free_result();
  release_shared_state();
  platform::keep_clipboard_contents();
}

void answer_string(FMX_ExternCallStruct* r) {
  auto* buffer = reinterpret_cast<std::uint16_t*>(r->result);
  const auto size = static_cast<std::size_t>(r->parm3);
  if (buffer == nullptr || size == 0) return;
  const int number = r->parm1 == 131 ? resources::kOptionsString : r->parm1;
  const std::u16string text = utf16_string(number);
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n * sizeof(std::uint16_t));
  buffer[n] = 0;
}

void idle(FMX_ExternCallStruct* r) {
  if (r->parm1 != 1) return;
  idle_pump();
  platform::debug_output("FMXT_UserNotIdle\n");
}

}  // namespace

void extern_call_proc(FMX_ExternCallStruct* r) noexcept {
  // Events and function calls never interleave, whichever threads they come on.
  std::lock_guard hold(call_lock());
  set_record(r);
  if (r == nullptr) return;
  try {
    switch (r->whichCall) {
      case FMX_CALL_INIT:
        initialise(r);
        break;
      case FMX_CALL_IDLE:
        idle(r);
        break;
#if FMX_RECORD_HAS_MEMORY_SERVICES
      case FMX_CALL_EXTERNAL:
        (void)run_legacy();
        break;
#endif
      case FMX_CALL_SHUTDOWN:
        shutdown();
        break;
      case FMX_CALL_GET_STRING:
        answer_string(r);
        break;
      default:  // preferences, session and file shutdown: the module keeps nothing of them
        break;
    }
  } catch (...) {
  }
}

}  // namespace velmora::host
