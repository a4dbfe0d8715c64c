// Windows-form paths on a Linux file system: full path names made the way the system
// makes them, and the host path each one stands for under the drive table.
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "params/text_util.hpp"
#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/text.hpp"

namespace velmora::platform {

namespace {

using linux_backend::Drive;
using linux_backend::Share;

// Splits native text at backslashes; a second byte of a double-byte character is never
// taken for one.
std::vector<std::string> split_components(std::string_view text) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (params::is_lead_byte(c) && i + 1 < text.size()) {
      current.push_back(text[i]);
      current.push_back(text[++i]);
    } else if (c == '\\') {
      parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(text[i]);
    }
  }
  parts.push_back(std::move(current));
  return parts;
}

bool ends_with_separator(std::string_view text) {
  if (text.empty() || text.back() != '\\') return false;
  return !params::is_second_byte(text.data(), text.data() + text.size() - 1);
}

// Folds "." and ".." and empty components; never climbs above the root.
std::string fold(std::string_view root, std::string_view rest) {
  std::vector<std::string> kept;
  for (std::string& part : split_components(rest)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(std::move(part));
  }
  std::string out(root);
  out.push_back('\\');
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out.push_back('\\');
    out += kept[i];
  }
  if (!kept.empty() && (ends_with_separator(rest))) out.push_back('\\');
  return out;
}

// The current folder in Windows form; none when no drive holds it.
std::optional<std::string> current_folder() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) {
    linux_backend::fail_errno();
    return std::nullopt;
  }
  return linux_backend::native_from_host(buffer);
}

char current_drive() {
  std::optional<std::string> cwd = current_folder();
  if (cwd && cwd->size() >= 2 && (*cwd)[1] == ':') return (*cwd)[0];
  const std::vector<Drive>& all = linux_backend::drives();
  return all.empty() ? 'C' : all.front().letter;
}

// A host path made lexically absolute ('.' and '..' folded).
std::string fold_host(std::string_view path) {
  std::vector<std::string_view> kept;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t slash = path.find('/', i);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view part = path.substr(i, slash - i);
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!part.empty() && part != ".") {
      kept.push_back(part);
    }
    i = slash + 1;
  }
  std::string out;
  for (std::string_view part : kept) {
    out.push_back('/');
    out += part;
  }
  return out.empty() ? "/" : out;
}

bool is_drive_prefix(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && params::is_ascii_letter(static_cast<unsigned char>(s[0]));
}

// True when folding would give `s` back unchanged but for the drive letter's case: a
// drive, a backslash, and components none of which is empty (but a final separator),
// "." or "..", with no '/' anywhere.  Most paths a script passes are already like this.
bool is_full_drive_path(std::string_view s) {
  if (s.size() < 3 || !is_drive_prefix(s) || s[2] != '\\') return false;
  std::size_t start = 3;
  for (std::size_t i = 3; i <= s.size(); ++i) {
    if (i < s.size()) {
      const auto c = static_cast<unsigned char>(s[i]);
      if (c == '/' || c == '\0') return false;
      if (params::is_lead_byte(c) && i + 1 < s.size()) {
        ++i;
        continue;
      }
      if (c != '\\') continue;
    }
    const std::string_view part = s.substr(start, i - start);
    if (part == "." || part == "..") return false;
    if (part.empty() && !(i == s.size() && start > 3)) return i == s.size() && s.size() == 3;
    start = i + 1;
  }
  return true;
}

// Appends the components of native text (backslash-separated, empty ones left out) to a
// host path, each as "/" and its UTF-8 name.
void append_host_components(std::string& out, std::string_view rest) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= rest.size(); ++i) {
    if (i < rest.size()) {
      const auto c = static_cast<unsigned char>(rest[i]);
      if (params::is_lead_byte(c) && i + 1 < rest.size()) {
        ++i;
        continue;
      }
      if (c != '\\') continue;
    }
    const std::string_view part = rest.substr(start, i - start);
    start = i + 1;
    if (part.empty()) continue;
    out.push_back('/');
    bool ascii = true;
    for (const char c : part) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      out += part;
    } else {
      out += native_to_utf8(part);
    }
  }
}

}  // namespace

