// Directory searches (find first / next / close) over host folders, reporting native
// names and Windows attributes.
#include <dirent.h>

#include <cerrno>

#include "params/text_util.hpp"
#include "platform/fs.hpp"
#include "platform/linux/dos_attributes.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/text.hpp"

namespace velmora::platform {

namespace {

class HostSearch final : public DirectorySearch {
 public:
  HostSearch(DIR* dir, std::string folder, std::string pattern)
      : dir_(dir), folder_(std::move(folder)), pattern_(std::move(pattern)) {}
  ~HostSearch() override {
    if (dir_ != nullptr) ::closedir(dir_);
  }

  bool next(FileEntry& out) override {
    if (dir_ == nullptr) {
      set_last_error(winerr::kInvalidHandle);
      return false;
    }
    while (true) {
      errno = 0;
      dirent* e = ::readdir(dir_);
      if (e == nullptr) {
        set_last_error(errno == 0 ? winerr::kNoMoreFiles : error_from_errno(errno));
        return false;
      }
      std::string_view host_name = e->d_name;
      if (host_name == "." || host_name == "..") continue;
      std::string native = utf8_to_native(host_name);
      if (!wildcard_match(pattern_, native)) continue;
      // An entry removed since the listing began is simply not reported.
      if (!linux_backend::fill_entry(folder_ + "/" + std::string(host_name), host_name, out)) {
        continue;
      }
      out.name = std::move(native);
      return true;
    }
  }

  bool close() override {
    if (dir_ == nullptr) {
      set_last_error(winerr::kInvalidHandle);
      return false;
    }
    int rc = ::closedir(dir_);
    dir_ = nullptr;
    return rc == 0 || linux_backend::fail_errno();
  }

 private:
  DIR* dir_;
  std::string folder_;
  std::string pattern_;
};

// A search for one name without wildcards: the exact-then-any-case lookup serves it.
class SingleSearch final : public DirectorySearch {
 public:
  bool next(FileEntry&) override {
    set_last_error(winerr::kNoMoreFiles);
    return false;
  }
  bool close() override { return true; }
};

std::size_t last_separator(std::string_view path) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (c == '\\' || c == '/') {
      found = i;
    }
  }
  return found;
}

}  // namespace

std::unique_ptr<DirectorySearch> find_first(std::string_view pattern_path, FileEntry& first) {
  std::size_t sep = last_separator(pattern_path);
  std::string folder_text = sep == std::string_view::npos
                                ? std::string(".")
                                : std::string(pattern_path.substr(0, sep + 1));
  std::string pattern(sep == std::string_view::npos ? pattern_path : pattern_path.substr(sep + 1));
  if (pattern.empty()) {
    set_last_error(winerr::kFileNotFound);
    return nullptr;
  }
  if (pattern.find_first_of("*?") == std::string::npos) {
    std::string full = folder_text + pattern;
    if (!lookup(full, first)) return nullptr;
    return std::make_unique<SingleSearch>();
  }

  std::optional<std::string> folder = linux_backend::host_path(folder_text);
  if (!folder) return nullptr;
  DIR* dir = ::opendir(folder->empty() ? "/" : folder->c_str());
  if (dir == nullptr) {
    int saved = errno;
    set_last_error(saved == ENOENT || saved == ENOTDIR ? winerr::kPathNotFound
                                                       : error_from_errno(saved));
    return nullptr;
  }
  auto search = std::make_unique<HostSearch>(dir, *folder == "/" ? "" : *folder, pattern);
  if (!search->next(first)) {
    if (last_error() == winerr::kNoMoreFiles) set_last_error(winerr::kFileNotFound);
    return nullptr;
  }
  return search;
}

}  // namespace velmora::platform
