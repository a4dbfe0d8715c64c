// Other programs on Windows: CreateProcessW and the shell's ShellExecuteExW to start them,
// a Toolhelp snapshot to list them, WM_CLOSE to their visible top-level windows.
#include "platform/processes.hpp"

#include <algorithm>

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

struct StartErrorRow {
  DWORD system;
  SysError shell;
};

// What CreateProcess answers, as the shell's start numbers.
constexpr StartErrorRow kStartErrors[] = {
    {ERROR_FILE_NOT_FOUND, shellerr::kFileNotFound},
    {ERROR_PATH_NOT_FOUND, shellerr::kPathNotFound},
    {ERROR_INVALID_DRIVE, shellerr::kPathNotFound},
    {ERROR_BAD_NETPATH, shellerr::kPathNotFound},
    {ERROR_ACCESS_DENIED, shellerr::kAccessDenied},
    {ERROR_NOT_ENOUGH_MEMORY, shellerr::kOutOfMemory},
    {ERROR_OUTOFMEMORY, shellerr::kOutOfMemory},
    {ERROR_BAD_FORMAT, shellerr::kBadFormat},
    {ERROR_BAD_EXE_FORMAT, shellerr::kBadFormat},
    {ERROR_EXE_MACHINE_TYPE_MISMATCH, shellerr::kBadFormat},
    {ERROR_SHARING_VIOLATION, shellerr::kShare},
};

SysError shell_error(DWORD error) {
  for (const StartErrorRow& row : kStartErrors) {
    if (row.system == error) return row.shell;
  }
  return shellerr::kAccessDenied;
}

// One argument of a command line, quoted the way the C runtime splits them again.
std::wstring quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

std::wstring image_name(DWORD pid) {
  win::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.valid()) return {};
  wchar_t path[MAX_PATH * 2];
  DWORD size = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
  return std::wstring(path, size);
}

struct CloseRequest {
  const std::vector<std::uint32_t>* ids;
  int asked = 0;
};

BOOL CALLBACK ask_to_close(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<CloseRequest*>(param);
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const auto& ids = *request->ids;
  if (std::find(ids.begin(), ids.end(), pid) == ids.end()) return TRUE;
  if (PostMessageW(window, WM_CLOSE, 0, 0)) ++request->asked;
  return TRUE;
}

}  // namespace

SysError launch_program(std::string_view program, const std::optional<std::string>& document) {
  const std::wstring exe = win::wide(program);
  std::wstring command = quoted(exe);
  if (document) command += L" " + quoted(win::wide(*document));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // On its own: no console of ours, its own process group, none of our handles.
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                      &info)) {
    return shell_error(GetLastError());
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}

SysError open_document(std::string_view document) {
  const std::wstring file = win::wide(document);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) ? 0 : shellerr::kNoAssociation;
}

std::vector<ProcessEntry> list_processes() {
  std::vector<ProcessEntry> out;
  win::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return out;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    ProcessEntry p;
    p.id = entry.th32ProcessID;
    p.executable = win::narrow(image_name(entry.th32ProcessID));
    out.push_back(std::move(p));
  }
  return out;
}

std::string program_identity(std::string_view path) {
  win::Handle file(CreateFileW(win::wide(path).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return std::string(path);
  wchar_t final_path[MAX_PATH * 2];
  const DWORD n = GetFinalPathNameByHandleW(file.get(), final_path, MAX_PATH * 2, VOLUME_NAME_DOS);
  if (n == 0 || n >= MAX_PATH * 2) return std::string(path);
  std::wstring_view w(final_path, n);
  // The system answers "\\?\C:\..." or "\\?\UNC\server\share\...".
  if (w.substr(0, 8) == L"\\\\?\\UNC\\") return win::narrow(L"\\\\" + std::wstring(w.substr(8)));
  if (w.substr(0, 4) == L"\\\\?\\") w.remove_prefix(4);
  return win::narrow(w);
}

CloseOutcome close_windows(const std::vector<std::uint32_t>& process_ids, int& asked) {
  CloseRequest request{&process_ids};
  EnumWindows(ask_to_close, reinterpret_cast<LPARAM>(&request));
  asked = request.asked;
  return CloseOutcome::Asked;
}

}  // namespace velmora::platform
