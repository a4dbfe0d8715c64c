// A private X display for tests that show real windows: Xvfb on the first free display
// number from 90 up, local connections only, stopped again when the object goes.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

class XvfbDisplay {
 public:
  XvfbDisplay() {
    for (int n = 90; n < 190 && pid_ <= 0; ++n) {
      if (exists("/tmp/.X" + std::to_string(n) + "-lock") ||
          exists("/tmp/.X11-unix/X" + std::to_string(n))) {
        continue;
      }
      start(n);
    }
  }
  ~XvfbDisplay() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  bool ok() const { return pid_ > 0; }
  const std::string& name() const { return name_; }

 private:
  static bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  void start(int n) {
    const std::string display = ":" + std::to_string(n);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execlp("Xvfb", "Xvfb", display.c_str(), "-nolisten", "tcp", "-screen", "0", "1024x768x24",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (pid < 0) return;
    // Ready when its socket appears; a display taken meanwhile makes it exit.
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    for (int i = 0; i < 100; ++i) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) return;
      if (exists(socket)) {
        pid_ = pid;
        name_ = display;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }

  pid_t pid_ = -1;
  std::string name_;
};
