// Fault injection, so that tests reach the out-of-memory paths of a module: the Nth call
// of a kind fails once. Counting starts when the faults are set (or at load time for
// FMWRAPPER_FAIL).
#include <fmx/FMHostServices.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "objects.hpp"

namespace velmora::fmw {

namespace {

enum Kind { kBlock, kHandle, kText, kKindCount };

struct KindName {
  std::string_view name;
  Kind kind;
};
constexpr std::array<KindName, kKindCount> kKinds{{
    {"block", kBlock},
    {"handle", kHandle},
    {"text", kText},
}};

struct Fault {
  std::uint64_t target = 0;  // 0: never fails
  std::uint64_t calls = 0;
};

std::mutex g_mutex;
std::array<Fault, kKindCount> g_faults;
std::uint64_t g_fired = 0;  // failures made since the faults were set
// Every text, block and handle the host makes asks whether it should fail; without
// faults set that question must cost no lock.
std::atomic<bool> g_armed{false};

bool due(Kind kind) {
  if (!g_armed.load(std::memory_order_acquire)) return false;
  std::lock_guard lock(g_mutex);
  Fault& f = g_faults[kind];
  if (f.target == 0) return false;
  const bool now = ++f.calls == f.target;
  if (now) ++g_fired;
  return now;
}

// Parses "KIND:N[,KIND:N...]"; unknown kinds and malformed numbers are ignored.
void configure(std::string_view spec) {
  std::array<Fault, kKindCount> next{};
  while (!spec.empty()) {
    const std::size_t comma = spec.find(',');
    std::string_view item = spec.substr(0, comma);
    spec = comma == std::string_view::npos ? std::string_view() : spec.substr(comma + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = item.substr(0, colon);
    const std::string_view digits = item.substr(colon + 1);
    if (digits.empty() || digits.size() > 18) continue;
    std::uint64_t n = 0;
    bool ok = true;
    for (const char c : digits) {
      if (c < '0' || c > '9') ok = false;
      n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (!ok) continue;
    for (const auto& k : kKinds) {
      if (k.name == name) next[k.kind].target = n;
    }
  }
  std::lock_guard lock(g_mutex);
  g_faults = next;
  g_fired = 0;
  bool armed = false;
  for (const Fault& f : next) armed = armed || f.target != 0;
  g_armed.store(armed, std::memory_order_release);
}

// Faults asked for in the environment apply from the moment the library is loaded.
[[gnu::constructor]] void configure_from_environment() {
  if (const char* spec = std::getenv("FMWRAPPER_FAIL")) configure(spec);
}

}  // namespace

bool block_fault_due() {
  return due(kBlock);
}
bool handle_fault_due() {
  return due(kHandle);
}
bool text_fault_due() {
  return due(kText);
}

}  // namespace velmora::fmw

extern "C" FMX_API void FMW_Host_SetFaults(const char* spec) {
  try {
    velmora::fmw::configure(spec == nullptr ? std::string_view() : std::string_view(spec));
  } catch (...) {
  }
}

extern "C" FMX_API int32_t FMW_Host_FaultsFired(void) {
  std::lock_guard lock(velmora::fmw::g_mutex);
  return static_cast<int32_t>(velmora::fmw::g_fired);
}
