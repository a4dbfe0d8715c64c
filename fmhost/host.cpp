#include "host.hpp"

#include <cstring>
#include <memory>
#include <vector>

#include "system.hpp"

namespace velmora::fmhost {

namespace {

// Host objects released whichever way a call ends.
struct TextDeleter {
  void operator()(FMX_Text* t) const {
    FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
    FM_Text_Delete(t, &err);
  }
};
struct DataDeleter {
  void operator()(FMX_Data* d) const {
    FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
    FM_Data_Delete(d, &err);
  }
};
struct VectDeleter {
  void operator()(FMX_DataVect* v) const {
    FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
    FM_DataVect_Delete(v, &err);
  }
};
using TextPtr = std::unique_ptr<FMX_Text, TextDeleter>;
using DataPtr = std::unique_ptr<FMX_Data, DataDeleter>;
using VectPtr = std::unique_ptr<FMX_DataVect, VectDeleter>;

struct HostFailure {
  std::string message;
};

void check(const FMX_ErrorRecord& err, const char* what) {
  if (err.code == FMX_ERR_NONE) return;
  throw HostFailure{std::string(err.code == FMX_ERR_MEMORY ? "out of memory: " : "host error: ") +
                    what};
}

TextPtr new_text() {
  FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  TextPtr t(FM_Text_Constructor1(&err));
  check(err, "creating a text");
  return t;
}

TextPtr text_from(const std::string& bytes, std::int32_t encoding) {
  TextPtr t = new_text();
  FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  FM_Text_AssignWithLength(t.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                           encoding, &err);
  check(err, "converting a text");
  return t;
}

std::string bytes_of(const FMX_Text* text, std::int32_t encoding) {
  FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  const std::uint32_t units = FM_Text_GetSize(text, &err);
  check(err, "measuring a text");
  // UTF-8 needs at most three bytes per UTF-16 unit, code page 932 two.
  std::vector<char> buffer(static_cast<std::size_t>(units) * 3 + 1, '\0');
  FM_Text_GetBytes(text, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0, 0xFFFFFFFFu,
                   encoding, &err);
  check(err, "converting a text");
  buffer.back() = '\0';
  return std::string(buffer.data());
}

}  // namespace

std::string utf16_to_utf8(const std::u16string& units) {
  TextPtr t = new_text();
  FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  FM_Text_AssignUnicode(t.get(), reinterpret_cast<const std::uint16_t*>(units.c_str()), &err);
  check(err, "converting a text");
  return bytes_of(t.get(), FMX_ENC_UTF8);
}

std::string utf8_to_cp932(const std::string& utf8) {
  return bytes_of(text_from(utf8, FMX_ENC_UTF8).get(), FMX_ENC_SJIS);
}

std::string cp932_to_utf8(const std::string& cp932) {
  return bytes_of(text_from(cp932, FMX_ENC_SJIS).get(), FMX_ENC_UTF8);
}

Host::~Host() {
  if (initialised_) shutdown();
  if (library_ != nullptr) close_library(library_);
}

std::optional<std::string> Host::load(const std::string& path) {
  std::string why;
  library_ = open_library(path, why);
  if (library_ == nullptr) return "cannot load module " + path + ": " + why;
  void* symbol = library_symbol(library_, "FMExternCallProc");
  if (symbol == nullptr) {
    close_library(library_);
    library_ = nullptr;
    return "module " + path + " has no FMExternCallProc entry";
  }
  entry_ = reinterpret_cast<FMX_ExternCallProcPtr>(symbol);
  return std::nullopt;
}

void Host::send(std::uint8_t selector) {
  record_.whichCall = selector;
  entry_(&record_);
}

std::intptr_t Host::initialise(std::int16_t host_version) {
  FMW_Host_InitCallRecord(&record_, host_version);
  record_.entryPoint = entry_;
  record_.instanceID = reinterpret_cast<std::uintptr_t>(library_);
  // As the desktop host introduces itself: its kind (1, the full application) and its
  // version as UTF-16 text.
  version_text_ = u"21.0.1";
  record_.parm1 = 1;
  record_.parm2 = reinterpret_cast<std::uintptr_t>(version_text_.c_str());
  record_.result = 0;
  send(FMX_CALL_INIT);
  record_.parm2 = 0;
  initialised_ = true;
  return static_cast<std::intptr_t>(static_cast<std::int32_t>(record_.result));
}

void Host::idle(int level) {
  record_.parm1 = static_cast<std::uint8_t>(level);
  record_.result = 0;
  send(FMX_CALL_IDLE);
}

void Host::shutdown() {
  if (!initialised_) return;
  initialised_ = false;
  record_.result = 0;
  send(FMX_CALL_SHUTDOWN);
}

std::string Host::string_request(int number, std::uint32_t units) {
  // One unit more than offered, always zero, so that an unterminated answer still ends.
  std::u16string buffer(static_cast<std::size_t>(units) + 1, u'\0');
  record_.parm1 = static_cast<std::uint8_t>(number);
  record_.parm2 = 0;
  record_.parm3 = units;
  record_.result = reinterpret_cast<std::uintptr_t>(buffer.data());
  send(FMX_CALL_GET_STRING);
  record_.result = 0;
  buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
  return utf16_to_utf8(buffer);
}

CallOutcome Host::call(const std::string& name, const std::string& parameter, bool legacy) {
  std::int16_t id = 0;
  FMX_ExternCallPtr function = nullptr;
  if (FMW_Host_FindFunction(name.c_str(), &id, &function) == 0) {
    return {CallStatus::UnknownFunction, {}, "unknown function " + name};
  }
  try {
#if FMX_RECORD_HAS_MEMORY_SERVICES
    if (legacy) return call_legacy(id, parameter);
#else
    if (legacy)
      return {CallStatus::HostFailure, {}, "the legacy call form exists only in 32-bit hosts"};
#endif
    return call_current(function, id, parameter);
  } catch (const HostFailure& f) {
    return {CallStatus::HostFailure, {}, f.message};
  } catch (const std::bad_alloc&) {
    return {CallStatus::HostFailure, {}, "out of memory"};
  }
}

CallOutcome Host::call_current(FMX_ExternCallPtr function, std::int16_t id,
                               const std::string& parameter) {
  TextPtr argument = text_from(parameter, FMX_ENC_UTF8);
  FMX_ErrorRecord err{FMX_ERROR_RECORD_VERSION, FMX_ERR_NONE};
  VectPtr arguments(FM_DataVect_Constructor1(&err));
  check(err, "creating the arguments");
  FMW_Host_PushBackText(arguments.get(), argument.get(), &err);
  check(err, "creating the arguments");
  DataPtr result(FM_Data_Constructor1(&err));
  check(err, "creating the result");

  (void)function(id, nullptr, arguments.get(), result.get());

  const FMX_Text* text = FM_Data_GetAsText(result.get(), &err);
  check(err, "reading the result");
  return {CallStatus::Ok, bytes_of(text, FMX_ENC_UTF8), {}};
}

#if FMX_RECORD_HAS_MEMORY_SERVICES
CallOutcome Host::call_legacy(std::int16_t id, const std::string& parameter) {
  const std::string native = utf8_to_cp932(parameter);
  FMX_Handle handle = record_.cNewHandle(static_cast<std::int32_t>(native.size()));
  if (handle == nullptr) throw HostFailure{"out of memory: creating the parameter handle"};
  std::memcpy(*handle, native.data(), native.size());

  record_.parm2 = static_cast<std::uint32_t>(static_cast<std::uint16_t>(id));
  record_.parm3 = reinterpret_cast<std::uintptr_t>(handle);
  record_.result = 0;
  send(FMX_CALL_EXTERNAL);

  auto answer = reinterpret_cast<FMX_Handle>(record_.result);
  std::string bytes;
  if (answer != nullptr) {
    const std::int32_t size = record_.cGetHandleSize(answer);
    if (record_.cMemoryError() == 0 && size > 0) {
      record_.cLockHandle(answer);
      bytes.assign(*answer, static_cast<std::size_t>(size));
      record_.cUnlockHandle(answer);
    }
    record_.cDisposeHandle(answer);
  }
  record_.cDisposeHandle(handle);
  record_.parm3 = 0;
  record_.result = 0;
  return {CallStatus::Ok, cp932_to_utf8(bytes), {}};
}
#endif

}  // namespace velmora::fmhost
