#include "platform/module.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace velmora::platform {

namespace {

bool starts_with_japanese(const char* v) {
  return v != nullptr && (std::strncmp(v, "ja", 2) == 0 || std::strncmp(v, "JA", 2) == 0);
}

// The path of the file this code was loaded from.
std::string own_file() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&own_file), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  return info.dli_fname;
}

}  // namespace

Language ui_language() {
  // The host's choice first, then the usual locale variables in their order of strength.
  if (const char* v = std::getenv("VELMORA_LANG"); v != nullptr && *v != '\0') {
    return starts_with_japanese(v) ? Language::Japanese : Language::English;
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') {
      return starts_with_japanese(v) ? Language::Japanese : Language::English;
    }
  }
  return Language::English;
}

void* host_symbol(const char* name) {
  // The host program and the host library it was linked with are in the global scope; a
  // host that loaded its library privately is still found by the library's own name.
  if (void* p = dlsym(RTLD_DEFAULT, name)) return p;
  void* library = dlopen("libFMWrapper.so", RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) return nullptr;
  void* p = dlsym(library, name);
  dlclose(library);
  return p;
}

std::optional<std::string> module_version_block() {
  const std::string path = own_file();
  if (path.empty()) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Built from pieces so that this search text itself is never found in the file.
  std::string marker = "VELMORA-VERSION-";
  marker += "BLOCK";
  marker.push_back('\0');
  marker += "Translation=";
  const std::size_t at = file.find(marker);
  if (at == std::string::npos) return std::nullopt;
  const std::size_t end = file.find(std::string_view("\0\0", 2), at);
  if (end == std::string::npos) return std::nullopt;
  return file.substr(at, end - at + 1);
}

}  // namespace velmora::platform
