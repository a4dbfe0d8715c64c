// Loading the desktop companion: from the module's own folder, privately (its GTK must not
// take the place of anything in the host's global scope), and only where a display is
// named, so that a server never even looks for the desktop libraries.
#include "platform/linux/desktop.hpp"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "platform/host_services.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/shared/host_window.hpp"

namespace velmora::platform::linux_backend {

namespace {

void* owner_window() {
  const FMX_DocumentWindow* w = host_document_window();
  return w != nullptr ? w->nativeWindow(w->context) : nullptr;
}

constexpr DesktopServices kServices = {
    sizeof(DesktopServices), &owner_window, &pump_host_events, &host_path, &native_from_host,
};

bool has_display_variable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return true;
  }
  return false;
}

// The companion beside the file this code was loaded from (the module, or a test program
// that links the module's code).
std::string companion_path() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&companion_path), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::string own = info.dli_fname;
  const std::size_t slash = own.rfind('/');
  return (slash == std::string::npos ? std::string() : own.substr(0, slash + 1)) + kDesktopFile;
}

const DesktopTable* load() {
  if (!has_display_variable()) return nullptr;
  const std::string path = companion_path();
  // Fails at once where GTK or X11 is not installed: the companion needs them, the module
  // does not.
  void* library = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  const auto* table = static_cast<const DesktopTable*>(dlsym(library, kDesktopEntry));
  if (table == nullptr || table->struct_size < sizeof(DesktopTable) ||
      table->version != kDesktopVersion) {
    dlclose(library);
    return nullptr;
  }
  // A companion that tried to open the display stays loaded either way: the toolkit may
  // have registered itself with the process by then.
  return table->open(&kServices) ? table : nullptr;
}

std::atomic<const DesktopTable*> loaded{nullptr};

}  // namespace

const DesktopTable* desktop() {
  static const DesktopTable* const table = [] {
    const DesktopTable* t = load();
    loaded.store(t, std::memory_order_release);
    return t;
  }();
  return table;
}

const DesktopTable* desktop_if_loaded() {
  return loaded.load(std::memory_order_acquire);
}

}  // namespace velmora::platform::linux_backend
