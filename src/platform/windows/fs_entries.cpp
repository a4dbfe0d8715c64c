// Items of the file system on Windows: full paths, attributes, entries, identities and
// directory searches, straight from the wide Win32 calls.
#include <algorithm>
#include <vector>

#include "platform/fs.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

bool is_dot_entry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == L'\0') ||
         (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

std::wstring without_final_separator(std::wstring path) {
  // "C:\" keeps its separator: without it, it would name the current folder of C:.
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::string last_component(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/:");
  return win::narrow(cut == std::wstring::npos ? path : path.substr(cut + 1));
}

class Win32Search final : public DirectorySearch {
 public:
  explicit Win32Search(HANDLE handle) : handle_(handle) {}
  ~Win32Search() override { close(); }

  bool next(FileEntry& out) override {
    if (handle_ == INVALID_HANDLE_VALUE) return win::fail(winerr::kInvalidHandle);
    WIN32_FIND_DATAW data{};
    do {
      if (!FindNextFileW(handle_, &data)) return win::fail_last();
    } while (is_dot_entry(data.cFileName));
    out = win::entry_from(data);
    return true;
  }

  bool close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const BOOL ok = FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok ? true : win::fail_last();
  }

 private:
  HANDLE handle_;
};

}  // namespace

namespace win {

FileTime from_filetime(const FILETIME& ft) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) |
                                ft.dwLowDateTime) -
      kUnixEpochIn100ns;
  FileTime t;
  t.seconds = ticks / 10000000;
  std::int64_t rest = ticks % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --t.seconds;
  }
  t.nanoseconds = static_cast<std::int32_t>(rest * 100);
  return t;
}

FileEntry entry_from(const WIN32_FIND_DATAW& data) {
  FileEntry e;
  e.name = narrow(data.cFileName);
  e.attributes = data.dwFileAttributes;
  const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  e.size = folder ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  e.creation = from_filetime(data.ftCreationTime);
  e.modification = from_filetime(data.ftLastWriteTime);
  e.access = from_filetime(data.ftLastAccessTime);
  return e;
}

}  // namespace win

bool to_local_time(const FileTime& time, LocalTime& out) {
  const std::int64_t ticks = time.seconds * 10000000 + time.nanoseconds / 100 + kUnixEpochIn100ns;
  if (time.seconds < -11644473600LL || ticks < 0) return win::fail(winerr::kInvalidParameter);
  FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return win::fail_last();
  }
  out.year = local.wYear;
  out.month = local.wMonth;
  out.day = local.wDay;
  out.hour = local.wHour;
  out.minute = local.wMinute;
  out.second = local.wSecond;
  out.weekday = local.wDayOfWeek;
  return true;
}

bool full_path_name(std::string_view path, std::string& out) {
  const std::wstring in = win::wide(path);
  if (in.empty()) return win::fail(winerr::kInvalidName);
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(in.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return win::fail_last();
    if (n < buffer.size()) {
      buffer.resize(n);
      out = win::narrow(buffer);
      return true;
    }
    buffer.resize(n + 1);
  }
}

bool get_attributes(std::string_view path, std::uint32_t& out) {
  const DWORD a = GetFileAttributesW(win::wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return win::fail_last();
  out = a;
  return true;
}

bool exists(std::string_view path) {
  return GetFileAttributesW(win::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_folder(std::string_view path) {
  const DWORD a = GetFileAttributesW(win::wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool lookup(std::string_view path, FileEntry& out) {
  const std::wstring w = without_final_separator(win::wide(path));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &data)) return win::fail_last();
  WIN32_FIND_DATAW found{};
  found.dwFileAttributes = data.dwFileAttributes;
  found.ftCreationTime = data.ftCreationTime;
  found.ftLastAccessTime = data.ftLastAccessTime;
  found.ftLastWriteTime = data.ftLastWriteTime;
  found.nFileSizeHigh = data.nFileSizeHigh;
  found.nFileSizeLow = data.nFileSizeLow;
  out = win::entry_from(found);
  // The name as stored on disk comes from a search for the item itself (a root has none).
  const bool wildcard = w.find_first_of(L"*?") != std::wstring::npos;
  HANDLE h = wildcard ? INVALID_HANDLE_VALUE : FindFirstFileW(w.c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    FindClose(h);
    out.name = win::narrow(found.cFileName);
  } else {
    out.name = last_component(w);
  }
  return true;
}

bool probe(std::string_view path, bool& is_folder, std::optional<FileIdentity>& who) {
  // The identity would cost an open of the item: left to whoever needs it.
  const DWORD a = GetFileAttributesW(win::wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return win::fail_last();
  is_folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  who.reset();
  return true;
}

bool identity(std::string_view path, FileIdentity& out) {
  win::Handle h(CreateFileW(win::wide(path).c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return win::fail_last();
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h.get(), &info)) return win::fail_last();
  out.device = info.dwVolumeSerialNumber;
  out.node = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  out.modification = win::from_filetime(info.ftLastWriteTime);
  FILE_BASIC_INFO basic{};
  if (GetFileInformationByHandleEx(h.get(), FileBasicInfo, &basic, sizeof basic)) {
    FILETIME change{static_cast<DWORD>(basic.ChangeTime.QuadPart & 0xFFFFFFFF),
                    static_cast<DWORD>(basic.ChangeTime.QuadPart >> 32)};
    out.change = win::from_filetime(change);
  } else {
    out.change = out.modification;
  }
  return true;
}

bool read_file(std::string_view path, std::string& out, std::uint64_t max_bytes) {
  win::Handle h(CreateFileW(win::wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return win::fail_last();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h.get(), &size)) return win::fail_last();
  // A 32-bit process cannot hold a file whose size does not fit its memory: refused
  // rather than read cut to what the size_t keeps of it.
  const auto bytes = static_cast<std::uint64_t>(size.QuadPart);
  if (bytes > max_bytes || bytes > out.max_size()) return win::fail(winerr::kNotEnoughMemory);
  out.assign(static_cast<std::size_t>(bytes), '\0');
  std::size_t done = 0;
  while (done < out.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(h.get(), out.data() + done, want, &got, nullptr)) return win::fail_last();
    if (got == 0) break;  // the file shrank while read
    done += got;
  }
  out.resize(done);
  return true;
}

std::unique_ptr<DirectorySearch> find_first(std::string_view pattern, FileEntry& first) {
  WIN32_FIND_DATAW data{};
  HANDLE h = FindFirstFileExW(win::wide(pattern).c_str(), FindExInfoBasic, &data,
                              FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) {
    win::fail_last();
    return nullptr;
  }
  auto search = std::make_unique<Win32Search>(h);
  if (is_dot_entry(data.cFileName)) {
    if (!search->next(first)) {
      // Only "." and ".." matched: nothing the caller may see.
      if (last_error() == winerr::kNoMoreFiles) set_last_error(winerr::kFileNotFound);
      return nullptr;
    }
  } else {
    first = win::entry_from(data);
  }
  return search;
}

}  // namespace velmora::platform
