#include "apps/app_paths.hpp"

#include "params/text_util.hpp"

namespace velmora::apps {

Err check_file(const char* value, files::PathSpec& out) {
  if (value == nullptr) return kParamErr;
  if (Err err = files::resolve_path(value, out); err != kNoErr) return err;
  if (!out.exists || out.is_folder) return kFileNotFound;
  return kNoErr;
}

bool same_program_path(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (params::is_lead_byte(ca) && i + 1 < a.size()) {
      // Both characters must be double-byte and identical, trail byte included.
      if (ca != cb || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (params::to_upper_ascii(ca) != params::to_upper_ascii(cb)) return false;
  }
  return true;
}

std::vector<std::uint32_t> matching_processes(const std::vector<platform::ProcessEntry>& all,
                                              std::string_view program) {
  std::vector<std::uint32_t> ids;
  for (const platform::ProcessEntry& p : all) {
    if (!p.executable.empty() && same_program_path(p.executable, program)) ids.push_back(p.id);
  }
  return ids;
}

}  // namespace velmora::apps
