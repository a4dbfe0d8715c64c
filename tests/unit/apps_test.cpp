// Application control: matching running programs by path, checking APP and DOC values,
// reading /proc, and the detached start that must neither lose a failure nor leave a
// zombie behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "apps/app_paths.hpp"
#include "platform/linux/processes_proc.hpp"
#include "platform/linux/processes_spawn.hpp"
#include "platform/processes.hpp"

namespace {

namespace stdfs = std::filesystem;
using velmora::apps::check_file;
using velmora::apps::matching_processes;
using velmora::apps::same_program_path;
using velmora::platform::ProcessEntry;
using velmora::platform::linux_backend::SpawnReport;

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-apps-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    stdfs::remove_all(path_, ec);
  }
  const stdfs::path& path() const { return path_; }
  stdfs::path file(const std::string& name, const std::string& content = "",
                   bool executable = false) const {
    stdfs::path p = path_ / name;
    std::ofstream(p, std::ios::binary) << content;
    if (executable) ::chmod(p.c_str(), 0755);
    return p;
  }

 private:
  stdfs::path path_;
};

TEST(SameProgramPath, WholePathsWithAsciiLettersInAnyCase) {
  EXPECT_TRUE(same_program_path("C:\\Apps\\Tool.exe", "c:\\APPS\\tool.EXE"));
  EXPECT_FALSE(same_program_path("C:\\Apps\\Tool.exe", "C:\\Apps\\Tool.ex"));
  EXPECT_FALSE(same_program_path("C:\\Apps\\Tool", "C:\\Apps\\Tool2"));
  EXPECT_FALSE(same_program_path("C:\\Other\\Tool.exe", "C:\\Apps\\Tool.exe"));
  EXPECT_TRUE(same_program_path("", ""));
}

TEST(SameProgramPath, SecondBytesOfDoubleByteCharactersAreNotFolded) {
  // 0x83 0x41 and 0x83 0x61 are two different katakana whose second bytes are 'A' and 'a'.
  EXPECT_FALSE(same_program_path("C:\\\x83\x41.exe", "C:\\\x83\x61.exe"));
  EXPECT_TRUE(same_program_path("C:\\\x83\x41.exe", "c:\\\x83\x41.EXE"));
  // A lead byte against a plain letter, and a lead byte cut off at the end.
  EXPECT_FALSE(same_program_path("C:\\\x83\x41", "C:\\aA"));
  EXPECT_FALSE(same_program_path("C:\\a\x83", "C:\\a\x84"));
  EXPECT_TRUE(same_program_path("C:\\a\x83", "c:\\A\x83"));
  // A letter after a double-byte character is folded again.
  EXPECT_TRUE(same_program_path("\x83\x41x", "\x83\x41X"));
}

TEST(MatchingProcesses, EveryCopyOfThatPathAndNoOther) {
  std::vector<ProcessEntry> all;
  for (std::uint32_t id = 1; id <= 300; ++id) all.push_back({id, "C:\\Apps\\tool"});
  all.push_back({400, "C:\\Other\\tool"});
  all.push_back({401, ""});  // unreadable process
  all.push_back({402, "C:\\APPS\\TOOL"});
  std::vector<std::uint32_t> ids = matching_processes(all, "c:\\apps\\Tool");
  ASSERT_EQ(ids.size(), 301u);  // more than a fixed list of 257 would have held
  EXPECT_EQ(ids.front(), 1u);
  EXPECT_EQ(ids.back(), 402u);
  EXPECT_TRUE(matching_processes(all, "").empty());
}

TEST(CheckFile, AbsentFolderMissingAndExisting) {
  TempDir dir;
  velmora::files::PathSpec spec;
  EXPECT_EQ(check_file(nullptr, spec), velmora::kParamErr);
  EXPECT_EQ(check_file(dir.path().c_str(), spec), velmora::kFileNotFound);
  EXPECT_EQ(check_file((dir.path() / "none").c_str(), spec), velmora::kFileNotFound);
  stdfs::path f = dir.file("a.txt", "x");
  ASSERT_EQ(check_file(f.c_str(), spec), velmora::kNoErr);
  EXPECT_TRUE(spec.exists);
  EXPECT_FALSE(spec.is_folder);
  EXPECT_EQ(spec.name.substr(0, 3), "C:\\");
}

