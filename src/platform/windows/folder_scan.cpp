// Quick folder listings on Windows: one search with the basic information level (no
// short names), which the system fills from the folder itself.
#include "platform/folder_scan.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

bool scan_folder(std::string_view folder, std::vector<ScanEntry>& out, ScanFor) {
  out.clear();
  std::wstring path = win::wide(folder);
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return win::fail(error == ERROR_FILE_NOT_FOUND ? winerr::kPathNotFound : error);
  }
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) return win::fail(winerr::kDirectory);
  if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
  path += L'*';
  WIN32_FIND_DATAW data{};
  HANDLE h = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) {
    // An empty root has not even "." to report.
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    return win::fail_last();
  }
  do {
    const wchar_t* n = data.cFileName;
    if ((n[0] == L'.' && n[1] == L'\0') || (n[0] == L'.' && n[1] == L'.' && n[2] == L'\0')) {
      continue;
    }
    ScanEntry e;
    e.name = win::narrow(n);
    e.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
             (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
              data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    // The search reports the attributes with every entry, so every purpose gets them.
    e.hidden = (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    out.push_back(std::move(e));
  } while (FindNextFileW(h, &data));
  const DWORD error = GetLastError();
  FindClose(h);
  return error == ERROR_NO_MORE_FILES ? true : win::fail(error);
}

bool is_link(std::string_view path) {
  const DWORD a = GetFileAttributesW(win::wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace velmora::platform
