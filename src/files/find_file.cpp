// VeUtl_FindFile: one match per call.  A call with NAME, EXTENSION or FILETYPE starts a
// new search; a call without them continues the running one.
#include <memory>
#include <string>

#include "dialogs/file_types.hpp"
#include "files/find_search.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"

namespace velmora::files {
namespace {

constexpr std::size_t kMaxCriterion = 63;
constexpr std::size_t kMaxVolume = 30;

std::string cut(const char* text, std::size_t limit) {
  if (text == nullptr) return {};
  std::string_view s(text);
  return std::string(s.substr(0, limit));
}

// Reads this call's criteria; -50 when FILETYPE names no known type.
Err read_criteria(const Call& call, FindCriteria& c) {
  const auto& p = call.params;
  c.name = cut(params::text(p, "NAME"), kMaxCriterion);
  const char* extension = params::text(p, "EXTENSION");
  c.extension = cut(extension, kMaxCriterion);
  if (!c.extension.empty() && c.extension.front() == '.') c.extension.erase(0, 1);
  if (const char* volume = params::text(p, "VOLUME")) {
    c.volume = cut(volume, kMaxVolume);
    c.volume_given = true;
    if (c.volume.empty() || c.volume.back() != ':') c.volume += ':';
  }
  c.local_only = params::boolean(p, "LOCALONLY", false);
  if (params::has(p, "FILETYPE") && extension == nullptr) {
    std::uint32_t code = 0;
    if (!params::four_cc(p, "FILETYPE", code)) return kParamErr;
    const auto type = dialogs::lookup_file_type(code);
    if (!type) return kParamErr;
    c.extension = std::string(type->extension);
  }
  return kNoErr;
}

}  // namespace

Err find_file(Call& call) {
  if (call.shared == nullptr) return kNoStateFindFile;
  auto& slot = call.shared->find_file;
  if (!slot) slot = std::make_unique<FindSearch>();
  auto& search = static_cast<FindSearch&>(*slot);

  const bool criteria_given = params::has(call.params, "NAME") ||
                              params::has(call.params, "EXTENSION") ||
                              params::has(call.params, "FILETYPE");
  if (criteria_given) {
    // New criteria replace the running search, also when they turn out to be unusable.
    search.stop();
    FindCriteria criteria;
    if (const Err err = read_criteria(call, criteria)) return err;
    search.start(criteria);
  } else if (!search.running()) {
    return kParamErr;
  }

  std::string path;
  if (!search.next(path)) return kFileNotFound;
  return host::set_result(params::escape(network_notation(path), 255));
}

}  // namespace velmora::files
