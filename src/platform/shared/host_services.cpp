#include "platform/host_services.hpp"

#include <atomic>

#include "platform/module.hpp"

namespace velmora::platform {

const VLM_HostServices* host_services() {
  // The host is there before the module and stays for its whole life, so one look is
  // enough.
  static const VLM_HostServices* const services = []() -> const VLM_HostServices* {
    auto entry = reinterpret_cast<VLM_HostServicesProc>(host_symbol(VLM_HOST_SERVICES_ENTRY));
    if (entry == nullptr) return nullptr;
    const VLM_HostServices* s = entry();
    // A table shorter than the one this module knows is from a host too old to trust.
    return s != nullptr && s->structSize >= sizeof(VLM_HostServices) ? s : nullptr;
  }();
  return services;
}

namespace {
std::atomic<int> g_host_version{0};
}  // namespace

const FMX_DocumentWindow* host_document_window() {
  // Our host says itself whether it shows a window; only the real host is searched for.
  const VLM_HostServices* s = host_services();
  return s != nullptr ? s->documentWindow() : system_document_window();
}

void remember_host_version(int version) {
  g_host_version.store(version);
}
int host_version() {
  return g_host_version.load();
}

}  // namespace velmora::platform
