// Loading the desktop companion (desktop_table.hpp) beside the fmhost program.
#include <dlfcn.h>

#include <mutex>
#include <string>

#include "linux/desktop_table.hpp"
#include "system.hpp"

namespace velmora::fmhost {

namespace {

constexpr const char* kCompanion = "fmhost-desktop.so";
// Present in the process once anything runs the GLib main context.
constexpr const char* kGlib = "libglib-2.0.so.0";

}  // namespace

const FmhostDesktop* desktop() {
  static std::once_flag once;
  static const FmhostDesktop* table = nullptr;
  std::call_once(once, [] {
    // Never closed: the toolkit keeps its types registered for the life of the process.
    void* library = ::dlopen((program_folder() + kCompanion).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return;
    using Entry = const FmhostDesktop* (*)();
    auto entry = reinterpret_cast<Entry>(::dlsym(library, "fmhost_desktop_table"));
    const FmhostDesktop* t = entry != nullptr ? entry() : nullptr;
    if (t != nullptr && t->size >= sizeof(FmhostDesktop)) table = t;
  });
  return table;
}

const FmhostDesktop* desktop_if_toolkit_loaded() {
  void* glib = ::dlopen(kGlib, RTLD_LAZY | RTLD_NOLOAD);
  if (glib == nullptr) return nullptr;
  ::dlclose(glib);
  return desktop();
}

}  // namespace velmora::fmhost
