// Copy, move and delete over whole folder trees.  Paths carry a final backslash while a
// folder is walked, as the system's own search patterns expect.
#include "files/tree_walker.hpp"

#include <string>
#include <vector>

#include "files/path_notation.hpp"
#include "params/text_util.hpp"
#include "platform/file_ops.hpp"
#include "platform/folder_scan.hpp"
#include "platform/fs.hpp"

namespace velmora::files {
namespace {

namespace wf = platform::winerr;

// The longest path the system takes for a file (MAX_PATH without its terminator).  It
// also bounds a walk that meets a folder inside itself.
constexpr std::size_t kMaxNativePath = 259;

bool fail(platform::SysError code) {
  platform::set_last_error(code);
  return false;
}

bool fits(const std::string& path) {
  return path.size() <= kMaxNativePath;
}

// The last component (after the last backslash outside a double-byte character).
std::string_view last_component(std::string_view path) {
  return path.substr(name_start(path));
}

// True when `inner` is `outer` or lies inside it (paths with final backslashes).
bool inside(std::string_view inner, std::string_view outer) {
  return inner.size() >= outer.size() &&
         params::equals_ignore_case(inner.substr(0, outer.size()), outer);
}

bool act_on_file(TreeOp op, const std::string& source, const std::string& target) {
  if (!fits(source) || !fits(target)) return fail(wf::kFilenameTooLong);
  switch (op) {
    case TreeOp::kCopy:
      return platform::copy_file(source, target);
    case TreeOp::kMove:
      return platform::move_item(source, target);
    case TreeOp::kDelete:
      return platform::delete_file(source);
  }
  return fail(wf::kInvalidParameter);
}

// A link is an entry of its own: copied as a link, moved or deleted as itself, never
// walked through (a link to "." would make a walk without end).
bool act_on_link(TreeOp op, const std::string& source, const std::string& target) {
  if (!fits(source) || !fits(target)) return fail(wf::kFilenameTooLong);
  if (op == TreeOp::kCopy) return platform::copy_link(source, target);
  return act_on_file(op, source, target);
}

// True when the tree below `folder` (final backslash) holds a dot-named sub-folder,
// which a move leaves behind; also when the tree cannot be read to the bottom.
bool holds_dot_folder(const std::string& folder) {
  if (!fits(folder)) return true;
  std::vector<platform::ScanEntry> entries;
  if (!platform::scan_folder(folder, entries)) return true;
  for (const auto& entry : entries) {
    if (!entry.folder || entry.link) continue;
    if (entry.name.front() == '.' || holds_dot_folder(folder + entry.name + '\\')) return true;
  }
  return false;
}

// Walks one folder; `source` and (for copy and move) `target` end in a backslash.
bool walk(TreeOp op, const std::string& source, const std::string& target) {
  if (!ends_with_backslash(source)) return fail(wf::kInvalidParameter);
  if (op != TreeOp::kDelete && !ends_with_backslash(target)) return fail(wf::kInvalidParameter);
  if (!fits(source) || !fits(target)) return fail(wf::kFilenameTooLong);

  // A folder that cannot be listed counts as done, as an unopenable search does.
  std::vector<platform::ScanEntry> entries;
  platform::scan_folder(source, entries);

  for (const auto& entry : entries) {
    const std::string from = source + entry.name;
    const std::string to = op == TreeOp::kDelete ? std::string() : target + entry.name;
    if (entry.folder && entry.name.front() == '.') continue;
    if (entry.link) {
      if (!act_on_link(op, from, to)) return false;
      continue;
    }
    if (!entry.folder) {
      if (!act_on_file(op, from, to)) return false;
      continue;
    }
    if (op != TreeOp::kDelete) {
      if (!fits(to)) return fail(wf::kFilenameTooLong);
      if (!platform::create_folder(to)) return false;
    }
    if (!walk(op, from + '\\', op == TreeOp::kDelete ? to : to + '\\')) return false;
    if (op == TreeOp::kMove && !platform::remove_folder(from)) return false;
  }
  if (op == TreeOp::kDelete) return platform::remove_folder(source.substr(0, source.size() - 1));
  return true;
}

// A drive or share root: "C:\" or "\\srv\pub\".
bool is_root(std::string_view folder) {
  if (folder.size() == 3 && folder[1] == ':') return true;
  if (folder.substr(0, 2) != "\\\\") return false;
  const auto server_end = find_backslash(folder, 2);
  if (server_end == std::string_view::npos) return true;
  const auto share_end = find_backslash(folder, server_end + 1);
  return share_end == std::string_view::npos || share_end + 1 == folder.size();
}

}  // namespace

bool run_tree(TreeOp op, std::string_view source_text, std::string_view destination_text) {
  const platform::FolderPlaces places;  // each folder is looked up once per walk
  std::string source;
  if (!platform::full_path_name(source_text, source)) return false;
  std::uint32_t attributes = 0;
  if (!platform::get_attributes(source, attributes)) return false;
  // A link to a folder is copied, moved or deleted as the link itself, never through it.
  const bool link = platform::is_link(source);
  const bool folder = (attributes & platform::attr::kDirectory) != 0 && !link;

  std::string target;
  if (op != TreeOp::kDelete) {
    if (!platform::full_path_name(destination_text, target)) return false;
    if (platform::is_folder(target)) add_backslash(target);
  }

  if (!folder) {
    if (ends_with_backslash(target)) target += last_component(source);
    if (link && (attributes & platform::attr::kDirectory) != 0) {
      return act_on_link(op, source, target);
    }
    return act_on_file(op, source, target);
  }

  add_backslash(source);
  // Emptying a whole drive is never what a script means: refuse before touching it.
  if (op != TreeOp::kCopy && is_root(source)) return fail(wf::kAccessDenied);
  if (op != TreeOp::kDelete) {
    // The folder goes, under its own name, into an existing destination folder.
    if (!ends_with_backslash(target)) return fail(wf::kPathNotFound);
    const std::string_view name =
        last_component(std::string_view(source).substr(0, source.size() - 1));
    if (name.empty()) return fail(wf::kInvalidParameter);  // a drive root has no name
    target += name;
    target += '\\';
    // Copying a folder into its own tree would never end, also where the destination is
    // reached through a link to the source or to a folder inside it.
    if (inside(target, source) || platform::same_or_inside(target, source)) {
      return fail(wf::kInvalidParameter);
    }
    if (!fits(target)) return fail(wf::kFilenameTooLong);
    const std::string new_folder = target.substr(0, target.size() - 1);
    // A tree with nothing to leave behind moves as one rename within its file system.
    if (op == TreeOp::kMove && !holds_dot_folder(source)) {
      if (platform::move_item(source.substr(0, source.size() - 1), new_folder)) return true;
      if (platform::last_error() != wf::kNotSameDevice) return false;
    }
    if (!platform::create_folder(new_folder)) return false;
  }
  if (!walk(op, source, target)) return false;
  if (op == TreeOp::kMove) return platform::remove_folder(source.substr(0, source.size() - 1));
  return true;
}

}  // namespace velmora::files
