// Shared pieces of the Windows backend: native text (code page 932) to and from the
// UTF-16 the wide Win32 calls take, and the seam's last error taken from the system's.
#pragma once
// <windows.h> must come before the other system headers, so they are all included here.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <wincodec.h>
#include <winioctl.h>
#include <wininet.h>
#include <winnetwk.h>
// clang-format on

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fs.hpp"

namespace velmora::platform::win {

std::wstring wide(std::string_view native);
std::string narrow(std::wstring_view wide);
std::wstring wide_from_utf8(std::string_view utf8);
std::string utf8_from_wide(std::wstring_view wide);

// Records the system's last error as the seam's and answers false.
bool fail_last();
// Records `error` as the seam's last error and answers false.
bool fail(SysError error);

// FILETIME (100 ns since 1601) to and from the seam's UTC time.
FileTime from_filetime(const FILETIME& ft);

// The seam's entry for what a find or an attribute query reports.
FileEntry entry_from(const WIN32_FIND_DATAW& data);

// A handle closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  void reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_;
};

// COM initialised on this thread for the life of the object (apartment threading, as
// the shell and the dialogs want); harmless when the thread already has it.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

// A COM interface pointer released when it goes out of scope.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace velmora::platform::win
