// Runs the fmhost program as a child process for end-to-end tests: arguments go
// straight to exec (no shell, so no quoting problems), standard input is fed from a
// string, and standard output and error are collected separately.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#ifndef FMHOST_PATH
#error "FMHOST_PATH must name the fmhost binary"
#endif

struct RunResult {
  int status = -1;  // exit code; 128 + signal number when the child was killed
  std::string out;
  std::string err;
};

namespace fmhost_runner_detail {

inline void close_fd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

// Moves bytes between the parent and the child until both output pipes are closed,
// feeding stdin as the child is ready for it so that a large input cannot deadlock.
inline void pump(int in_fd, int out_fd, int err_fd, const std::string& input, RunResult& r) {
  size_t written = 0;
  if (input.empty()) close_fd(in_fd);
  char buf[65536];
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3];
    int n = 0;
    int idx_in = -1, idx_out = -1, idx_err = -1;
    if (in_fd >= 0) {
      idx_in = n;
      fds[n++] = {in_fd, POLLOUT, 0};
    }
    if (out_fd >= 0) {
      idx_out = n;
      fds[n++] = {out_fd, POLLIN, 0};
    }
    if (err_fd >= 0) {
      idx_err = n;
      fds[n++] = {err_fd, POLLIN, 0};
    }
    if (::poll(fds, n, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (idx_in >= 0 && fds[idx_in].revents) {
      if (fds[idx_in].revents & POLLOUT) {
        ssize_t w = ::write(in_fd, input.data() + written, input.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 && errno != EINTR && errno != EAGAIN) written = input.size();
      } else {
        written = input.size();  // the child closed its end
      }
      if (written >= input.size()) close_fd(in_fd);
    }
    auto drain = [&](int idx, int& fd, std::string& sink) {
      if (idx < 0 || !fds[idx].revents) return;
      ssize_t got = ::read(fd, buf, sizeof buf);
      if (got > 0) {
        sink.append(buf, static_cast<size_t>(got));
      } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        close_fd(fd);
      }
    };
    drain(idx_out, out_fd, r.out);
    drain(idx_err, err_fd, r.err);
  }
  close_fd(in_fd);
}

}  // namespace fmhost_runner_detail

// Runs fmhost with `args` (not including the program name). `env` entries are set
// in the child on top of the inherited environment. Never throws on a child failure:
// the status tells what happened.
inline RunResult run_fmhost(std::vector<std::string> args,
                            std::vector<std::pair<std::string, std::string>> env = {},
                            std::string stdin_text = "") {
  using namespace fmhost_runner_detail;
  RunResult r;
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0) return r;
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
    ::close(in_pipe[0]);
    ::close(in_pipe[1]);
    return r;
  }
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]}) ::close(fd);
    return r;
  }

  std::vector<char*> argv;
  std::string program = FMHOST_PATH;
  argv.push_back(program.data());
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // A child writing to a closed stdin pipe must not kill the test process.
  ::signal(SIGPIPE, SIG_IGN);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    for (auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    // LeakSanitizer stops the world with a ptrace tracer at exit, which GTK's threads make
    // crash now and then ("Tracer caught signal 11"); a program that opened a display is
    // therefore checked by ASan and UBSan but not for leaks.
    if (const char* display = ::getenv("DISPLAY"); display != nullptr && *display != '\0') {
      const char* asan = ::getenv("ASAN_OPTIONS");
      std::string options = asan != nullptr ? std::string(asan) + ":" : std::string();
      ::setenv("ASAN_OPTIONS", (options + "detect_leaks=0").c_str(), 1);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  if (pid < 0) {
    ::close(in_pipe[1]);
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    return r;
  }
  // Non-blocking so that a large input is written in pieces while output is drained.
  ::fcntl(in_pipe[1], F_SETFL, ::fcntl(in_pipe[1], F_GETFL) | O_NONBLOCK);
  pump(in_pipe[1], out_pipe[0], err_pipe[0], stdin_text, r);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wstatus)) {
    r.status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    r.status = 128 + WTERMSIG(wstatus);
  }
  return r;
}

// Splits output into lines at '\n' (a final line feed does not start another line).
inline std::vector<std::string> lines(const std::string& out) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) {
      result.push_back(out.substr(start));
      break;
    }
    result.push_back(out.substr(start, end - start));
    start = end + 1;
  }
  return result;
}