TEST(ProcNames, OnlyPlainDecimalIdsThatFit) {
  using velmora::platform::linux_backend::pid_from_proc_name;
  EXPECT_EQ(pid_from_proc_name("1"), 1u);
  EXPECT_EQ(pid_from_proc_name("4294967295"), 4294967295u);
  EXPECT_FALSE(pid_from_proc_name("4294967296"));
  EXPECT_FALSE(pid_from_proc_name("99999999999"));
  EXPECT_FALSE(pid_from_proc_name("0"));
  EXPECT_FALSE(pid_from_proc_name(""));
  EXPECT_FALSE(pid_from_proc_name("self"));
  EXPECT_FALSE(pid_from_proc_name("12a"));
  EXPECT_FALSE(pid_from_proc_name("-1"));
}

TEST(ProcExeLink, DeletedMarkDroppedOnlyWhenNothingHasThatName) {
  using velmora::platform::linux_backend::executable_from_link;
  EXPECT_EQ(executable_from_link("/usr/bin/tool (deleted)", false), "/usr/bin/tool");
  EXPECT_EQ(executable_from_link("/usr/bin/tool (deleted)", true), "/usr/bin/tool (deleted)");
  EXPECT_EQ(executable_from_link("/usr/bin/tool", false), "/usr/bin/tool");
  EXPECT_EQ(executable_from_link("/ (deleted)", false), "/");
  EXPECT_FALSE(executable_from_link(" (deleted)", false));
  EXPECT_FALSE(executable_from_link("[anon]", false));
  EXPECT_FALSE(executable_from_link("", false));
}

TEST(ProcessList, ShowsThisProcessWithItsProgramFile) {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = '\0';
  std::string expected = "C:" + std::string(self);
  for (char& c : expected) {
    if (c == '/') c = '\\';
  }
  bool found = false;
  for (const ProcessEntry& p : velmora::platform::list_processes()) {
    if (p.id == static_cast<std::uint32_t>(::getpid())) {
      found = true;
      EXPECT_EQ(p.executable, expected);
    }
  }
  EXPECT_TRUE(found);
}

TEST(ProgramIdentity, FollowsLinksToTheProgramFile) {
  TempDir dir;
  stdfs::path target = dir.file("real-tool", "#!/bin/sh\n", true);
  stdfs::create_symlink(target, dir.path() / "link-tool");
  std::string expected = "C:" + target.string();
  for (char& c : expected) {
    if (c == '/') c = '\\';
  }
  std::string link = "C:" + (dir.path() / "link-tool").string();
  for (char& c : link) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(velmora::platform::program_identity(link), expected);
  EXPECT_EQ(velmora::platform::program_identity(expected), expected);
  // A path that leads nowhere stays as given.
  EXPECT_EQ(velmora::platform::program_identity("C:\\no\\such\\tool"), "C:\\no\\such\\tool");
}

// The children of this process, running or zombie, from /proc/<pid>/stat ("pid (name)
// state ppid ...").
std::vector<int> children_of_this_process() {
  std::vector<int> kids;
  for (const auto& entry : stdfs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string text;
    if (!std::getline(stat, text)) continue;
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid()) {
      kids.push_back(std::atoi(entry.path().filename().c_str()));
    }
  }
  std::sort(kids.begin(), kids.end());
  return kids;
}

// Whatever this test process had running before, a spawn adds no child to it.
class NoChildLeft {
 public:
  NoChildLeft() : before_(children_of_this_process()) {}
  bool holds() const { return children_of_this_process() == before_; }

 private:
  std::vector<int> before_;
};

TEST(SpawnDetached, FailuresOfTheStartAreReportedNotLost) {
  using velmora::platform::linux_backend::spawn_detached;
  TempDir dir;
  NoChildLeft no_child;
  SpawnReport plain = spawn_detached({dir.file("plain.txt", "text").string()}, 0);
  EXPECT_EQ(plain.state, SpawnReport::State::NotStarted);
  EXPECT_EQ(plain.error, EACCES);
  SpawnReport garbage = spawn_detached({dir.file("garbage", "\x01\x02 not a program", true)}, 0);
  EXPECT_EQ(garbage.state, SpawnReport::State::NotStarted);
  EXPECT_EQ(garbage.error, ENOEXEC);
  SpawnReport missing = spawn_detached({(dir.path() / "missing").string()}, 0);
  EXPECT_EQ(missing.state, SpawnReport::State::NotStarted);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_TRUE(no_child.holds());
}

