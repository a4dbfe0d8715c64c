// The host's side of one loaded module: the call record of this platform's layout, the
// life-cycle events and function calls (in the legacy form too, where 32-bit hosts have
// it).
#pragma once

#include <fmx/FMHostServices.h>

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::fmhost {

// Why a call could not be made (the function's own errors are its result text).
enum class CallStatus { Ok, UnknownFunction, HostFailure };

struct CallOutcome {
  CallStatus status = CallStatus::Ok;
  std::string result;  // UTF-8
  std::string message;
};

class Host {
 public:
  Host() = default;
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Loads the module and finds its entry; answers an explanation on failure.
  std::optional<std::string> load(const std::string& path);
  // Selector 0; answers the module's init answer.
  std::intptr_t initialise(std::int16_t host_version);
  void idle(int level);
  void shutdown();
  // Selector 7 with a buffer of `units` UTF-16 units; the answer in UTF-8.
  std::string string_request(int number, std::uint32_t units);
  CallOutcome call(const std::string& name, const std::string& parameter, bool legacy);

 private:
  void send(std::uint8_t selector);
  CallOutcome call_current(FMX_ExternCallPtr function, std::int16_t id,
                           const std::string& parameter);
#if FMX_RECORD_HAS_MEMORY_SERVICES
  CallOutcome call_legacy(std::int16_t id, const std::string& parameter);
#endif

  void* library_ = nullptr;
  FMX_ExternCallProcPtr entry_ = nullptr;
  FMX_ExternCallStruct record_{};
  std::u16string version_text_;
  bool initialised_ = false;
};

// Text conversions through the host library (the same code the module's texts use).
std::string utf16_to_utf8(const std::u16string& units);
std::string utf8_to_cp932(const std::string& utf8);
std::string cp932_to_utf8(const std::string& cp932);

}  // namespace velmora::fmhost
