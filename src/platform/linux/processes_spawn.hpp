// Linux backend only: starting a program detached from the host, with the failure of the
// start itself reported back rather than lost in the child.
#pragma once
#include <string>
#include <vector>

namespace velmora::platform::linux_backend {

struct SpawnReport {
  enum class State {
    Running,     // the program was started and had not ended when we stopped looking
    Exited,      // it ended within the wait; exit_code says how
    NotStarted,  // it could not be started at all; error is the errno of the attempt
  };
  State state = State::NotStarted;
  int exit_code = 0;  // Exited: the exit status, 128 + signal when it was killed
  int error = 0;      // NotStarted: errno
};

// Runs argv[0] (a path, no PATH search) with the given arguments in a new session, its
// standard streams on /dev/null, as a grandchild that the host never has to reap.
// wait_ms 0: returns as soon as the program is running.  wait_ms > 0: also waits up to
// that long for it to end and reports its exit status (for openers that answer by it).
SpawnReport spawn_detached(const std::vector<std::string>& argv, int wait_ms);

// The Windows shell's number for an errno of a failed start (2, 3, 5, 8, 11, 26).
unsigned shell_error_from_errno(int errno_value);

}  // namespace velmora::platform::linux_backend
