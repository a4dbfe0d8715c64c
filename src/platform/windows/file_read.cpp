// Reading an existing file on Windows, shared with every other reader and writer.
#include "platform/file_read.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

bool InputFile::open(std::string_view native_path) {
  close();
  HANDLE h = CreateFileW(win::wide(native_path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return win::fail_last();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) {
    win::fail_last();
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

bool InputFile::read_at(std::uint64_t offset, void* dst, std::size_t n) {
  if (handle_ < 0) return win::fail(winerr::kInvalidHandle);
  auto* out = static_cast<unsigned char*>(dst);
  while (n > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD want = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), out, want, &got, &at)) {
      return win::fail_last();
    }
    if (got == 0) return win::fail(winerr::kHandleEof);
    out += got;
    offset += got;
    n -= got;
  }
  return true;
}

void InputFile::close() {
  if (handle_ >= 0) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
  size_ = 0;
}

}  // namespace velmora::platform
