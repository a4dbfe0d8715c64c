// Double fork: the intermediate child exits at once (or after watching the program for
// a bounded time), so the program is adopted by init and never becomes a zombie of the
// host; a close-on-exec pipe carries the errno of a failed exec back to the host, and
// closes by itself when the exec succeeds.
#include "platform/linux/processes_spawn.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/processes.hpp"

namespace velmora::platform::linux_backend {

namespace {

// One message on the report pipe; small enough to be written atomically.
struct Message {
  int kind;
  int value;
};
constexpr int kExecFailed = 1;  // value: errno (written by the grandchild)
constexpr int kExited = 2;      // value: exit code (written by the intermediate child)
constexpr int kStillRunning = 3;

constexpr int kPollSliceMs = 10;
constexpr int kReportMarginMs = 5000;  // beyond the wait, for the children to answer

// Only async-signal-safe calls from here on: the host may have other threads.
void write_message(int fd, int kind, int value) {
  const Message m{kind, value};
  while (::write(fd, &m, sizeof m) < 0 && errno == EINTR) {
  }
}

// The program starts with the signal state of a fresh process, not the host's.
void reset_signals() {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);
}

[[noreturn]] void run_grandchild(char* const* argv, int null_fd, int report_fd) {
  if (::dup2(null_fd, 0) < 0 || ::dup2(null_fd, 1) < 0 || ::dup2(null_fd, 2) < 0) {
    write_message(report_fd, kExecFailed, errno);
    ::_exit(127);
  }
  ::execv(argv[0], argv);
  write_message(report_fd, kExecFailed, errno);
  ::_exit(127);
}

int exit_code_of(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 127;
}

[[noreturn]] void run_intermediate(char* const* argv, int null_fd, int report_fd, int wait_ms) {
  reset_signals();  // SIGCHLD back to default, so that waitpid below sees the grandchild
  ::setsid();
  const pid_t program = ::fork();
  if (program < 0) {
    write_message(report_fd, kExecFailed, errno);
    ::_exit(1);
  }
  if (program == 0) run_grandchild(argv, null_fd, report_fd);
  if (wait_ms <= 0) ::_exit(0);

  for (int waited = 0; waited < wait_ms; waited += kPollSliceMs) {
    int status = 0;
    const pid_t done = ::waitpid(program, &status, WNOHANG);
    if (done == program) {
      write_message(report_fd, kExited, exit_code_of(status));
      ::_exit(0);
    }
    if (done < 0 && errno != EINTR) break;
    const struct timespec slice { 0, kPollSliceMs * 1000000L };
    ::nanosleep(&slice, nullptr);
  }
  write_message(report_fd, kStillRunning, 0);
  ::_exit(0);
}

// Reads the children's messages until the pipe closes (every writer gone) or time runs out.
SpawnReport read_report(int fd, int limit_ms) {
  SpawnReport report;
  report.state = SpawnReport::State::Running;
  Message m{};
  std::size_t have = 0;
  struct timespec start {};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const long elapsed =
        (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
    if (elapsed >= limit_ms) break;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(limit_ms - elapsed));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t got = ::read(fd, reinterpret_cast<char*>(&m) + have, sizeof m - have);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    have += static_cast<std::size_t>(got);
    if (have < sizeof m) continue;
    have = 0;
    if (m.kind == kExecFailed) {
      report.state = SpawnReport::State::NotStarted;
      report.error = m.value;
    } else if (m.kind == kExited && report.state != SpawnReport::State::NotStarted) {
      report.state = SpawnReport::State::Exited;
      report.exit_code = m.value;
    }
  }
  return report;
}

struct ErrnoShell {
  int errno_value;
  unsigned shell_error;
};
constexpr ErrnoShell kErrnoShell[] = {
    {ENOENT, shellerr::kFileNotFound},       {ENOTDIR, shellerr::kPathNotFound},
    {ENAMETOOLONG, shellerr::kPathNotFound}, {ELOOP, shellerr::kPathNotFound},
    {EACCES, shellerr::kAccessDenied},       {EPERM, shellerr::kAccessDenied},
    {EISDIR, shellerr::kAccessDenied},       {ENOMEM, shellerr::kOutOfMemory},
    {E2BIG, shellerr::kOutOfMemory},         {EAGAIN, shellerr::kOutOfMemory},
    {EMFILE, shellerr::kOutOfMemory},        {ENFILE, shellerr::kOutOfMemory},
    {ENOEXEC, shellerr::kBadFormat},         {ELIBBAD, shellerr::kBadFormat},
    {EINVAL, shellerr::kBadFormat},          {ETXTBSY, shellerr::kShare},
};

// A host started with its standard streams closed hands out descriptors 0 to 2 first;
// the child's own streams are put there, so nothing it still needs may stay there.
// The descriptor moved to 3 or above (close-on-exec), or -1 with errno set.
int above_standard_streams(int fd) {
  if (fd < 0 || fd > 2) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  const int e = errno;
  ::close(fd);
  errno = e;
  return moved;
}

}  // namespace

unsigned shell_error_from_errno(int errno_value) {
  for (const ErrnoShell& row : kErrnoShell) {
    if (row.errno_value == errno_value) return row.shell_error;
  }
  return shellerr::kAccessDenied;  // refused for a reason the shell has no number for
}

SpawnReport spawn_detached(const std::vector<std::string>& args, int wait_ms) {
  SpawnReport failed;
  if (args.empty()) {
    failed.error = ENOENT;
    return failed;
  }
  // Everything the children need is made before the fork: they must not allocate.
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const int null_fd = above_standard_streams(::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (null_fd < 0) {
    failed.error = errno;
    return failed;
  }
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    failed.error = errno;
    ::close(null_fd);
    return failed;
  }
  report[0] = above_standard_streams(report[0]);
  report[1] = above_standard_streams(report[1]);
  if (report[0] < 0 || report[1] < 0) {
    failed.error = errno;
    for (const int fd : {report[0], report[1], null_fd}) {
      if (fd >= 0) ::close(fd);
    }
    return failed;
  }
  const pid_t intermediate = ::fork();
  if (intermediate == 0) {
    ::close(report[0]);
    run_intermediate(argv.data(), null_fd, report[1], wait_ms);
  }
  const int fork_error = errno;
  ::close(report[1]);
  ::close(null_fd);
  if (intermediate < 0) {
    ::close(report[0]);
    failed.error = fork_error;
    return failed;
  }
  int status = 0;
  while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
  }
  SpawnReport report_read = read_report(report[0], (wait_ms > 0 ? wait_ms : 0) + kReportMarginMs);
  ::close(report[0]);
  return report_read;
}

}  // namespace velmora::platform::linux_backend
