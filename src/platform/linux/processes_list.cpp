// The running processes and their program files, from /proc.
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/drive_map.hpp"
#include "platform/linux/processes_proc.hpp"
#include "platform/processes.hpp"

namespace velmora::platform {

namespace {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// The host path of a process's program file; none when it cannot be read.
std::optional<std::string> program_file(std::uint32_t pid) {
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  char buffer[PATH_MAX];
  const ssize_t got = ::readlink(link.c_str(), buffer, sizeof buffer);
  // A text that fills the buffer may have been cut: a wrong path is worse than none.
  if (got <= 0 || static_cast<std::size_t>(got) >= sizeof buffer) return std::nullopt;
  const std::string text(buffer, static_cast<std::size_t>(got));
  struct stat st {};
  const bool marked_name_exists = ::stat(text.c_str(), &st) == 0;
  std::optional<std::string_view> file =
      linux_backend::executable_from_link(text, marked_name_exists);
  if (!file) return std::nullopt;
  return std::string(*file);
}

}  // namespace

std::vector<ProcessEntry> list_processes() {
  std::vector<ProcessEntry> all;
  std::unique_ptr<DIR, DirCloser> proc(::opendir("/proc"));
  if (!proc) return all;
  while (const dirent* entry = ::readdir(proc.get())) {
    std::optional<std::uint32_t> pid = linux_backend::pid_from_proc_name(entry->d_name);
    if (!pid) continue;
    ProcessEntry p;
    p.id = *pid;
    if (std::optional<std::string> file = program_file(*pid)) {
      if (std::optional<std::string> native = linux_backend::native_from_host(*file)) {
        p.executable = std::move(*native);
      }
    }
    all.push_back(std::move(p));
  }
  return all;
}

std::string program_identity(std::string_view path) {
  std::optional<std::string> host = linux_backend::host_path(path);
  if (!host) return std::string(path);
  std::unique_ptr<char, decltype(&::free)> real(::realpath(host->c_str(), nullptr), &::free);
  if (!real) return std::string(path);
  std::optional<std::string> native = linux_backend::native_from_host(real.get());
  return native ? *native : std::string(path);
}

}  // namespace velmora::platform
