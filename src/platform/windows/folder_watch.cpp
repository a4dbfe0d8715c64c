// Windows backend of the folder watch: a change notification handle, polled.
#include "platform/folder_watch.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {
namespace {

class NotificationWatch final : public FolderWatch {
 public:
  explicit NotificationWatch(HANDLE h) : handle_(h) {}
  ~NotificationWatch() override { FindCloseChangeNotification(handle_); }
  bool changed() override {
    if (!changed_) changed_ = WaitForSingleObject(handle_, 0) != WAIT_TIMEOUT;
    return changed_;
  }

 private:
  HANDLE handle_;
  bool changed_ = false;
};

}  // namespace

std::unique_ptr<FolderWatch> watch_folder(std::string_view folder) {
  // Network drives report their changes unreliably: nothing is kept for them.
  std::wstring root = win::wide(folder);
  if (root.size() >= 2 && root[0] == L'\\' && root[1] == L'\\') return nullptr;
  if (root.size() >= 2 && root[1] == L':' &&
      GetDriveTypeW((root.substr(0, 2) + L"\\").c_str()) == DRIVE_REMOTE) {
    return nullptr;
  }
  HANDLE h = FindFirstChangeNotificationW(
      root.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<NotificationWatch>(h);
}

}  // namespace velmora::platform
