// Starting programs on Linux: the program file executed directly with the document as
// its one argument, or the desktop's opener (xdg-open, else gio) for a document alone.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/drive_map.hpp"
#include "platform/linux/processes_spawn.hpp"
#include "platform/processes.hpp"

namespace velmora::platform {

namespace {

using linux_backend::SpawnReport;

// How long an opener may take to hand the document over before we stop waiting and take
// it as opened (some openers stay in the foreground with the program they started).
constexpr int kOpenerWaitMs = 5000;

struct Opener {
  const char* program;
  const char* verb;  // an argument before the document, or null
};
constexpr Opener kOpeners[] = {{"xdg-open", nullptr}, {"gio", "open"}};

// The executable file `name` in a folder of PATH, as a shell would find it.
std::optional<std::string> find_in_path(const char* name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const std::size_t colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    // Only absolute folders: an opener planted in whatever the current folder is must
    // not be run with the user's document.
    if (!folder.empty() && folder[0] == '/') {
      std::string candidate = folder + "/" + name;
      struct stat st {};
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    if (colon == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(colon + 1);
  }
}

}  // namespace

SysError launch_program(std::string_view program, const std::optional<std::string>& document) {
  std::optional<std::string> host_program = linux_backend::host_path(program);
  if (!host_program) return shellerr::kPathNotFound;
  // Windows hands the program the document path as its whole command line; one argument
  // is that here, spaces and all, with no shell to split or expand it.
  std::vector<std::string> argv{*host_program};
  if (document) {
    std::optional<std::string> host_document = linux_backend::host_path(*document);
    if (!host_document) return shellerr::kPathNotFound;
    argv.push_back(*host_document);
  }
  const SpawnReport report = linux_backend::spawn_detached(argv, 0);
  if (report.state == SpawnReport::State::NotStarted) {
    return linux_backend::shell_error_from_errno(report.error);
  }
  return 0;
}

SysError open_document(std::string_view document) {
  std::optional<std::string> host_document = linux_backend::host_path(document);
  if (!host_document) return shellerr::kPathNotFound;
  for (const Opener& opener : kOpeners) {
    std::optional<std::string> found = find_in_path(opener.program);
    if (!found) continue;
    std::vector<std::string> argv{*found};
    if (opener.verb != nullptr) argv.emplace_back(opener.verb);
    argv.push_back(*host_document);
    const SpawnReport report = linux_backend::spawn_detached(argv, kOpenerWaitMs);
    // The opener answers by its exit status: anything but 0 means nothing opened it.
    if (report.state == SpawnReport::State::Running) return 0;
    if (report.state == SpawnReport::State::Exited && report.exit_code == 0) return 0;
    return shellerr::kNoAssociation;
  }
  return shellerr::kNoAssociation;
}

}  // namespace velmora::platform