// With no descriptor left the start fails, says why (the shell's "out of memory or
// resources", not "access denied") and starts nothing.  Limited in a child process.
TEST(SpawnDetached, NoDescriptorLeftIsOutOfResources) {
  using velmora::platform::linux_backend::shell_error_from_errno;
  using velmora::platform::linux_backend::spawn_detached;
  TempDir dir;
  const stdfs::path done = dir.path() / "ran";
  const stdfs::path script = dir.file("touch.sh", "#!/bin/sh\n: > \"$1\"\n", true);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(10);
    const rlimit limit{32, 32};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(100);
    while (::dup(0) >= 0) {
    }
    const SpawnReport r = spawn_detached({script.string(), done.string()}, 0);
    if (r.state != SpawnReport::State::NotStarted) ::_exit(1);
    if (r.error != EMFILE) ::_exit(2);
    ::_exit(0);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(shell_error_from_errno(EMFILE), 8u);
  EXPECT_EQ(shell_error_from_errno(ENFILE), 8u);
  ::usleep(100 * 1000);
  EXPECT_FALSE(stdfs::exists(done));
}

// A host started with its standard streams closed (a daemon): the start still reports
// its failure, and a started program still finds its streams open.  In a child process.
TEST(SpawnDetached, AHostWithoutStandardStreamsStillHearsOfAFailedStart) {
  using velmora::platform::linux_backend::spawn_detached;
  TempDir dir;
  const stdfs::path missing = dir.path() / "missing";
  const stdfs::path done = dir.path() / "wrote";
  const stdfs::path script =
      dir.file("write.sh", "#!/bin/sh\necho out || exit 1\n: > \"$1\"\n", true);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(10);
    for (int fd = 0; fd <= 2; ++fd) ::close(fd);
    const SpawnReport failed = spawn_detached({missing.string()}, 0);
    if (failed.state != SpawnReport::State::NotStarted) ::_exit(1);
    if (failed.error != ENOENT) ::_exit(2);
    const SpawnReport waited = spawn_detached({missing.string()}, 2000);
    if (waited.state != SpawnReport::State::NotStarted) ::_exit(3);
    const SpawnReport ran = spawn_detached({script.string(), done.string()}, 5000);
    if (ran.state != SpawnReport::State::Exited || ran.exit_code != 0) ::_exit(4);
    ::_exit(0);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(stdfs::exists(done));
}

TEST(SpawnDetached, StartedProgramsAreNeverLeftAsZombies) {
  using velmora::platform::linux_backend::spawn_detached;
  TempDir dir;
  NoChildLeft no_child;
  stdfs::path done = dir.path() / "done";
  stdfs::path script = dir.file("touch.sh", "#!/bin/sh\n: > \"$1\"\n", true);
  SpawnReport started = spawn_detached({script.string(), done.string()}, 0);
  EXPECT_EQ(started.state, SpawnReport::State::Running);
  EXPECT_TRUE(no_child.holds());
  for (int i = 0; i < 200 && !stdfs::exists(done); ++i) ::usleep(10000);
  EXPECT_TRUE(stdfs::exists(done));
}

TEST(SpawnDetached, WaitingReportsTheExitStatusOrThatItStillRuns) {
  using velmora::platform::linux_backend::spawn_detached;
  NoChildLeft no_child;
  SpawnReport three = spawn_detached({"/bin/sh", "-c", "exit 3"}, 5000);
  EXPECT_EQ(three.state, SpawnReport::State::Exited);
  EXPECT_EQ(three.exit_code, 3);
  SpawnReport zero = spawn_detached({"/bin/sh", "-c", "exit 0"}, 5000);
  EXPECT_EQ(zero.state, SpawnReport::State::Exited);
  EXPECT_EQ(zero.exit_code, 0);
  // Still running when the wait ends: taken as started, and not waited for any longer.
  SpawnReport slow = spawn_detached({"/bin/sh", "-c", "sleep 2"}, 100);
  EXPECT_EQ(slow.state, SpawnReport::State::Running);
  EXPECT_TRUE(no_child.holds());
}

TEST(ShellErrors, ExecFailuresGetTheShellsNumbers) {
  using velmora::platform::linux_backend::shell_error_from_errno;
  EXPECT_EQ(shell_error_from_errno(ENOENT), 2u);
  EXPECT_EQ(shell_error_from_errno(ENOTDIR), 3u);
  EXPECT_EQ(shell_error_from_errno(EACCES), 5u);
  EXPECT_EQ(shell_error_from_errno(ENOMEM), 8u);
  EXPECT_EQ(shell_error_from_errno(ENOEXEC), 11u);
  EXPECT_EQ(shell_error_from_errno(ETXTBSY), 26u);
  // Whatever the reason, a refused start never reads as success.
  for (int e = 1; e < 200; ++e) {
    unsigned code = shell_error_from_errno(e);
    EXPECT_GE(code, 1u);
    EXPECT_LE(code, 32u);
  }
}

}  // namespace
