#include "platform/linux/processes_proc.hpp"

namespace velmora::platform::linux_backend {

namespace {
constexpr std::string_view kDeletedMark = " (deleted)";
constexpr std::size_t kMaxPidDigits = 10;  // 4294967295
}  // namespace

std::optional<std::uint32_t> pid_from_proc_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxPidDigits) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value == 0 || value > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<std::string_view> executable_from_link(std::string_view link,
                                                     bool marked_name_exists) {
  if (link.empty() || link.front() != '/') return std::nullopt;  // "[anon]", kernel threads
  if (!marked_name_exists && link.size() > kDeletedMark.size() &&
      link.substr(link.size() - kDeletedMark.size()) == kDeletedMark) {
    link.remove_suffix(kDeletedMark.size());
  }
  return link;
}

}  // namespace velmora::platform::linux_backend
