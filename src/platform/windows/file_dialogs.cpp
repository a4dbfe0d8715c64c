// The system's file and folder choosers on Windows (common dialogs and the shell's folder
// browser), and file type descriptions from the registry through the shell.
#include "platform/file_dialogs.hpp"

#include "platform/ui.hpp"
#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

// "label\0*.jpg;*.jpeg\0...\0\0", as the common dialogs take their type list.
std::wstring filter_list(const std::vector<FileFilter>& filters) {
  std::wstring out;
  for (const FileFilter& f : filters) {
    out += win::wide_from_utf8(f.label);
    out.push_back(L'\0');
    out += win::wide_from_utf8(f.patterns);
    out.push_back(L'\0');
  }
  out.push_back(L'\0');
  return out;
}

HWND owner() {
  return GetActiveWindow();
}

DialogRun run_file_chooser(const ChooserRequest& request, ChooserOutcome& outcome,
                           std::string& path) {
  std::wstring file(32768, L'\0');
  std::wstring start = win::wide(request.start_folder);
  const std::wstring name = win::wide(request.default_name);
  if (request.kind == ChooserKind::SaveFile) {
    // A default name may carry its folder.
    const std::size_t cut = name.find_last_of(L"\\/");
    if (cut != std::wstring::npos && start.empty()) start = name.substr(0, cut);
    const std::wstring leaf = cut == std::wstring::npos ? name : name.substr(cut + 1);
    file.replace(0, leaf.size(), leaf);
  }
  const std::wstring filters = filter_list(request.filters);
  const std::wstring title = win::wide_from_utf8(request.title);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner();
  ofn.lpstrFilter = request.filters.empty() ? nullptr : filters.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (request.show_hidden) ofn.Flags |= OFN_FORCESHOWHIDDEN;
  BOOL chosen = FALSE;
  if (request.kind == ChooserKind::SaveFile) {
    ofn.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    chosen = GetSaveFileNameW(&ofn);
  } else {
    ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    chosen = GetOpenFileNameW(&ofn);
  }
  if (!chosen) {
    if (CommDlgExtendedError() != 0) return DialogRun::Failed;
    outcome = ChooserOutcome::Cancelled;
    return DialogRun::Ended;
  }
  path = win::narrow(file.c_str());
  outcome = ChooserOutcome::Chosen;
  return DialogRun::Ended;
}

struct BrowseStart {
  std::wstring title;
  std::wstring folder;
};

int CALLBACK browse_started(HWND window, UINT message, LPARAM, LPARAM data) {
  const auto* start = reinterpret_cast<const BrowseStart*>(data);
  if (message != BFFM_INITIALIZED || start == nullptr) return 0;
  if (!start->title.empty()) SetWindowTextW(window, start->title.c_str());
  if (!start->folder.empty()) {
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start->folder.c_str()));
  }
  return 0;
}

DialogRun run_folder_chooser(const ChooserRequest& request, ChooserOutcome& outcome,
                             std::string& path) {
  win::ComScope com;
  const std::wstring instruction = win::wide_from_utf8(request.instruction);
  const BrowseStart start{win::wide_from_utf8(request.title), win::wide(request.start_folder)};
  BROWSEINFOW info{};
  info.hwndOwner = owner();
  info.lpszTitle = instruction.empty() ? nullptr : instruction.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = browse_started;
  info.lParam = reinterpret_cast<LPARAM>(&start);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) {
    outcome = ChooserOutcome::Cancelled;
    return DialogRun::Ended;
  }
  wchar_t folder[MAX_PATH] = {};
  const bool has_path = SHGetPathFromIDListW(chosen, folder) != 0;
  CoTaskMemFree(chosen);
  if (!has_path) {
    // A place with no file system path (a printer, the control panel).
    outcome = ChooserOutcome::NoPath;
    return DialogRun::Ended;
  }
  path = win::narrow(folder);
  outcome = ChooserOutcome::Chosen;
  return DialogRun::Ended;
}

}  // namespace

DialogRun run_chooser(const ChooserRequest& request, ChooserOutcome& outcome, std::string& path) {
  if (!display_available()) return DialogRun::NoDisplay;
  return request.kind == ChooserKind::Folder ? run_folder_chooser(request, outcome, path)
                                             : run_file_chooser(request, outcome, path);
}

std::string file_type_description(std::string_view extension) {
  SHFILEINFOW info{};
  const std::wstring name = L"x" + win::wide(extension);
  if (!SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                      SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME)) {
    return {};
  }
  return win::utf8_from_wide(info.szTypeName);
}

}  // namespace velmora::platform
