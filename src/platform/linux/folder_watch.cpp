// Linux backend of the folder watch: one inotify descriptor for the process, read
// without blocking whenever a watch is asked about.  Every notice counts against the
// watch descriptor it names; a lost notice (queue overflow) counts against all.
#include "platform/folder_watch.hpp"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/linux/drive_map.hpp"

namespace velmora::platform {
namespace {

constexpr std::uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                  IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// File systems whose changes made elsewhere (another client, the server) raise no
// notice here.
constexpr long kUnreported[] = {
    0x6969,                         // NFS
    0x517B,                         // SMB
    0xFF534D42,                     // CIFS
    0xFE534D42,                     // SMB2
    0x65735546,                     // FUSE (sshfs, GVFS shares)
    0x564C,                         // NCP
    0x73757245,                     // Coda
    0x47504653,                     // GPFS
    0x013111A8,                     // IBRIX
    static_cast<long>(0x00C36400),  // Ceph
};

struct Slot {
  int users = 0;
  std::uint64_t notices = 0;
};

class Notices {
 public:
  static Notices& get() {
    static Notices* n = new Notices();  // lives as long as the process: watches may outlive statics
    return *n;
  }

  // The descriptor watching `host` and its notice counts now; -1 when it cannot be had.
  int add(const std::string& host, std::uint64_t& notices, std::uint64_t& lost) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0) fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return -1;
    drain();
    const int wd = ::inotify_add_watch(fd_, host.c_str(), kEvents);
    if (wd < 0) return -1;
    Slot& slot = slots_[wd];
    ++slot.users;
    notices = slot.notices;
    lost = lost_;
    return wd;
  }

  void remove(int wd) {
    const std::lock_guard<std::mutex> lock(mutex_);
    auto it = slots_.find(wd);
    if (it == slots_.end()) return;
    if (--it->second.users == 0) {
      slots_.erase(it);
      ::inotify_rm_watch(fd_, wd);
    }
  }

  bool changed(int wd, std::uint64_t notices, std::uint64_t lost) {
    const std::lock_guard<std::mutex> lock(mutex_);
    drain();
    auto it = slots_.find(wd);
    return it == slots_.end() || it->second.notices != notices || lost_ != lost;
  }

 private:
  void drain() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        if (e->mask & IN_Q_OVERFLOW) ++lost_;
        if (auto it = slots_.find(e->wd); it != slots_.end()) ++it->second.notices;
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
  }

  std::mutex mutex_;
  int fd_ = -1;
  std::uint64_t lost_ = 0;
  std::unordered_map<int, Slot> slots_;
};

class InotifyWatch final : public FolderWatch {
 public:
  InotifyWatch(int wd, std::uint64_t notices, std::uint64_t lost)
      : wd_(wd), notices_(notices), lost_(lost) {}
  ~InotifyWatch() override { Notices::get().remove(wd_); }
  bool changed() override {
    if (!changed_) changed_ = Notices::get().changed(wd_, notices_, lost_);
    return changed_;
  }

 private:
  int wd_;
  std::uint64_t notices_;
  std::uint64_t lost_;
  bool changed_ = false;
};

bool reports_changes(const std::string& host) {
  struct statfs fs {};
  if (::statfs(host.c_str(), &fs) != 0) return false;
  for (const long type : kUnreported) {
    if (static_cast<long>(fs.f_type) == type) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<FolderWatch> watch_folder(std::string_view folder) {
  const auto host = linux_backend::host_path(folder);
  if (!host) return nullptr;
  const std::string dir = host->empty() ? "/" : *host;
  if (!reports_changes(dir)) return nullptr;
  std::uint64_t notices = 0, lost = 0;
  const int wd = Notices::get().add(dir, notices, lost);
  if (wd < 0) return nullptr;
  return std::make_unique<InotifyWatch>(wd, notices, lost);
}

}  // namespace velmora::platform
