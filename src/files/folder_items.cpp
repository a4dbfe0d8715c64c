// VeUtl_FolderItemCount and VeUtl_GetFolderItem: a folder walked one entry at a time.
#include "files/folder_listing.hpp"
#include "files/path_spec.hpp"
#include "host/handlers.hpp"
#include "params/builder.hpp"
#include "params/readers.hpp"
#include "platform/fs.hpp"

namespace velmora::files {

namespace {

// PATH read and resolved; only an existing folder will do.
Err resolve_folder(Call& call, PathSpec& spec) {
  const char* path = params::text(call.params, "PATH");
  if (path == nullptr) return kParamErr;
  if (Err err = resolve_path(path, spec); err != kNoErr) return err;
  if (!spec.is_folder) return kDirNotFound;
  return kNoErr;
}

}  // namespace

Err folder_item_count(Call& call) {
  PathSpec spec;
  if (Err err = resolve_folder(call, spec); err != kNoErr) return err;
  const Listing* entries = nullptr;
  if (Err err = visible_entries(spec.name, entries, spec.identity); err != kNoErr) return err;
  return host::set_result(params::decimal(static_cast<std::int64_t>(entries->size())));
}

Err get_folder_item(Call& call) {
  PathSpec spec;
  if (Err err = resolve_folder(call, spec); err != kNoErr) return err;
  std::int32_t index = 0;
  if (!params::validated_integer(call.params, "INDEX", index) &&
      !params::item_integer(call.params, 2, index)) {
    return kParamErr;
  }
  if (index <= 0) return kNoSuchVolume;
  const Listing* entries = nullptr;
  if (Err err = visible_entries(spec.name, entries, spec.identity); err != kNoErr) return err;
  if (static_cast<std::size_t>(index) > entries->size()) {
    return static_cast<Err>(platform::winerr::kNoMoreFiles);
  }
  return host::set_result((*entries)[static_cast<std::size_t>(index) - 1]);
}

}  // namespace velmora::files
