#include "platform/host_services.hpp"

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

const FMX_DocumentWindow* host_document_window() {
  const VLM_HostServices* s = host_services();
  return s != nullptr ? s->documentWindow() : nullptr;
}

}  // namespace velmora::platform