bool full_path_name(std::string_view path, std::string& out) {
  if (path.empty() || path.find('\0') != std::string_view::npos) {
    set_last_error(winerr::kInvalidName);
    return false;
  }
  if (is_full_drive_path(path)) {
    out.assign(path);
    out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return true;
  }
  std::string s(path);
  // A Linux absolute path ("/home/me/a.txt") names that very file: place it on the
  // drive that holds it.
  if (s[0] == '/' && (s.size() == 1 || s[1] != '/')) {
    std::optional<std::string> native =
        linux_backend::native_from_host(fold_host(native_to_utf8(s)));
    if (!native) return false;
    s = *native;
  }
  for (char& c : s) {
    if (c == '/') c = '\\';  // 0x2F is never the second byte of a double-byte character
  }

  if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') {
    if (s.size() >= 4 && (s[2] == '?' || s[2] == '.') && s[3] == '\\') {
      out = s;  // device namespace: taken as it stands
      return true;
    }
    std::vector<std::string> parts = split_components(std::string_view(s).substr(2));
    if (parts.size() < 2 || parts[0].empty()) {
      out = s;
      return true;
    }
    std::string root = "\\\\" + parts[0] + "\\" + parts[1];
    std::size_t consumed = 2 + parts[0].size() + 1 + parts[1].size();
    if (consumed >= s.size()) {
      out = root;
      return true;
    }
    out = fold(root, std::string_view(s).substr(consumed));
    return true;
  }

  if (is_drive_prefix(s)) {
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    std::string root{letter, ':'};
    std::string_view rest = std::string_view(s).substr(2);
    if (!rest.empty() && rest[0] == '\\') {
      out = fold(root, rest);
      return true;
    }
    std::optional<std::string> cwd = current_folder();
    if (cwd && is_drive_prefix(*cwd) && (*cwd)[0] == letter) {
      out = fold(root, cwd->substr(2) + "\\" + std::string(rest));
    } else {
      out = fold(root, rest);
    }
    return true;
  }

  if (s[0] == '\\') {
    out = fold(std::string{current_drive(), ':'}, s);
    return true;
  }

  std::optional<std::string> cwd = current_folder();
  if (!cwd) return false;
  if (cwd->size() >= 2 && (*cwd)[0] == '\\') {
    std::vector<std::string> parts = split_components(std::string_view(*cwd).substr(2));
    std::string root = "\\\\" + parts[0] + "\\" + (parts.size() > 1 ? parts[1] : "");
    out = fold(root, cwd->substr(std::min(cwd->size(), root.size())) + "\\" + s);
  } else {
    out = fold(cwd->substr(0, 2), cwd->substr(2) + "\\" + s);
  }
  return true;
}

