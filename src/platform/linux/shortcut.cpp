// Shortcut files read with liblnk: the network path when the link records one, else
// the local path, else the relative path joined to the shortcut's own folder.
#include "platform/shortcut.hpp"

#include <liblnk.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "params/text_util.hpp"
#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/linux/lnk_bounds.hpp"
#include "platform/text.hpp"

namespace velmora::platform {

namespace {

constexpr std::size_t kMaxTarget = 259;
// Real shortcuts are a few kilobytes; anything far larger is not one.
constexpr std::uint64_t kMaxShortcutBytes = 1 << 20;

using Getter = int (*)(liblnk_file_t*, uint8_t*, size_t, liblnk_error_t**);
using SizeGetter = int (*)(liblnk_file_t*, size_t*, liblnk_error_t**);

std::optional<std::string> read_string(liblnk_file_t* file, SizeGetter size_of, Getter get) {
  liblnk_error_t* error = nullptr;
  size_t size = 0;
  if (size_of(file, &size, &error) != 1 || size <= 1 || size > 65536) {
    liblnk_error_free(&error);
    return std::nullopt;
  }
  std::vector<uint8_t> buffer(size);
  if (get(file, buffer.data(), buffer.size(), &error) != 1) {
    liblnk_error_free(&error);
    return std::nullopt;
  }
  std::string utf8(reinterpret_cast<const char*>(buffer.data()));
  if (utf8.empty()) return std::nullopt;
  return utf8;
}

// Reads the link at `host_path`; `relative_base` (native folder with a final backslash)
// receives a relative target.
std::optional<std::string> read_link(const std::string& host_path, std::string_view relative_base) {
  liblnk_file_t* file = nullptr;
  liblnk_error_t* error = nullptr;
  if (liblnk_file_initialize(&file, &error) != 1) {
    liblnk_error_free(&error);
    return std::nullopt;
  }
  std::optional<std::string> target;
  if (liblnk_file_set_ascii_codepage(file, LIBLNK_CODEPAGE_WINDOWS_932, &error) == 1 &&
      liblnk_file_open(file, host_path.c_str(), LIBLNK_OPEN_READ, &error) == 1) {
    if (auto net = read_string(file, liblnk_file_get_utf8_network_path_size,
                               liblnk_file_get_utf8_network_path)) {
      target = utf8_to_native(*net);
    } else if (auto local = read_string(file, liblnk_file_get_utf8_local_path_size,
                                        liblnk_file_get_utf8_local_path)) {
      target = utf8_to_native(*local);
    } else if (auto rel = read_string(file, liblnk_file_get_utf8_relative_path_size,
                                      liblnk_file_get_utf8_relative_path)) {
      std::string native = utf8_to_native(*rel);
      std::string joined = std::string(relative_base) + native;
      std::string full;
      target = relative_base.empty() ? native : full_path_name(joined, full) ? full : joined;
    }
    liblnk_file_close(file, &error);
  }
  liblnk_error_free(&error);
  liblnk_file_free(&file, nullptr);
  if (target && target->size() > kMaxTarget) target->resize(kMaxTarget);
  return target;
}

// Bytes that passed the layout check, handed to liblnk as a file living in memory.
std::optional<std::string> read_checked(std::string_view bytes, std::string_view relative_base) {
  if (!linux_backend::shortcut_layout_fits(bytes)) return std::nullopt;
  int fd = ::memfd_create("shortcut", MFD_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  std::optional<std::string> target;
  if (written == bytes.size()) {
    target = read_link("/proc/self/fd/" + std::to_string(fd), relative_base);
  }
  ::close(fd);
  return target;
}

// The length of the folder part, up to and with the last separating backslash.
std::size_t folder_length(std::string_view path) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (params::is_lead_byte(static_cast<unsigned char>(path[i]))) {
      ++i;
    } else if (path[i] == '\\') {
      length = i + 1;
    }
  }
  return length;
}

}  // namespace

std::optional<std::string> shortcut_target(std::string_view native_path) {
  std::string bytes;
  if (!read_file(native_path, bytes, kMaxShortcutBytes)) return std::nullopt;
  std::string folder(native_path);
  folder.resize(folder_length(folder));
  return read_checked(bytes, folder);
}

std::optional<std::string> shortcut_target_from_bytes(std::string_view bytes) {
  return read_checked(bytes, "");
}

}  // namespace velmora::platform
