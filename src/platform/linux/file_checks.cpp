#include "platform/linux/file_checks.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "params/text_util.hpp"
#include "platform/fs.hpp"

namespace velmora::platform::linux_backend {

namespace {

constexpr bool forbidden_in_name(unsigned char c) {
  return c < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' ||
         c == '<' || c == '>' || c == '|';
}

int not_a_file(int& err) {
  err = 0;
  set_last_error(winerr::kAccessDenied);
  return -1;
}

}  // namespace

int open_regular(const std::string& host_path, int& err) {
  struct stat st {};
  if (::stat(host_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return not_a_file(err);
  const int fd = ::open(host_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    err = errno;
    return -1;
  }
  // The entry may have been swapped for another kind since it was looked at.
  if (::fstat(fd, &st) != 0) {
    err = errno;
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return not_a_file(err);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  err = 0;
  return fd;
}

bool name_allowed(std::string_view native_path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < native_path.size(); ++i) {
    const auto c = static_cast<unsigned char>(native_path[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (c == '\\') {
      start = i + 1;
    }
  }
  const std::string_view name = native_path.substr(start);
  bool ok = !name.empty();
  for (std::size_t i = 0; ok && i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (params::is_lead_byte(c)) {
      ++i;
    } else if (forbidden_in_name(c)) {
      ok = false;
    }
  }
  if (!ok) set_last_error(winerr::kInvalidName);
  return ok;
}

}  // namespace velmora::platform::linux_backend
