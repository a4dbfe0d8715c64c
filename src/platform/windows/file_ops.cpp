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
