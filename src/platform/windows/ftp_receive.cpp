#include "platform/windows/ftp_receive.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/ftp.hpp"

namespace velmora::platform::win {

namespace {

// What the data connection must move in every time-out period to count as making
// progress, as on Linux.
constexpr DWORD kProgressBytes = 1024;

// Watches the bytes received from another thread.  A period without enough of them
// closes the request handle, which is how the internet library lets one end a read that
// is blocked inside it; the reader learns of it on its next return.
class StallWatch {
 public:
  StallWatch(HINTERNET request, std::uint32_t timeout_ms)
      : request_(request), period_(std::chrono::milliseconds(timeout_ms)) {
    thread_ = std::thread([this] { watch(); });
  }
  ~StallWatch() { finish(); }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;

  void moved(DWORD n) {
    const std::lock_guard<std::mutex> lock(mutex_);
    bytes_ += n;
  }

  bool fired() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return fired_;
  }

  // Stops the watch and closes the request unless the watch already did; answers whether
  // the watch had ended the transfer.
  bool finish() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (!fired_ && request_ != nullptr) InternetCloseHandle(request_);
    request_ = nullptr;
    return fired_;
  }

 private:
  void watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    std::uint64_t seen = bytes_;
    for (;;) {
      if (wake_.wait_for(lock, period_, [this] { return stopping_; })) return;
      if (bytes_ - seen < kProgressBytes) {
        fired_ = true;
        InternetCloseHandle(request_);
        return;
      }
      seen = bytes_;
    }
  }

  HINTERNET request_;
  const std::chrono::milliseconds period_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t bytes_ = 0;
  bool fired_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

bool write_all(HANDLE file, const char* data, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

std::uint32_t last_error_or(std::uint32_t fallback) {
  const DWORD error = GetLastError();
  return error == 0 ? fallback : error;
}

// Whether the server's last answer on this thread, the one to the transfer once its file
// handle is closed, says the transfer failed (426 cut off, 451 aborted, 550 ...).  No
// answer to read tells nothing.
bool transfer_refused() {
  DWORD detail = 0;
  wchar_t text[512];
  DWORD length = 512;
  if (!InternetGetLastResponseInfoW(&detail, text, &length) || length == 0) return false;
  std::wstring_view answer(text, std::min<DWORD>(length, 511));
  while (!answer.empty() && (answer.back() == L'\n' || answer.back() == L'\r')) {
    answer.remove_suffix(1);
  }
  const std::size_t start = answer.find_last_of(L'\n');
  const std::wstring_view last =
      start == std::wstring_view::npos ? answer : answer.substr(start + 1);
  return !last.empty() && (last.front() == L'4' || last.front() == L'5');
}

}  // namespace

std::uint32_t receive_ftp_file(HINTERNET request, HANDLE file, std::uint32_t timeout_ms) {
  StallWatch watch(request, timeout_ms);
  std::vector<char> buffer(kProgressBytes);
  std::uint32_t result = 0;
  for (;;) {
    // Reads of the progress unit: a read returns only once its buffer is full (or the
    // file ends), so a bigger one would hide progress from the watch.
    DWORD got = 0;
    if (!InternetReadFile(request, buffer.data(), kProgressBytes, &got)) {
      result = last_error_or(kFtpInternalError);
      break;
    }
    if (watch.fired() || got == 0) break;
    if (!write_all(file, buffer.data(), got)) {
      result = last_error_or(ERROR_WRITE_FAULT);
      break;
    }
    watch.moved(got);
  }
  if (watch.finish()) return kFtpTimeout;
  // The file's end is the end of the data connection, also when the server cut it off.
  if (result == 0 && transfer_refused()) return kFtpConnectionAborted;
  return result;
}

}  // namespace velmora::platform::win
