// Replacing a whole file on Windows: a new file beside the destination, flushed, then
// moved over it in one step (MoveFileEx replaces atomically on one volume).
#include "platform/file_write.hpp"

#include <atomic>

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

std::atomic<unsigned> g_counter{0};

bool write_all(HANDLE h, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t left = bytes.size() - done;
    const DWORD want = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD wrote = 0;
    if (!WriteFile(h, bytes.data() + done, want, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return FlushFileBuffers(h) != 0;
}

}  // namespace

bool replace_file(std::string_view native_path, std::span<const std::uint8_t> bytes) {
  const std::wstring target = win::wide(native_path);
  const std::wstring temp = target + L".~" + std::to_wstring(GetCurrentProcessId()) + L"." +
                            std::to_wstring(g_counter.fetch_add(1));
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return win::fail_last();
  const bool written = write_all(h, bytes);
  const DWORD write_error = GetLastError();
  CloseHandle(h);
  if (written && MoveFileExW(temp.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  const DWORD error = written ? GetLastError() : write_error;
  DeleteFileW(temp.c_str());
  return win::fail(error == 0 ? winerr::kAccessDenied : error);
}

}  // namespace velmora::platform
