// FindFile's walk.  Each folder is listed once: its matches are kept to be handed out one
// per call, its sub-folders pushed to be visited after them.
#include "files/find_search.hpp"

#include "files/path_notation.hpp"
#include "files/volume_label.hpp"
#include "params/text_util.hpp"
#include "platform/folder_scan.hpp"
#include "platform/fs.hpp"
#include "platform/volumes.hpp"

namespace velmora::files {
namespace {

// Longer folders are not searched for matches, and not entered at all past kMaxEntered.
constexpr std::size_t kMaxSearched = 258;
constexpr std::size_t kMaxEntered = 260;

std::string join(const std::string& folder, const std::string& name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path += folder;
  path += '\\';
  path += name;
  return path;
}

// "srv::pub:dir:" -> "\\srv\pub\dir", the path results are reported under.
std::string server_root(std::string_view volume) {
  std::string root = network_to_native(volume);
  while (root.size() > 2 && ends_with_backslash(root)) root.pop_back();
  return root;
}

void drop_final_backslash(std::string& root) {
  if (ends_with_backslash(root)) root.pop_back();
}

}  // namespace

std::string find_pattern(const FindCriteria& criteria) {
  std::string pattern = criteria.name.empty() ? "*" : criteria.name;
  pattern += '.';
  pattern += criteria.extension.empty() ? "*" : criteria.extension;
  return pattern;
}

std::string network_notation(std::string_view path) {
  if (path.substr(0, 2) != "\\\\") return std::string(path);
  std::string out;
  bool first = true;
  for (std::size_t i = 2; i < path.size(); ++i) {
    const char c = path[i];
    if (params::is_lead_byte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
      out += c;
      out += path[++i];
    } else if (c == '\\') {
      out += first ? "::" : ":";
      first = false;
    } else {
      out += c;
    }
  }
  return out;
}

void FindSearch::start(const FindCriteria& criteria) {
  stop();
  criteria_ = criteria;
  pattern_ = find_pattern(criteria_);
  running_ = true;
  choose_roots();
}

void FindSearch::stop() {
  running_ = false;
  roots_.clear();
  root_ = 0;
  stack_.clear();
  current_.clear();
  matches_.clear();
  match_ = 0;
}

void FindSearch::choose_roots() {
  if (criteria_.volume_given) {
    const std::string& v = criteria_.volume;
    if (v.size() <= 2) {
      roots_.push_back({static_cast<char>(params::to_upper_ascii(v[0])), ':'});
    } else if (v.find("::") != std::string::npos) {
      roots_.push_back(server_root(v));
    } else if (auto root = drive_root_for_label(std::string_view(v).substr(0, v.size() - 1))) {
      drop_final_backslash(*root);
      roots_.push_back(*root);
    }
    return;
  }
  for (std::string root : platform::logical_drive_strings()) {
    if (criteria_.local_only && platform::drive_type(root) == platform::DriveType::Remote) {
      continue;
    }
    drop_final_backslash(root);
    roots_.push_back(std::move(root));
  }
}

bool FindSearch::next(std::string& path) {
  if (!running_) return false;
  while (match_ >= matches_.size()) {
    if (!advance()) {
      stop();
      return false;
    }
  }
  path = join(current_, matches_[match_++]);
  return true;
}

// Moves on to the next folder in pre-order that has a match.
bool FindSearch::advance() {
  for (;;) {
    while (!stack_.empty() && stack_.back().next >= stack_.back().subfolders.size()) {
      stack_.pop_back();
    }
    std::string folder;
    if (stack_.empty()) {
      if (root_ >= roots_.size()) return false;
      folder = roots_[root_++];
    } else {
      Frame& top = stack_.back();
      folder = join(top.folder, top.subfolders[top.next++]);
      if (folder.size() > kMaxEntered) continue;
    }
    visit(folder);
    if (!matches_.empty()) return true;
  }
}

void FindSearch::visit(const std::string& folder) {
  current_ = folder;
  matches_.clear();
  match_ = 0;
  std::vector<platform::ScanEntry> entries;
  if (!platform::scan_folder(folder + '\\', entries)) return;
  const bool searched = folder.size() <= kMaxSearched;
  Frame frame{folder, {}, 0};
  for (auto& entry : entries) {
    if (searched && platform::wildcard_match(pattern_, entry.name)) matches_.push_back(entry.name);
    // Dot folders (.git, .cache) and links are never entered: no detours, no cycles.
    if (entry.folder && !entry.link && entry.name.front() != '.') {
      frame.subfolders.push_back(std::move(entry.name));
    }
  }
  if (!frame.subfolders.empty()) stack_.push_back(std::move(frame));
}

}  // namespace velmora::files
