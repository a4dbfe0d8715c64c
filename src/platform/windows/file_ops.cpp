// Changing the file system on Windows.  The system's calls already refuse to overwrite
// and already answer the numbers the seam promises (80, 183, 145, 267, ...).
#include "platform/file_ops.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

bool copy_file(std::string_view from, std::string_view to) {
  const std::wstring source = win::wide(from);
  const std::wstring target = win::wide(to);
  // CopyFile keeps the modification time and the attributes.
  if (CopyFileExW(source.c_str(), target.c_str(), nullptr, nullptr, nullptr,
                  COPY_FILE_FAIL_IF_EXISTS)) {
    return true;
  }
  const DWORD error = GetLastError();
  // Whatever a failed copy left under the new name is ours: the name was free before.
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(target.c_str());
  }
  return win::fail(error == ERROR_ALREADY_EXISTS ? winerr::kFileExists : error);
}

bool copy_link(std::string_view from, std::string_view to) {
  const std::wstring source = win::wide(from);
  const std::wstring target = win::wide(to);
  if (CopyFileExW(source.c_str(), target.c_str(), nullptr, nullptr, nullptr,
                  COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK)) {
    return true;
  }
  const DWORD error = GetLastError();
  return win::fail(error == ERROR_ALREADY_EXISTS ? winerr::kFileExists : error);
}

namespace {

// The final path of an item (links and junctions resolved), or of its nearest existing
// folder with the rest appended; letters upper-cased for comparing.
std::wstring final_path(std::wstring path) {
  std::wstring tail;
  for (;;) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      wchar_t buffer[32768];
      const DWORD n = GetFinalPathNameByHandleW(h, buffer, 32768, FILE_NAME_NORMALIZED);
      CloseHandle(h);
      std::wstring out = n > 0 && n < 32768 ? std::wstring(buffer, n) : path;
      while (!out.empty() && out.back() == L'\\') out.pop_back();
      out += tail;
      CharUpperBuffW(out.data(), static_cast<DWORD>(out.size()));
      return out;
    }
    const auto slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return path + tail;
    tail = path.substr(slash) + tail;
    path.resize(slash);
  }
}

}  // namespace

bool same_or_inside(std::string_view inner, std::string_view outer) {
  const std::wstring a = final_path(win::wide(inner));
  const std::wstring b = final_path(win::wide(outer));
  return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == L'\\');
}

bool move_item(std::string_view from, std::string_view to) {
  const std::wstring source = win::wide(from);
  const std::wstring target = win::wide(to);
  const DWORD a = GetFileAttributesW(source.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return win::fail_last();
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return win::fail(winerr::kAlreadyExists);
  }
  // A file may move to another volume (the system copies, flushes and deletes); a folder
  // only within its own (17 otherwise).
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) flags |= MOVEFILE_COPY_ALLOWED;
  if (MoveFileExW(source.c_str(), target.c_str(), flags)) return true;
  const DWORD error = GetLastError();
  return win::fail(error == ERROR_FILE_EXISTS ? winerr::kAlreadyExists : error);
}

bool create_folder(std::string_view path) {
  return CreateDirectoryW(win::wide(path).c_str(), nullptr) ? true : win::fail_last();
}

bool remove_folder(std::string_view path) {
  return RemoveDirectoryW(win::wide(path).c_str()) ? true : win::fail_last();
}

bool delete_file(std::string_view path) {
  return DeleteFileW(win::wide(path).c_str()) ? true : win::fail_last();
}

// The system looks paths up in its own caches; there is nothing to remember here.
FolderPlaces::FolderPlaces() = default;
FolderPlaces::~FolderPlaces() = default;

}  // namespace velmora::platform
