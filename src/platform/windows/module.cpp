// Facts about the module on Windows: its VERSIONINFO resource, read the way the version
// functions of the system read any file's, and the user interface language.
#include "platform/module.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/windows/win32.hpp"

namespace velmora::platform {

namespace {

bool starts_with_japanese(const char* v) {
  return v != nullptr && (std::strncmp(v, "ja", 2) == 0 || std::strncmp(v, "JA", 2) == 0);
}

std::wstring own_file() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&own_file), &self)) {
    return {};
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The string tables' entries the version functions look up.
constexpr const wchar_t* kStringNames[] = {L"CompanyName", L"FileDescription", L"FileVersion",
                                           L"ProductVersion"};

}  // namespace

Language ui_language() {
  // The host's choice first, then the user's interface language.
  if (const char* v = std::getenv("VELMORA_LANG"); v != nullptr && *v != '\0') {
    return starts_with_japanese(v) ? Language::Japanese : Language::English;
  }
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                    : Language::English;
}

void* host_symbol(const char* name) {
  for (HMODULE m : {GetModuleHandleW(nullptr), GetModuleHandleW(L"FMWrapper.dll")}) {
    if (m == nullptr) continue;
    if (FARPROC p = GetProcAddress(m, name)) return reinterpret_cast<void*>(p);
  }
  return nullptr;
}

std::optional<std::string> module_version_block() {
  const std::wstring file = own_file();
  if (file.empty()) return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return std::nullopt;

  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) {
    return std::nullopt;
  }
  // The same "\0"-separated fields every system's block has: the translations, then each
  // translation's strings.
  const auto* pairs = static_cast<const WORD*>(value);
  const std::size_t count = length / 4;
  std::string block = "Translation=";
  std::vector<std::string> tables;
  for (std::size_t i = 0; i < count; ++i) {
    char pair[16];
    std::snprintf(pair, sizeof pair, "%04x,%04x", pairs[2 * i], pairs[2 * i + 1]);
    if (i > 0) block += ' ';
    block += pair;
    char table[16];
    std::snprintf(table, sizeof table, "%04x%04x", pairs[2 * i], pairs[2 * i + 1]);
    tables.emplace_back(table);
  }
  block.push_back('\0');
  for (const std::string& table : tables) {
    for (const wchar_t* name : kStringNames) {
      const std::wstring key =
          L"\\StringFileInfo\\" + win::wide(table) + L"\\" + std::wstring(name);
      void* text = nullptr;
      UINT chars = 0;
      if (!VerQueryValueW(data.data(), key.c_str(), &text, &chars) || chars == 0) continue;
      std::wstring_view s(static_cast<const wchar_t*>(text), chars);
      while (!s.empty() && s.back() == L'\0') s.remove_suffix(1);
      block += "StringFileInfo\\" + table + "\\" + win::narrow(name) + "=" + win::narrow(s);
      block.push_back('\0');
    }
  }
  block.push_back('\0');
  return block;
}

}  // namespace velmora::platform
