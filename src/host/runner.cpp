#include "host/runner.hpp"

#include <cstring>
#include <memory>
#include <new>

#include "host/call.hpp"
#include "host/catalogue.hpp"
#include "host/host_api.hpp"
#include "host/shared_state.hpp"
#include "image/engine.hpp"
#include "params/builder.hpp"
#include "platform/host_services.hpp"

namespace velmora::host {

namespace {

enum class CallForm { None = 0, Current = 1, Legacy = 2 };

// Module-wide call frame: calls never overlap (everything runs on the host's thread).
struct CallFrame {
  CallForm form = CallForm::None;
  std::optional<std::string> result;
  params::Store store;
};

CallFrame& frame() {
  static CallFrame f;
  return f;
}

// The work block: the text, its terminator and the parser's scratch area.  The 32-bit
// host lends it from its memory services; 64-bit hosts have none, so it comes from the
// module's own heap there (and when no host record is set: tests that run handlers
// directly).  Our own host can make that heap fail on purpose.
class WorkBlock {
 public:
  explicit WorkBlock(std::size_t size) {
#if FMX_RECORD_HAS_MEMORY_SERVICES
    FMX_ExternCallStruct* r = record();
    if (r != nullptr && r->cNewPointer != nullptr) {
      if (size > 0x7FFFFFFFu) {
        error_ = kMemFull;
        return;
      }
      data_ = static_cast<char*>(r->cNewPointer(static_cast<std::int32_t>(size)));
      host_ = true;
      error_ = r->cMemoryError ? r->cMemoryError() : kNoErr;
      if (error_ == kNoErr && data_ == nullptr) error_ = kMemFull;
      return;
    }
#endif
    const VLM_HostServices* services = platform::host_services();
    if (services != nullptr && services->blockFaultDue() != 0) {
      error_ = kMemFull;
      return;
    }
    data_ = new (std::nothrow) char[size];
    error_ = data_ ? kNoErr : kMemFull;
  }
  ~WorkBlock() {
    if (data_ == nullptr) return;
#if FMX_RECORD_HAS_MEMORY_SERVICES
    if (host_) {
      FMX_ExternCallStruct* r = record();
      r->cDisposePointer(data_);
      if (r->cMemoryError) (void)r->cMemoryError();
      return;
    }
#endif
    delete[] data_;
  }
  WorkBlock(const WorkBlock&) = delete;
  WorkBlock& operator=(const WorkBlock&) = delete;
  char* data() const {
    return data_;
  }
  Err error() const {
    return error_;
  }

