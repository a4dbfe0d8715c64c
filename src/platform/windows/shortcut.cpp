// Shortcut files on Windows: the shell's own reader (IShellLinkW through IPersistFile for
// a file, IPersistStream for bytes in memory).
#include "platform/shortcut.hpp"

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

constexpr std::size_t kMaxTarget = 259;

// Where the loaded link points: its network form when it records one, else its path.
std::optional<std::string> target_of(IShellLinkW* link) {
  wchar_t path[MAX_PATH + 1] = {};
  WIN32_FIND_DATAW data{};
  if (link->GetPath(path, MAX_PATH, &data, SLGP_UNCPRIORITY) != S_OK || path[0] == L'\0') {
    return std::nullopt;
  }
  std::string native = win::narrow(path);
  if (native.size() > kMaxTarget) native.resize(kMaxTarget);
  return native;
}

bool new_link(win::ComPtr<IShellLinkW>& link) {
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.put_void()));
}

}  // namespace

std::optional<std::string> shortcut_target(std::string_view native_path) {
  win::ComScope com;
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistFile> file;
  if (!new_link(link) || FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
      FAILED(file->Load(win::wide(native_path).c_str(), STGM_READ))) {
    return std::nullopt;
  }
  return target_of(link.get());
}

std::optional<std::string> shortcut_target_from_bytes(std::string_view bytes) {
  win::ComScope com;
  win::ComPtr<IShellLinkW> link;
  win::ComPtr<IPersistStream> persist;
  if (!new_link(link) || FAILED(link->QueryInterface(IID_IPersistStream, persist.put_void()))) {
    return std::nullopt;
  }
  IStream* raw = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<UINT>(bytes.size()));
  if (raw == nullptr) return std::nullopt;
  const HRESULT loaded = persist->Load(raw);
  raw->Release();
  if (FAILED(loaded)) return std::nullopt;
  return target_of(link.get());
}

}  // namespace velmora::platform