namespace linux_backend {

namespace {

// The entry of `folder` whose native name equals `name` with letters in any case.
std::optional<std::string> find_ignoring_case(const std::string& folder, std::string_view name) {
  DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = ::readdir(dir)) {
    std::string_view disk = e->d_name;
    if (disk == "." || disk == "..") continue;
    if (params::equals_ignore_case(utf8_to_native(disk), name)) {
      found = std::string(disk);
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// Links followed at most, as the kernel's own limit.
constexpr int kMaxLinks = 40;

bool beneath(const std::string& path, const std::string& root) {
  return root.empty() || path == root ||
         (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
          path[root.size()] == '/');
}

// True when `host` (which starts with `root`) resolves, through every link on the way,
// to a place inside `root`.  Components that do not exist hold no links: the walk stops
// at the first of them.
bool stays_beneath(const std::string& root, const std::string& host) {
  char* real_root = ::realpath(root.empty() ? "/" : root.c_str(), nullptr);
  if (real_root == nullptr) return false;
  std::string top(real_root);
  std::free(real_root);
  if (top == "/") return true;  // a drive of the whole machine confines nothing

  std::vector<std::string> todo;  // components still to walk, last first
  auto push_front = [&todo](std::string_view path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
      std::size_t slash = path.find('/', i);
      if (slash == std::string_view::npos) slash = path.size();
      if (slash > i) parts.emplace_back(path.substr(i, slash - i));
      i = slash + 1;
    }
    todo.insert(todo.end(), parts.rbegin(), parts.rend());
  };
  push_front(std::string_view(host).substr(std::min(root.size(), host.size())));
  std::string current = top;
  int links = 0;
  while (!todo.empty()) {
    const std::string part = std::move(todo.back());
    todo.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      const std::size_t slash = current.rfind('/');
      current.resize(slash == std::string::npos ? 0 : slash);
      if (!beneath(current, top)) return false;
      continue;
    }
    const std::string next = current + "/" + part;
    struct stat st {};
    if (::lstat(next.c_str(), &st) != 0) return beneath(next, top);
    if (!S_ISLNK(st.st_mode)) {
      current = next;
      continue;
    }
    if (++links > kMaxLinks) return false;
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(next.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return false;
    target.resize(static_cast<std::size_t>(n));
    if (!target.empty() && target[0] == '/') current.clear();
    push_front(target);
  }
  return beneath(current, top);
}

}  // namespace

std::optional<std::string> host_path(std::string_view native_path, HostStat* seen) {
  if (seen != nullptr) seen->valid = false;
  std::string full;
  if (!full_path_name(native_path, full)) return std::nullopt;

  std::string base;
  std::string_view rest;
  bool confined = false;
  if (is_drive_prefix(full)) {
    const Drive* drive = drive_for_letter(full[0]);
    if (drive == nullptr) {
      set_last_error(winerr::kPathNotFound);
      return std::nullopt;
    }
    base = drive->directory;
    confined = drive->confined;
    rest = std::string_view(full).substr(2);
  } else if (full.size() > 2 && full[0] == '\\' && full[1] == '\\') {
    std::vector<std::string> parts = split_components(std::string_view(full).substr(2));
    const Share* share = parts.size() >= 2
                             ? find_share(native_to_utf8(parts[0]), native_to_utf8(parts[1]))
                             : nullptr;
    if (share == nullptr) {
      set_last_error(winerr::kBadNetPath);
      return std::nullopt;
    }
    base = share->directory;
    confined = share->confined;
    rest = std::string_view(full).substr(
        std::min(full.size(), 2 + parts[0].size() + 1 + parts[1].size()));
  } else {
    set_last_error(winerr::kPathNotFound);
    return std::nullopt;
  }

  const std::string root = base;
  // The whole path as given first: when it exists, every component on the way matched
  // exactly, which is what the walk below would find one component at a time.
  std::string exact = base;
  append_host_components(exact, rest);
  struct stat found {};
  if (::stat(exact.empty() ? "/" : exact.c_str(), &found) == 0) {
    if (confined && !stays_beneath(root, exact)) {
      set_last_error(winerr::kAccessDenied);
      return std::nullopt;
    }
    if (seen != nullptr) {
      seen->valid = true;
      seen->st = found;
    }
    if (exact.empty()) exact = "/";
    return exact;
  }

  bool on_disk = true;  // every component so far exists
  for (const std::string& part : split_components(rest)) {
    if (part.empty()) continue;
    std::string utf8 = native_to_utf8(part);
    std::string candidate = base + "/" + utf8;
    if (on_disk) {
      struct stat st {};
      if (::lstat(candidate.c_str(), &st) != 0) {
        std::optional<std::string> match =
            errno == ENOENT ? find_ignoring_case(base, part) : std::nullopt;
        if (match) {
          candidate = base + "/" + *match;
        } else {
          on_disk = false;
        }
      }
    }
    base = std::move(candidate);
  }
  if (confined && !stays_beneath(root, base)) {
    set_last_error(winerr::kAccessDenied);
    return std::nullopt;
  }
  if (base.empty()) base = "/";
  return base;
}

std::optional<std::string> host_path(std::string_view native_path) {
  return host_path(native_path, nullptr);
}

std::optional<std::string> native_from_host(std::string_view host) {
  std::size_t best = 0;
  bool found = false;
  std::string root;
  auto holds = [&](std::string_view dir) {
    return dir.empty() || (host.size() >= dir.size() && host.compare(0, dir.size(), dir) == 0 &&
                           (host.size() == dir.size() || host[dir.size()] == '/'));
  };
  for (const Drive& d : drives()) {
    if (holds(d.directory) && (!found || d.directory.size() > best)) {
      best = d.directory.size();
      root = std::string{d.letter, ':'};
      found = true;
    }
  }
  for (const Share& s : shares()) {
    if (holds(s.directory) && (!found || s.directory.size() > best)) {
      best = s.directory.size();
      root = "\\\\" + utf8_to_native(s.server) + "\\" + utf8_to_native(s.share);
      found = true;
    }
  }
  if (!found) {
    set_last_error(winerr::kPathNotFound);
    return std::nullopt;
  }
  std::string out = root;
  std::string_view rest = host.substr(best);
  std::size_t i = 0;
  while (i < rest.size()) {
    std::size_t slash = rest.find('/', i);
    if (slash == std::string_view::npos) slash = rest.size();
    if (slash > i) {
      out.push_back('\\');
      out += utf8_to_native(rest.substr(i, slash - i));
    }
    i = slash + 1;
  }
  if (out.size() == 2) out.push_back('\\');
  return out;
}

}  // namespace linux_backend

}  // namespace velmora::platform
