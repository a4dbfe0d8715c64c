// Copy, move and delete over whole folder trees.  Paths carry a final backslash while a
// folder is walked, as the system's own search patterns expect.
#include "files/tree_walker.hpp"

#include <string>
#include <vector>

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

bool ends_with_backslash(std::string_view path) {
  return !path.empty() && path.back() == '\\';
}

void add_backslash(std::string& path) {
  if (!ends_with_backslash(path)) path += '\\';
}

bool fits(const std::string& path) {
  return path.size() <= kMaxNativePath;
}

// The last component (after the last backslash outside a double-byte character).
std::string_view last_component(std::string_view path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (c == '\\') {
      start = i + 1;
    }
  }
  return path.substr(start);
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
    // A link is an entry of its own: moved or deleted as itself, never walked through.
    const bool walk_into = entry.folder && (!entry.link || op == TreeOp::kCopy);
    if (!walk_into) {
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
  const auto server_end = folder.find('\\', 2);
  if (server_end == std::string_view::npos) return true;
  const auto share_end = folder.find('\\', server_end + 1);
  return share_end == std::string_view::npos || share_end + 1 == folder.size();
}

}  // namespace

bool run_tree(TreeOp op, std::string_view source_text, std::string_view destination_text) {
  const platform::FolderPlaces places;  // each folder is looked up once per walk
  std::string source;
  if (!platform::full_path_name(source_text, source)) return false;
  std::uint32_t attributes = 0;
  if (!platform::get_attributes(source, attributes)) return false;
  // A link to a folder is moved or deleted as the link itself, never through it.
  const bool folder = (attributes & platform::attr::kDirectory) != 0 &&
                      (op == TreeOp::kCopy || !platform::is_link(source));

  std::string target;
  if (op != TreeOp::kDelete) {
    if (!platform::full_path_name(destination_text, target)) return false;
    if (platform::is_folder(target)) add_backslash(target);
  }

  if (!folder) {
    if (ends_with_backslash(target)) target += last_component(source);
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
    // Copying a folder into its own tree would never end.
    if (inside(target, source)) return fail(wf::kInvalidParameter);
    if (!fits(target)) return fail(wf::kFilenameTooLong);
    if (!platform::create_folder(target.substr(0, target.size() - 1))) return false;
  }
  if (!walk(op, source, target)) return false;
  if (op == TreeOp::kMove) return platform::remove_folder(source.substr(0, source.size() - 1));
  return true;
}

}  // namespace velmora::files
