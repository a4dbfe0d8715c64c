// VeUtl_EjectVolume on a real medium: an ext2 image attached to a loop device and
// mounted in a temporary folder, declared to fmhost as a removable drive.  Ejecting it
// unmounts the folder and detaches the loop device; a busy or fixed drive is refused and
// stays as it was.  Needs root (losetup, mount); the test touches only the image and the
// loop device it made itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

constexpr char kLabel[] = "VELEJECT";

struct Outcome {
  bool ok = false;
  std::string out;  // standard output and error together
};

// Runs a program (no shell) and collects what it prints.
Outcome run_program(std::vector<std::string> args) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return {};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe_fds[1], 1);
    ::dup2(pipe_fds[1], 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  Outcome result;
  char buf[4096];
  ssize_t got = 0;
  while ((got = ::read(pipe_fds[0], buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) result.out.append(buf, static_cast<size_t>(got));
  }
  ::close(pipe_fds[0]);
  int status = 0;
  if (pid < 0) return result;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string first_line_of(const stdfs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

class EjectLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "attaching and mounting a loop device needs root";
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-eject-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    base_ = tmpl;
    image_ = base_ / "medium.img";
    mount_dir_ = base_ / "mnt";
    stdfs::create_directories(mount_dir_);
    { std::ofstream(image_.string()); }
    stdfs::resize_file(image_, 4 << 20);
    Outcome mkfs = run_program({"mkfs.ext2", "-q", "-L", kLabel, image_.string()});
    if (!mkfs.ok) GTEST_SKIP() << "mkfs.ext2 is not available: " << mkfs.out;
    Outcome attach = run_program({"losetup", "-f", "--show", image_.string()});
    if (!attach.ok) GTEST_SKIP() << "losetup is not permitted here: " << attach.out;
    loop_ = trimmed(attach.out);
    ASSERT_EQ(loop_.rfind("/dev/loop", 0), 0u) << loop_;
    Outcome mount = run_program({"mount", loop_, mount_dir_.string()});
    if (!mount.ok) GTEST_SKIP() << "mount is not permitted here: " << mount.out;
    ASSERT_TRUE(mounted());
    std::ofstream(mount_dir_ / "photo.txt") << "on the medium";
  }

  void TearDown() override {
    stop_holder();
    if (!second_dir_.empty()) run_program({"umount", second_dir_.string()});
    if (!base_.empty() && mounted()) run_program({"umount", mount_dir_.string()});
    if (!base_.empty() && mounted()) run_program({"umount", "-l", mount_dir_.string()});
    // Only our own image is detached, never whatever the device holds by then.
    if (attached()) run_program({"losetup", "-d", loop_});
    std::error_code ec;
    if (!base_.empty()) stdfs::remove_all(base_, ec);
  }

  // fmhost with one drive E: in the mount folder.
  std::string eject(const std::string& parameter, const std::string& options,
                    const std::string& path = "") {
    std::string table = "E=" + mount_dir_.string() + options;
    std::vector<std::pair<std::string, std::string>> env{{"VELMORA_DRIVES", table},
                                                         {"VELMORA_LANG", "en"}};
    if (!path.empty()) env.emplace_back("PATH", path);
    RunResult r = run_fmhost({"VeUtl_EjectVolume", parameter}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> out = lines(r.out);
    return out.size() == 1 ? out[0] : "(" + r.out + ")";
  }

  bool mounted() const {
    std::ifstream in("/proc/self/mounts");
    std::string source, point, rest;
    while (in >> source >> point && std::getline(in, rest)) {
      if (point == mount_dir_.string()) return true;
    }
    return false;
  }

  // Whether the loop device still holds our image.
  bool attached() const {
    if (loop_.empty()) return false;
    stdfs::path sys = "/sys/class/block/" + loop_.substr(loop_.rfind('/') + 1) + "/loop";
    return first_line_of(sys / "backing_file") == image_.string();
  }

  // The kernel may let go of a loop device just after the call that detached it.
  bool detached_soon() const {
    for (int i = 0; i < 40 && attached(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return !attached();
  }

  // A process that keeps its working folder on the medium until stopped.
  void start_holder() {
    holder_ = ::fork();
    if (holder_ == 0) {
      if (::chdir(mount_dir_.c_str()) != 0) ::_exit(1);
      for (;;) ::pause();
    }
    ASSERT_GT(holder_, 0);
    // It is busy once the child's cwd is inside.
    stdfs::path cwd = "/proc/" + std::to_string(holder_) + "/cwd";
    for (int i = 0; i < 100; ++i) {
      std::error_code ec;
      if (stdfs::read_symlink(cwd, ec) == mount_dir_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FAIL() << "the holder never entered the medium";
  }

  void stop_holder() {
    if (holder_ <= 0) return;
    ::kill(holder_, SIGKILL);
    int status = 0;
    while (::waitpid(holder_, &status, 0) < 0 && errno == EINTR) {
    }
    holder_ = -1;
  }

  stdfs::path base_, image_, mount_dir_, second_dir_;
  std::string loop_;
  pid_t holder_ = -1;
};

TEST_F(EjectLoop, DriveLetterUnmountsAndDetachesTheMedium) {
  EXPECT_EQ(eject("PATH=E:", ",type=removable"), "");  // success sets no result
  EXPECT_FALSE(mounted());
  EXPECT_TRUE(detached_soon());
  // The data went with the medium: the image keeps the file, the folder is empty again.
  EXPECT_FALSE(stdfs::exists(mount_dir_ / "photo.txt"));
  // Now the folder is a plain folder again, with no medium to eject.
  EXPECT_TRUE(eject("PATH=E:", ",type=removable").rfind("ERROR=-50", 0) == 0);
}

TEST_F(EjectLoop, OnlyTheDriveLetterOfAPathCounts) {
  EXPECT_EQ(eject("NAME=E:\\\\Photos\\\\2024", ",type=removable"), "");
  EXPECT_FALSE(mounted());
  EXPECT_TRUE(detached_soon());
}

TEST_F(EjectLoop, LabelReadFromTheMediumNamesTheDrive) {
  // The entry gives no label: the drive carries the one mkfs wrote.
  EXPECT_EQ(eject(std::string("VOLUME=") + kLabel, ",type=removable"), "");
  EXPECT_FALSE(mounted());
  EXPECT_TRUE(detached_soon());
}

TEST_F(EjectLoop, BusyVolumeIsRefusedAndStaysMounted) {
  start_holder();
  // Retried for about ten seconds, then refused with the medium left in place.
  EXPECT_TRUE(eject("PATH=E:", ",type=removable").rfind("ERROR=-50", 0) == 0);
  EXPECT_TRUE(mounted());
  EXPECT_TRUE(attached());
  EXPECT_EQ(first_line_of(mount_dir_ / "photo.txt"), "on the medium");
  // Once nothing uses it, the same call ejects it.
  stop_holder();
  EXPECT_EQ(eject("PATH=E:", ",type=removable"), "");
  EXPECT_FALSE(mounted());
  EXPECT_TRUE(detached_soon());
}

TEST_F(EjectLoop, DeviceMountedAtAnotherFolderTooIsLeftAlone) {
  second_dir_ = base_ / "also";
  stdfs::create_directories(second_dir_);
  ASSERT_TRUE(run_program({"mount", loop_, second_dir_.string()}).ok);
  // Ejecting would pull the medium from under the other mount: refused before any unmount.
  EXPECT_TRUE(eject("PATH=E:", ",type=removable").rfind("ERROR=-50", 0) == 0);
  EXPECT_TRUE(mounted());
  EXPECT_TRUE(attached());
  EXPECT_EQ(first_line_of(second_dir_ / "photo.txt"), "on the medium");
}

TEST_F(EjectLoop, FixedDriveIsNeverTouched) {
  EXPECT_TRUE(eject("PATH=E:", ",type=fixed").rfind("ERROR=-50", 0) == 0);
  EXPECT_TRUE(eject("PATH=E:", "").rfind("ERROR=-50", 0) == 0);  // fixed is the default
  EXPECT_TRUE(mounted());
  EXPECT_TRUE(attached());
  EXPECT_EQ(first_line_of(mount_dir_ / "photo.txt"), "on the medium");
}

// The unmount helper may hang (a desktop bus that never answers): it is stopped after its
// time and the volume is unmounted directly, instead of the call waiting for it for ever.
TEST_F(EjectLoop, AnUnmountHelperThatNeverAnswersIsStopped) {
  const stdfs::path bin = base_ / "bin";
  stdfs::create_directories(bin);
  std::ofstream(bin / "udisksctl") << "#!/bin/sh\nexec sleep 600\n";
  stdfs::permissions(bin / "udisksctl", stdfs::perms::owner_all);
  const char* path = std::getenv("PATH");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(
      eject("PATH=E:", ",type=removable", bin.string() + ":" + (path ? path : "/usr/bin:/bin")),
      "");
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(mounted());
  EXPECT_TRUE(detached_soon());
  EXPECT_LT(seconds, 30.0);
}

}  // namespace
