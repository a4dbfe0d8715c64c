// The host objects behind the opaque handles of the C interface, and the guard that
// keeps every C entry point from letting an exception out.
#pragma once

#include <fmx/FMHostServices.h>

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

struct FMX_Text {
  std::u16string units;
};

// A locale is only carried from a parameter to a result; its value is an opaque number.
struct FMX_Locale {
  std::int32_t id = 0;
};

struct FMX_Data {
  FMX_Text text;
  FMX_Locale locale;
  bool set = false;
};

struct FMX_DataVect {
  std::vector<std::unique_ptr<FMX_Data>> items;
};

struct FMX_QuadChar {
  std::array<char, 4> chars{};
};

namespace velmora::fmw {

// Thrown for arguments the call cannot work with (null pointers, positions out of range);
// reported as FMX_ERR_GENERAL.
struct BadArgument {};

// The caller's record says which version it speaks; every version so far has the code
// right after it, so the code is written whatever the version.
inline void set_error(FMX_ErrorRecord* err, std::int32_t code) {
  if (err != nullptr) err->code = code;
}

// Runs `body` and turns what it throws into the error record: out of memory becomes
// FMX_ERR_MEMORY, anything else FMX_ERR_GENERAL; `fallback` is answered then.
template <typename R, typename F>
R guarded(FMX_ErrorRecord* err, R fallback, F&& body) noexcept {
  set_error(err, FMX_ERR_NONE);
  try {
    return body();
  } catch (const std::bad_alloc&) {
    set_error(err, FMX_ERR_MEMORY);
  } catch (...) {
    set_error(err, FMX_ERR_GENERAL);
  }
  return fallback;
}

template <typename F>
void guarded_void(FMX_ErrorRecord* err, F&& body) noexcept {
  (void)guarded<int>(err, 0, [&] {
    body();
    return 0;
  });
}

template <typename T>
T& require(T* p) {
  if (p == nullptr) throw BadArgument{};
  return *p;
}

// Fault injection (faults.cpp): each answers true when this call of its kind must fail.
bool block_fault_due();
bool handle_fault_due();
bool text_fault_due();

// What only our host offers, reached by modules through VelmoraHost_Services.
const FMX_DocumentWindow* document_window();
int32_t clipboard_host_kept();
uint32_t clipboard_format_count();
int32_t clipboard_format_name(uint32_t index, char* name, uint32_t nameSize);
int32_t clipboard_read(const char* name, uint8_t* data, uint64_t* size);
void clipboard_empty();
int32_t clipboard_add(const char* name, const uint8_t* data, uint64_t size);

// Throws std::bad_alloc when the injected text fault is due; FM_Text_* calls that
// allocate call it first.
inline void text_allocation() {
  if (text_fault_due()) throw std::bad_alloc();
}

}  // namespace velmora::fmw
