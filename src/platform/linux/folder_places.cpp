// The folder memory of a tree operation: native folder path -> host folder path.
#include "platform/linux/folder_places.hpp"

#include <unordered_map>

#include "params/text_util.hpp"
#include "platform/file_ops.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/text.hpp"

namespace velmora::platform {
namespace {

using Places = std::unordered_map<std::string, std::string>;
thread_local Places* active = nullptr;

std::string_view without_final_backslash(std::string_view path) {
  if (path.size() > 3 && path.back() == '\\' &&
      !params::is_second_byte(path.data(), path.data() + path.size() - 1)) {
    path.remove_suffix(1);
  }
  return path;
}

// Position of the last separator, or npos.
std::size_t last_separator(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (c == '\\') {
      last = i;
    }
  }
  return last;
}

bool plain_name(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

}  // namespace

FolderPlaces::FolderPlaces() {
  if (active == nullptr) {
    active = new Places();
    owner_ = true;
  }
}

FolderPlaces::~FolderPlaces() {
  if (owner_) {
    delete active;
    active = nullptr;
  }
}

namespace linux_backend {

std::optional<std::string> placed_host_path(std::string_view native_path) {
  if (active == nullptr) return host_path(native_path);
  const std::string_view path = without_final_backslash(native_path);
  if (const auto hit = active->find(std::string(path)); hit != active->end()) return hit->second;

  const std::size_t sep = last_separator(path);
  if (sep != std::string_view::npos) {
    const std::string_view name = path.substr(sep + 1);
    const auto parent = active->find(std::string(path.substr(0, sep)));
    if (parent != active->end() && plain_name(name)) {
      return parent->second + "/" + native_to_utf8(name);
    }
  }
  return host_path(path);
}

void remember_folder(std::string_view native_folder, const std::string& host_folder) {
  if (active != nullptr) active->emplace(without_final_backslash(native_folder), host_folder);
}

}  // namespace linux_backend
}  // namespace velmora::platform
