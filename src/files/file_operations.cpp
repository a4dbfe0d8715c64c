// VeUtl_RenameFile, VeUtl_CopyFile, VeUtl_MoveFile, VeUtl_NewFolder and VeUtl_DeleteFile:
// the handlers that change the file system.  None sets a result text on success; a
// refused step answers the system's last-error number.
#include <string>

#include "files/path_notation.hpp"
#include "files/path_spec.hpp"
#include "files/tree_walker.hpp"
#include "host/handlers.hpp"
#include "params/readers.hpp"
#include "params/text_util.hpp"
#include "platform/file_ops.hpp"
#include "platform/fs.hpp"

namespace velmora::files {
namespace {

// The system's reason for the last refused step.  A refusal always has a reason; should
// the platform not give one, the call must still not look like a success.
Err system_error() {
  const platform::SysError code = platform::last_error();
  if (code == 0 || code > 0x7FFF) return kGeneralErr;
  return static_cast<Err>(code);
}

const char* first_of(const Call& call, std::string_view key, std::string_view fallback) {
  const char* value = params::text(call.params, key);
  return value != nullptr ? value : params::text(call.params, fallback);
}

// Resolves a path that must name an existing item.
Err resolve_existing(const char* text, PathSpec& spec) {
  if (const Err err = resolve_path(text, spec)) return err;
  return spec.exists ? kNoErr : kFileNotFound;
}

Err copy_or_move(Call& call, TreeOp op) {
  const char* source_text = first_of(call, "SRC", "PATH");
  const char* dest_text = params::text(call.params, "DEST");
  if (source_text == nullptr || dest_text == nullptr) return kParamErr;

  PathSpec source;
  if (const Err err = resolve_existing(source_text, source)) return err;
  PathSpec dest;
  if (const Err err = resolve_path(dest_text, dest)) return err;

  return run_tree(op, source.name, dest.name) ? kNoErr : system_error();
}

// A value without colon and backslash names an item by itself, in no folder.
bool is_bare_name(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (c == ':' || c == '\\') {
      return false;
    }
  }
  return true;
}

// The folder part of a full path ("C:\A\b.txt" -> "C:\A", "C:\A" -> "C:\"); none for a
// root, which has no folder above it.
bool folder_part(std::string_view path, std::string& out) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (c == '\\' && i + 1 < path.size()) {
      last = i;
    }
  }
  if (last == std::string_view::npos) return false;
  out.assign(path.substr(0, last));
  if (out.size() == 2 && out[1] == ':') out += '\\';  // the drive root keeps its backslash
  return !out.empty();
}

}  // namespace

Err copy_file(Call& call) {
  return copy_or_move(call, TreeOp::kCopy);
}

Err move_file(Call& call) {
  return copy_or_move(call, TreeOp::kMove);
}

Err delete_file(Call& call) {
  const char* path_text = params::text(call.params, "PATH");
  if (path_text == nullptr) return kParamErr;
  PathSpec spec;
  if (const Err err = resolve_existing(path_text, spec)) return err;
  return run_tree(TreeOp::kDelete, spec.name, {}) ? kNoErr : system_error();
}

Err new_folder(Call& call) {
  const char* path_text = params::text(call.params, "PATH");
  if (path_text == nullptr) return kParamErr;
  PathSpec spec;
  if (const Err err = resolve_path(path_text, spec)) return err;

  std::string target;
  if (const char* name = params::text(call.params, "NAME")) {
    if (!spec.exists || !spec.is_folder) return kDirNotFound;
    target = spec.name;
    add_backslash(target);
    target += name;
  } else {
    if (spec.exists) return kDuplicate;
    target = spec.name;
  }
  return platform::create_folder(target) ? kNoErr : system_error();
}

// A folder is renamed as a whole, dot-named sub-folders included, within its own file
// system; a file moves wherever the destination is.
Err rename_file(Call& call) {
  const char* source_text = first_of(call, "SRC", "PATH");
  const char* dest_text = first_of(call, "DEST", "NAME");
  if (source_text == nullptr || dest_text == nullptr) return kParamErr;

  PathSpec source;
  if (const Err err = resolve_existing(source_text, source)) return err;

  std::string dest;
  if (is_bare_name(dest_text)) {
    std::string folder;
    if (!folder_part(source.name, folder)) return kFileNotFound;
    dest = folder;
    add_backslash(dest);
    dest += dest_text;
    if (platform::exists(dest)) return kFileNotFound;
  } else {
    PathSpec resolved;
    if (const Err err = resolve_path(dest_text, resolved)) return err;
    if (resolved.exists) return kFileNotFound;
    dest = resolved.name;
  }

  if (source.is_folder) return platform::move_item(source.name, dest) ? kNoErr : system_error();
  return run_tree(TreeOp::kMove, source.name, dest) ? kNoErr : system_error();
}

}  // namespace velmora::files