 private:
  char* data_ = nullptr;
#if FMX_RECORD_HAS_MEMORY_SERVICES
  bool host_ = false;
#endif
  Err error_ = kNoErr;
};

// The store is released after every call, whichever way the call ends.
struct StoreRelease {
  params::Store& store;
  ~StoreRelease() { store.release(); }
};

Err step_once(const FunctionEntry& entry, Call& call) {
  if (entry.missing_state != 0) {
    SharedState* shared = shared_state();
    if (shared == nullptr) return entry.missing_state;
    call.shared = shared;
  }
  const Err code = entry.step(call);
  if (code == kNoErr && entry.id == 37) set_progress_active(true);
  if (code == kNoErr && entry.id == 39) set_progress_active(false);
  return code;
}

// Begin, one step per record, end.  Exceptions thrown by a handler become codes here so
// that the envelope reaches the caller.
Err dispatch(int function_id, params::Store& store) {
  const FunctionEntry* entry = function_entry(function_id);
  Call call(store, function_id);
  Err code = kNoErr;
  try {
    if (entry == nullptr) {
      code = kParamErr;
    } else {
      if (entry->begin) code = entry->begin(call);
      while (code == kNoErr) {
        code = step_once(*entry, call);
        if (code != kNoErr || !store.next_record()) break;
      }
    }
  } catch (const std::bad_alloc&) {
    code = kMemFull;
  } catch (...) {
    code = kGeneralErr;
  }
  if (entry != nullptr && entry->end) {
    try {
      code = entry->end(call, code);
    } catch (const std::bad_alloc&) {
      code = kMemFull;
    } catch (...) {
      code = kGeneralErr;
    }
  }
  return code;
}

void deliver(std::string_view answer, const FMX_DataVect* parameters, FMX_Data* result) {
  Text text;
  text.assign_bytes(answer, FMX_ENC_SJIS);
  ErrorRecord err;
  const FMX_Data* first = FM_DataVect_At(parameters, 0, &err);
  check(err);
  const FMX_Locale* locale = FM_Data_GetLocale(first, &err);
  check(err);
  const std::int16_t refused =
      FM_Data_SetAsText(result, text.get(), locale, FMX_DATATYPE_TEXT, &err);
  check(err);
  if (refused != 0) throw HostError();
}

Err set_result_bytes(const char* bytes, std::size_t length) {
  CallFrame& f = frame();
  if (f.form != CallForm::Legacy) {
    f.result.emplace(bytes, length);
    return kNoErr;
  }
#if !FMX_RECORD_HAS_MEMORY_SERVICES
  return kGeneralErr;  // no legacy form without the host's handles
#else
  FMX_ExternCallStruct* r = record();
  auto handle = reinterpret_cast<FMX_Handle>(r->result);
  if (handle == nullptr) {
    handle = r->cNewHandle(0);
    r->result = reinterpret_cast<std::uintptr_t>(handle);
    if (handle == nullptr) return r->cMemoryError() ? r->cMemoryError() : kMemFull;
  }
  r->cSetHandleSize(handle, static_cast<std::int32_t>(length));
  if (const Err e = r->cMemoryError(); e != kNoErr) return e;
  r->cLockHandle(handle);
  if (length > 0) std::memcpy(*handle, bytes, length);
  r->cUnlockHandle(handle);
  return kNoErr;
#endif
}

}  // namespace

std::string build_envelope(Err code, const params::Store& store, bool parsed) {
  params::Builder b;
  b.text("ERROR=").integer(code);
  if (code < 0) {
    const auto k = static_cast<std::uint16_t>(-static_cast<int>(code) - 1);
    const std::string message = image::engine::indexed_string(23000 + k / 100, k % 100 + 1);
    if (!message.empty()) b.text(" MESSAGE='").text(message).text("'");
  }
  if (parsed && (store.record_number() > 1 || !store.rest_empty())) {
    b.text(" ARGS=").integer(store.record_number());
  }
  return b.take();
}

Err run_handlers(int function_id, std::string_view parameter) {
  CallFrame& f = frame();
  // The work block is sized from the true length, so parameters of any length work.
  const std::size_t n = parameter.size();
  WorkBlock block(2 * n + 2);
  Err code = block.error();
  bool parsed = false;
  StoreRelease release{f.store};
  if (code == kNoErr) {
    std::memcpy(block.data(), parameter.data(), n);
    block.data()[n] = '\0';
    f.store.prepare();
    f.store.parse_first(block.data(), block.data() + n + 1);
    parsed = true;
    code = dispatch(function_id, f.store);
  }
  if (code != kNoErr) {
    const std::string envelope = build_envelope(code, f.store, parsed);
    // A legacy result handle that could not be made or sized would leave the caller an
    // empty answer, which reads as success: the envelope is tried again, and then its
    // shortest form, so that a passing memory shortage does not hide the failure.
    if (set_result_bytes(envelope.data(), envelope.size()) != kNoErr &&
        set_result_bytes(envelope.data(), envelope.size()) != kNoErr) {
      const std::string bare = "ERROR=" + std::to_string(code);
      set_result_bytes(bare.data(), bare.size());
    }
  }
  return code;
}

Err run_current(int function_id, const FMX_DataVect* parameters, FMX_Data* result) noexcept {
  // The server calls from several threads; the call frame is the module's one.
  std::lock_guard hold(call_lock());
  CallFrame& f = frame();
  Err code = kNoErr;
  try {
    image::engine::Session engine;
    f.form = CallForm::Current;
    f.result.reset();
    try {
      Text copy;
      ErrorRecord err;
      const FMX_Text* argument = FM_DataVect_AtAsText(parameters, 0, &err);
      check(err);
      copy.set_from(argument);
      // Code page 932 whatever the host's native encoding: native is UTF-8 on Linux and
      // the ANSI code page on most Windows systems, and the module's text is Shift-JIS.
      code = run_handlers(function_id, copy.cp932_bytes());
    } catch (const std::bad_alloc&) {
      code = kMemFull;
    } catch (...) {
      code = kGeneralErr;
    }
    if (code != kNoErr && !f.result) {
      // The parameter could not even be fetched: the envelope has no ARGS.
      params::Store none;
      const std::string envelope = build_envelope(code, none, false);
      f.result.emplace(envelope);
    }
    if (f.result) {
      try {
        deliver(*f.result, parameters, result);
      } catch (...) {
        // One more try with the envelope, for a delivery that ran out of memory.
        params::Store none;
        const std::string envelope = build_envelope(kMemFull, none, false);
        try {
          deliver(envelope, parameters, result);
        } catch (...) {
        }
      }
    }
  } catch (...) {
    code = kMemFull;
  }
  f.result.reset();
  f.form = CallForm::None;
  return code;
}

#if FMX_RECORD_HAS_MEMORY_SERVICES
Err run_legacy() noexcept {
  std::lock_guard hold(call_lock());
  CallFrame& f = frame();
  Err code = kNoErr;
  try {
    image::engine::Session engine;
    f.form = CallForm::Legacy;
    FMX_ExternCallStruct* r = record();
    const int function_id = static_cast<int>(r->parm2);
    auto handle = reinterpret_cast<FMX_Handle>(r->parm3);
    std::string bytes;
    if (handle != nullptr) {
      const std::int32_t size = r->cGetHandleSize(handle);
      if (size > 0) {
        r->cLockHandle(handle);
        bytes.assign(*handle, static_cast<std::size_t>(size));
        r->cUnlockHandle(handle);
      }
    }
    bytes.resize(std::strlen(bytes.c_str()));
    code = run_handlers(function_id, bytes);
  } catch (const std::bad_alloc&) {
    code = kMemFull;
  } catch (...) {
    code = kGeneralErr;
  }
  f.form = CallForm::None;
  return code;
}
#endif

std::recursive_mutex& call_lock() {
  static std::recursive_mutex lock;
  return lock;
}

std::optional<std::string> take_result() {
  std::optional<std::string> out;
  out.swap(frame().result);
  return out;
}

void free_result() {
  frame().result.reset();
}

Err set_result(std::string_view bytes) {
  return set_result_bytes(bytes.data(), bytes.size());
}

Err set_result(const char* text) {
  if (text == nullptr) return kParamErr;
  return set_result_bytes(text, std::strlen(text));
}

Err set_result_pstring(const unsigned char* p) {
  if (p == nullptr) return kParamErr;
  return set_result_bytes(reinterpret_cast<const char*>(p + 1), p[0]);
}

}  // namespace velmora::host
