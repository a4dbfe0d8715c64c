// VeUtl_Version, VeUtl_Tag and VeUtl_TagList: the module's version, and reading the
// item language itself so that one function's answer can be picked apart by a script.
#include <string>
#include <string_view>

#include "files/version_block.hpp"
#include "host/handlers.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/module.hpp"

namespace velmora::files {

Err version(Call& call) {
  params::Builder b;
  b.text("VERSION=").text(module_file_version());
  if (params::boolean(call.params, "DEBUG", false)) b.text(" PLATFORM=").text("x86");
  return host::set_result(b.str());
}

Err tag(Call& call) {
  const params::Store& s = call.params;
  const char* wanted = params::text(s, "TAG");
  const bool from_first_item = wanted == nullptr;
  if (from_first_item) wanted = params::item(s, 1);
  if (wanted == nullptr) return kNoErr;

  const char* value = s.value(wanted);
  if (value == nullptr) return kNoErr;
  // The first item standing bare only names itself: it is the question, not an answer.
  if (from_first_item && s.is_bare(wanted)) return kNoErr;
  if (params::is_path_key(wanted)) return host::set_result(params::escape(value));
  return host::set_result(value);
}

Err tag_list(Call& call) {
  const params::Store& s = call.params;
  if (s.key_count() == 0) return kNoErr;
  std::string names;
  for (int i = 1; i <= s.key_count(); ++i) {
    if (i > 1) names.push_back(' ');
    names += s.key_name(i);
  }
  return host::set_result(names);
}

}  // namespace velmora::files
