// The machine's drives on Windows: the system's drive list, types, labels and free
// space, and ejecting a medium the way the system's own eject does it (lock, dismount,
// allow removal, eject).
#include "platform/volumes.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

// "C:" and "C:\" name the same root; the calls want the final separator.
std::wstring root_of(std::string_view root) {
  std::wstring w = win::wide(root);
  if (!w.empty() && w.back() != L'\\') w += L'\\';
  return w;
}

bool control(HANDLE volume, DWORD code, void* in = nullptr, DWORD in_size = 0) {
  DWORD returned = 0;
  return DeviceIoControl(volume, code, in, in_size, nullptr, 0, &returned, nullptr) != 0;
}

}  // namespace

std::uint32_t logical_drive_mask() {
  const DWORD mask = GetLogicalDrives();
  if (mask == 0) win::fail_last();
  return mask;
}

std::vector<std::string> logical_drive_strings() {
  std::vector<std::string> out;
  const DWORD mask = GetLogicalDrives();
  if (mask == 0) {
    win::fail_last();
    return out;
  }
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    std::string root = "A:\\";
    root[0] = static_cast<char>('A' + i);
    out.push_back(root);
  }
  return out;
}

DriveType drive_type(std::string_view root) {
  const UINT type = GetDriveTypeW(root_of(root).c_str());
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

bool volume_information(std::string_view root, std::string* label, std::string* file_system) {
  wchar_t name[MAX_PATH + 1] = {};
  wchar_t fs[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root_of(root).c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr,
                             fs, MAX_PATH + 1)) {
    return win::fail_last();
  }
  if (label != nullptr) *label = win::narrow(name);
  if (file_system != nullptr) *file_system = win::narrow(fs);
  return true;
}

bool disk_free_space(std::string_view root, std::uint64_t& total, std::uint64_t& available) {
  ULARGE_INTEGER free_to_caller{}, total_bytes{}, free_total{};
  if (!GetDiskFreeSpaceExW(root_of(root).c_str(), &free_to_caller, &total_bytes, &free_total)) {
    return win::fail_last();
  }
  total = total_bytes.QuadPart;
  available = free_to_caller.QuadPart;
  return true;
}

bool eject_drive(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return win::fail(winerr::kInvalidDrive);
  const std::wstring root = std::wstring(1, static_cast<wchar_t>(letter)) + L":\\";
  const UINT type = GetDriveTypeW(root.c_str());
  if (type == DRIVE_NO_ROOT_DIR) return win::fail(winerr::kInvalidDrive);
  if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM) return win::fail(winerr::kNotSupported);
  const std::wstring device = L"\\\\.\\" + std::wstring(1, static_cast<wchar_t>(letter)) + L":";
  const DWORD access = type == DRIVE_CDROM ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  win::Handle volume(CreateFileW(device.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  if (!volume.valid()) return win::fail_last();
  // Nobody else may have a file open on it; a few tries ride out a brief use.
  bool locked = false;
  for (int attempt = 0; attempt < 10 && !locked; ++attempt) {
    locked = control(volume.get(), FSCTL_LOCK_VOLUME);
    if (!locked) Sleep(100);
  }
  if (!locked) return win::fail_last();
  if (!control(volume.get(), FSCTL_DISMOUNT_VOLUME)) {
    win::fail_last();
    control(volume.get(), FSCTL_UNLOCK_VOLUME);
    return false;
  }
  PREVENT_MEDIA_REMOVAL allow{};
  allow.PreventMediaRemoval = FALSE;
  if (!control(volume.get(), IOCTL_STORAGE_MEDIA_REMOVAL, &allow, sizeof allow) ||
      !control(volume.get(), IOCTL_STORAGE_EJECT_MEDIA)) {
    win::fail_last();
    control(volume.get(), FSCTL_UNLOCK_VOLUME);
    return false;
  }
  return true;
}

std::optional<std::string> computer_name() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return std::nullopt;
  return win::narrow(std::wstring_view(name, size));
}

void cancel_connection(std::string_view path) {
  // The share part of \\server\share\... is what the system keeps connected.
  std::wstring w = win::wide(path);
  if (w.size() < 3 || w.compare(0, 2, L"\\\\") != 0) return;
  const std::size_t server_end = w.find(L'\\', 2);
  if (server_end == std::wstring::npos) return;
  const std::size_t share_end = w.find(L'\\', server_end + 1);
  if (share_end != std::wstring::npos) w.resize(share_end);
  WNetCancelConnection2W(w.c_str(), 0, TRUE);
}

}  // namespace velmora::platform
