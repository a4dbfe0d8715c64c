// Ejecting a removable medium the Linux way: unmount the volume (through udisks2 where it
// runs, so that an ordinary user may; else umount2), and only then open the tray or stop
// the unit, or detach a loop device from its image file.  A fixed disk is never touched.
#include <fcntl.h>
#include <limits.h>
#include <linux/cdrom.h>
#include <linux/loop.h>
#include <scsi/sg.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/fs.hpp"
#include "platform/linux/drive_map.hpp"
#include "platform/volumes.hpp"

extern char** environ;

namespace velmora::platform {

namespace {

// A busy volume is retried for about ten seconds; a helper that does not answer within
// its time is stopped and not asked again, so that ejecting never waits much longer.
constexpr auto kUnmountWait = std::chrono::seconds(10);
constexpr auto kUnmountPause = std::chrono::milliseconds(500);
constexpr auto kHelperWait = std::chrono::seconds(3);
constexpr auto kHelperPoll = std::chrono::milliseconds(20);

enum class Ran { ok, failed, hung };

// Runs a program (no shell) with its output discarded, for at most `limit`; a program
// still running then is killed.
Ran run_quietly(std::vector<std::string> args, std::chrono::steady_clock::duration limit) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return Ran::failed;
  const auto until = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return Ran::failed;
    if (std::chrono::steady_clock::now() >= until) {
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return Ran::hung;
    }
    std::this_thread::sleep_for(kHelperPoll);
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Ran::ok : Ran::failed;
}

struct Mount {
  std::string source;
  std::string point;
};

std::vector<Mount> read_mounts() {
  std::vector<Mount> mounts;
  std::ifstream in("/proc/self/mounts");
  std::string source, point, rest;
  while (in >> source >> point && std::getline(in, rest)) {
    mounts.push_back({linux_backend::unescape_octal(source), linux_backend::unescape_octal(point)});
  }
  return mounts;
}

std::string real_path(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// Where the drive's volume is mounted (the kernel's form of the folder: no symbolic link).
std::string mount_point(const linux_backend::Drive& d) {
  return real_path(d.directory.empty() ? "/" : d.directory);
}

// Whether the drive's own device is still mounted at its folder; a different file system
// mounted beneath it is not ours to unmount.
bool is_mounted(const std::string& point, const std::string& device) {
  for (const Mount& m : read_mounts()) {
    if (m.point == point && m.source == device) return true;
  }
  return false;
}

// Whether the device is mounted at some other folder as well: ejecting it would pull the
// medium from under that mount, so the drive is left alone instead.
bool mounted_elsewhere(const std::string& point, const std::string& device) {
  for (const Mount& m : read_mounts()) {
    if (m.source == device && m.point != point) return true;
  }
  return false;
}

bool unmount(const linux_backend::Drive& d, const std::string& point) {
  const auto until = std::chrono::steady_clock::now() + kUnmountWait;
  int last = EBUSY;
  bool helper = true;  // udisks answers for an ordinary user; once hung, it is not asked again
  for (bool first = true;; first = false) {
    if (!first) {
      if (std::chrono::steady_clock::now() + kUnmountPause > until) break;
      std::this_thread::sleep_for(kUnmountPause);
    }
    if (!is_mounted(point, d.device)) return true;
    if (helper) {
      const Ran ran = run_quietly({"udisksctl", "unmount", "--no-user-interaction", "-b", d.device},
                                  kHelperWait);
      if (ran == Ran::ok) return true;
      helper = ran != Ran::hung;
    }
    if (::umount2(point.c_str(), UMOUNT_NOFOLLOW) == 0) return true;
    last = errno;
    if (last != EBUSY) break;  // only a busy volume is worth waiting for
  }
  set_last_error(last == EBUSY ? winerr::kBusy : error_from_errno(last));
  return false;
}

// The whole-disk device of a partition (/dev/sdb1 -> /dev/sdb).
std::string whole_disk(const std::string& device) {
  char resolved[PATH_MAX];
  if (::realpath(device.c_str(), resolved) == nullptr) return device;
  std::string name = resolved;
  name = name.substr(name.rfind('/') + 1);
  char sys[PATH_MAX];
  std::string link = "/sys/class/block/" + name;
  if (::realpath(link.c_str(), sys) == nullptr) return device;
  std::string sys_path = sys;
  if (::access((sys_path + "/partition").c_str(), F_OK) != 0) return resolved;
  std::string parent = sys_path.substr(0, sys_path.rfind('/'));
  return "/dev/" + parent.substr(parent.rfind('/') + 1);
}

bool eject_cdrom(const std::string& device) {
  int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return linux_backend::fail_errno();
  ::ioctl(fd, CDROM_LOCKDOOR, 0);  // allow removal; a drive without a lock refuses harmlessly
  bool ok = ::ioctl(fd, CDROMEJECT, 0) == 0 || linux_backend::fail_errno();
  ::close(fd);
  return ok;
}

// One SCSI command without data, as the eject program sends it.
bool scsi_command(int fd, const unsigned char (&cdb)[6]) {
  unsigned char sense[32] = {};
  sg_io_hdr_t io{};
  io.interface_id = 'S';
  io.cmd_len = sizeof cdb;
  io.cmdp = const_cast<unsigned char*>(cdb);
  io.dxfer_direction = SG_DXFER_NONE;
  io.sbp = sense;
  io.mx_sb_len = sizeof sense;
  io.timeout = 10000;
  return ::ioctl(fd, SG_IO, &io) == 0 && io.status == 0 && io.host_status == 0 &&
         io.driver_status == 0;
}

bool eject_removable(const std::string& device) {
  std::string disk = whole_disk(device);
  if (run_quietly({"udisksctl", "power-off", "--no-user-interaction", "-b", disk}, kHelperWait) ==
      Ran::ok) {
    return true;
  }
  int fd = ::open(disk.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return linux_backend::fail_errno();
  constexpr unsigned char kAllowRemoval[6] = {0x1E, 0, 0, 0, 0, 0};
  constexpr unsigned char kStartUnit[6] = {0x1B, 0, 0, 0, 1, 0};
  constexpr unsigned char kStopAndEject[6] = {0x1B, 0, 0, 0, 2, 0};
  bool ok = scsi_command(fd, kAllowRemoval) && scsi_command(fd, kStartUnit) &&
            scsi_command(fd, kStopAndEject);
  if (!ok) ok = ::ioctl(fd, CDROMEJECT, 0) == 0;
  if (!ok) set_last_error(winerr::kNotSupported);
  ::close(fd);
  return ok;
}

// The loop device a device node belongs to (itself, or the disk of a partition of one);
// empty for every other kind of device.
std::string loop_disk(const std::string& device) {
  std::string disk = whole_disk(device);
  std::string name = disk.substr(disk.rfind('/') + 1);
  if (name.empty() || ::access(("/sys/class/block/" + name + "/loop").c_str(), F_OK) != 0) {
    return {};
  }
  return disk;
}

bool loop_attached(const std::string& disk) {
  std::string name = disk.substr(disk.rfind('/') + 1);
  return ::access(("/sys/class/block/" + name + "/loop/backing_file").c_str(), F_OK) == 0;
}

// A loop device's medium is its image file: detaching it is the eject.  A device that let
// go of its image by itself when it was unmounted (auto-clear) is already ejected.
bool detach_loop(const std::string& disk) {
  if (!loop_attached(disk)) return true;
  int fd = ::open(disk.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return linux_backend::fail_errno();
  bool ok = ::ioctl(fd, LOOP_CLR_FD, 0) == 0 || errno == ENXIO || linux_backend::fail_errno();
  ::close(fd);
  return ok;
}

}  // namespace

bool eject_drive(char letter) {
  const linux_backend::Drive* d = linux_backend::drive_for_letter(letter);
  if (d == nullptr) {
    set_last_error(winerr::kInvalidDrive);
    return false;
  }
  if (d->type != DriveType::Removable && d->type != DriveType::CdRom) {
    set_last_error(winerr::kAccessDenied);
    return false;
  }
  if (d->device.rfind("/dev/", 0) != 0) {
    set_last_error(winerr::kNotSupported);  // a folder standing in for a drive has no medium
    return false;
  }
  std::string point = mount_point(*d);
  if (mounted_elsewhere(point, d->device)) {
    set_last_error(winerr::kBusy);
    return false;
  }
  if (!unmount(*d, point)) return false;
  if (std::string loop = loop_disk(d->device); !loop.empty()) return detach_loop(loop);
  return d->type == DriveType::CdRom ? eject_cdrom(d->device) : eject_removable(d->device);
}

}  // namespace velmora::platform
