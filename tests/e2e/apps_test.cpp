// VeUtl_LaunchApp and VeUtl_QuitApp through fmhost on a hermetic drive C:.  Programs are
// small shell scripts that record their arguments; documents without a program go to a
// fake xdg-open first in PATH; windows are closed on an Xvfb server the test starts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;
using Env = std::vector<std::pair<std::string, std::string>>;

std::string read_file(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const stdfs::path& p, const std::string& content, bool executable = false) {
  stdfs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
  ::chmod(p.c_str(), executable ? 0755 : 0644);
}

// Polls for a condition the launched program brings about on its own time.
template <typename F>
bool eventually(F condition, int limit_ms = 10000) {
  for (int waited = 0; waited < limit_ms; waited += 20) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

// The code of an error envelope, or "" for an answer that is not one.
std::string error_code(const std::string& line) {
  if (line.rfind("ERROR=", 0) != 0) return "";
  return line.substr(6,
                     line.find(' ') == std::string::npos ? std::string::npos : line.find(' ') - 6);
}

// A child process of the test (a program to quit, a display server), ended with it.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { stop(); }

  bool start(const std::vector<std::string>& args, const Env& env, int keep_fd = -1) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      int null_fd = ::open("/dev/null", O_RDWR);
      ::dup2(null_fd, 0);
      ::dup2(null_fd, 1);
      ::dup2(null_fd, 2);
      if (keep_fd >= 0) ::fcntl(keep_fd, F_SETFD, 0);
      for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid_ > 0;
  }
  // True once the process ended (reaped here); its exit status in `status`.
  bool ended() {
    if (pid_ <= 0) return true;
    int wstatus = 0;
    if (::waitpid(pid_, &wstatus, WNOHANG) != pid_) return false;
    status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    pid_ = -1;
    return true;
  }
  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int wstatus = 0;
    ::waitpid(pid_, &wstatus, 0);
    pid_ = -1;
  }
  pid_t pid() const { return pid_; }
  int status = -1;

 private:
  pid_t pid_ = -1;
};

class Apps : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-apps-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    base_ = tmpl;
    c_ = base_ / "C";
    stdfs::create_directories(c_ / "docs");
    stdfs::create_directories(base_ / "bin");
    write_file(c_ / "docs" / "my doc's.txt", "text");
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(base_, ec);
  }

  // A Windows path on drive C: as a quoted parameter value ("C:\\docs\\a.txt").
  static std::string value(const std::string& windows_path) {
    std::string out = "\"";
    for (char ch : windows_path) {
      if (ch == '\\' || ch == '"') out += '\\';
      out += ch;
    }
    return out + "\"";
  }

  // One call with PATH (for the opener) and DISPLAY as the test says; the answer line.
  std::string call(const std::string& function, const std::string& parameter,
                   const std::string& display = "") {
    Env env{{"VELMORA_DRIVES", "C=" + c_.string()},
            {"VELMORA_LANG", "en"},
            {"PATH", path_},
            {"DISPLAY", display}};
    RunResult r = run_fmhost({function, parameter}, env);
    last_output_ = r.out;
    std::vector<std::string> out = lines(r.out);
    return out.empty() ? "<no output, status " + std::to_string(r.status) + ">" : out.front();
  }

  // A program that records its arguments (count, then one per line) in `record`, and
  // writes to its standard streams, which must not reach the host's output.
  stdfs::path recorder(const stdfs::path& at, const stdfs::path& record) {
    write_file(at,
               "#!/bin/sh\n"
               "{ echo \"argc=$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                   record.string() + ".part'\n/bin/mv '" + record.string() + ".part' '" +
                   record.string() + "'\necho noise; echo noise >&2\n",
               true);
    return at;
  }

  std::string recorded(const stdfs::path& record) {
    if (!eventually([&] { return stdfs::exists(record); })) return "<never started>";
    return read_file(record);
  }

  stdfs::path base_, c_;
  std::string path_ = "/usr/bin:/bin";
  std::string last_output_;
};

TEST_F(Apps, LaunchPassesTheDocumentAsOneArgument) {
  recorder(c_ / "bin" / "rec.sh", base_ / "argv");
  EXPECT_EQ(call("VeUtl_LaunchApp",
                 "APP=" + value("C:\\bin\\rec.sh") + " DOC=" + value("C:\\docs\\my doc's.txt")),
            "");
  EXPECT_EQ(recorded(base_ / "argv"), "argc=1\n" + (c_ / "docs" / "my doc's.txt").string() + "\n");
  // Started detached: its own output is not mixed into the host's answers.
  EXPECT_EQ(last_output_, "\n");
}

TEST_F(Apps, LaunchWithoutDocumentPassesNoArgument) {
  recorder(c_ / "bin" / "rec.sh", base_ / "argv");
  // Any notation, any letter case: the file on disk is found.
  EXPECT_EQ(call("VeUtl_LaunchApp", "APP=c:BIN:REC.SH"), "");
  EXPECT_EQ(recorded(base_ / "argv"), "argc=0\n");
}

TEST_F(Apps, DocumentAloneOpensWithTheAssociatedProgram) {
  path_ = (base_ / "bin").string() + ":/usr/bin:/bin";
  recorder(base_ / "bin" / "xdg-open", base_ / "opened");
  EXPECT_EQ(call("VeUtl_LaunchApp", "DOC=" + value("C:\\docs\\my doc's.txt")), "");
  EXPECT_EQ(recorded(base_ / "opened"),
            "argc=1\n" + (c_ / "docs" / "my doc's.txt").string() + "\n");
}

TEST_F(Apps, DocumentWithUnusableProgramStillOpens) {
  path_ = (base_ / "bin").string() + ":/usr/bin:/bin";
  recorder(base_ / "bin" / "xdg-open", base_ / "opened");
  stdfs::create_directories(c_ / "folder");
  for (const char* app : {"C:\\bin\\missing", "C:\\folder"}) {
    std::error_code ec;
    stdfs::remove(base_ / "opened", ec);
    EXPECT_EQ(call("VeUtl_LaunchApp",
                   std::string("APP=") + value(app) + " DOC=" + value("C:\\docs\\my doc's.txt")),
              "")
        << app;
    EXPECT_EQ(recorded(base_ / "opened"),
              "argc=1\n" + (c_ / "docs" / "my doc's.txt").string() + "\n")
        << app;
  }
}

TEST_F(Apps, NoAssociatedProgramIs31) {
  // The opener exists but cannot open the document (xdg-open's "no tool" status).
  path_ = (base_ / "bin").string();
  write_file(base_ / "bin" / "xdg-open", "#!/bin/sh\nexit 3\n", true);
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "DOC=" + value("C:\\docs\\my doc's.txt"))), "31");
  // No opener at all.
  stdfs::remove(base_ / "bin" / "xdg-open");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "DOC=" + value("C:\\docs\\my doc's.txt"))), "31");
}

TEST_F(Apps, LaunchParameterErrors) {
  recorder(c_ / "bin" / "rec.sh", base_ / "argv");
  stdfs::create_directories(c_ / "folder");
  // No document and no usable program.
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "APP=" + value("C:\\bin\\missing"))), "-50");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "APP=" + value("C:\\folder"))), "-50");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "OTHER=1")), "-50");
  // A document that is missing or a folder ends the call, usable program or not.
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "DOC=" + value("C:\\docs\\none.txt"))), "-43");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp",
                            "APP=" + value("C:\\bin\\rec.sh") + " DOC=" + value("C:\\folder"))),
            "-43");
  EXPECT_FALSE(stdfs::exists(base_ / "argv"));
  // A volume label no drive carries is the resolution's own error.
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "DOC=NOSUCHLABEL:x.txt")), "-50");
}

TEST_F(Apps, StartFailuresAreReportedWithTheShellsNumbers) {
  write_file(c_ / "bin" / "plain.txt", "not a program");                         // no exec bit
  write_file(c_ / "bin" / "garbage", std::string("\x7f\x01\x02garbage"), true);  // no format
  write_file(c_ / "bin" / "orphan.sh", "#!/no/such/interpreter\n", true);
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "APP=" + value("C:\\bin\\plain.txt"))), "5");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "APP=" + value("C:\\bin\\garbage"))), "11");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "APP=" + value("C:\\bin\\orphan.sh"))), "2");
  EXPECT_EQ(error_code(call("VeUtl_LaunchApp", "APP=" + value("C:\\bin\\plain.txt") +
                                                   " DOC=" + value("C:\\docs\\my doc's.txt"))),
            "5");
}

TEST_F(Apps, QuitParameterErrors) {
  stdfs::create_directories(c_ / "folder");
  EXPECT_EQ(error_code(call("VeUtl_QuitApp", "OTHER=1")), "-50");
  EXPECT_EQ(error_code(call("VeUtl_QuitApp", "APP=" + value("C:\\folder"))), "-43");
  EXPECT_EQ(error_code(call("VeUtl_QuitApp", "APP=" + value("C:\\folder\\missing"))), "-43");
  // A folder on the way that does not exist: path resolution's own answer.
  EXPECT_EQ(error_code(call("VeUtl_QuitApp", "APP=" + value("C:\\nowhere\\tool"))), "-120");
}

TEST_F(Apps, QuitWithoutDisplay) {
  stdfs::create_directories(c_ / "apps");
  stdfs::copy_file("/bin/sleep", c_ / "apps" / "sleeper");
  // Nothing running from that path: nothing to ask, nothing failed.
  EXPECT_EQ(call("VeUtl_QuitApp", "APP=" + value("C:\\apps\\sleeper")), "");
  // A copy runs, but there is no display to ask its windows through: said so, not hidden.
  Child sleeper;
  ASSERT_TRUE(sleeper.start({(c_ / "apps" / "sleeper").string(), "30"}, {}));
  ASSERT_TRUE(eventually([&] {
    return stdfs::exists("/proc/" + std::to_string(sleeper.pid()) + "/exe") &&
           stdfs::read_symlink("/proc/" + std::to_string(sleeper.pid()) + "/exe") ==
               c_ / "apps" / "sleeper";
  }));
  std::string line = call("VeUtl_QuitApp", "APP=" + value("C:\\apps\\sleeper"));
  EXPECT_EQ(error_code(line), "-7") << line;
  EXPECT_NE(line.find("MESSAGE='No display"), std::string::npos) << line;
  EXPECT_FALSE(sleeper.ended());
}

// An X server of our own on a display number it picks itself, stopped with the test.
class XServer {
 public:
  bool start() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    const bool started = server_.start({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]),
                                        "-nolisten", "tcp", "-screen", "0", "640x480x24"},
                                       {}, fds[1]);
    ::close(fds[1]);
    std::string number;
    char ch = 0;
    pollfd p{fds[0], POLLIN, 0};
    while (started && ::poll(&p, 1, 10000) > 0 && ::read(fds[0], &ch, 1) == 1 && ch != '\n') {
      number += ch;
    }
    ::close(fds[0]);
    if (number.empty()) return false;
    display_ = ":" + number;
    return true;
  }
  const std::string& display() const { return display_; }

 private:
  Child server_;
  std::string display_;
};

#ifdef XCLIENT_PATH
// Two copies of the test client, from C:\apps and C:\other, showing windows on a server of
// our own; `flags` are given to both.
class QuitOnDisplay : public Apps {
 protected:
  void SetUp() override {
    Apps::SetUp();
    if (::access("/usr/bin/Xvfb", X_OK) != 0) {
      GTEST_SKIP() << "Xvfb is not installed (package xvfb): window closing not tested";
    }
    ASSERT_TRUE(x_.start());
    for (const char* folder : {"apps", "other"}) {
      stdfs::create_directories(c_ / folder);
      stdfs::copy_file(XCLIENT_PATH, c_ / folder / "xclient");
    }
  }
  void start_both(const std::vector<std::string>& flags) {
    Env env{{"DISPLAY", x_.display()}};
    auto args = [&](const char* folder, const char* log) {
      std::vector<std::string> a{(c_ / folder / "xclient").string()};
      a.insert(a.end(), flags.begin(), flags.end());
      a.push_back((base_ / log).string());
      return a;
    };
    ASSERT_TRUE(target_.start(args("apps", "a.log"), env));
    ASSERT_TRUE(other_.start(args("other", "b.log"), env));
    ASSERT_TRUE(eventually([&] { return read_file(base_ / "a.log") == "ready\n"; }));
    ASSERT_TRUE(eventually([&] { return read_file(base_ / "b.log") == "ready\n"; }));
  }
  void expect_only_target_closed() {
    ASSERT_TRUE(eventually([&] { return target_.ended(); }));
    EXPECT_EQ(target_.status, 0);
    // Both shown windows were asked; the one never shown was not.
    EXPECT_EQ(read_file(base_ / "a.log"), "ready\ndelete visible-1\ndelete visible-2\n");
    EXPECT_FALSE(other_.ended());
    EXPECT_EQ(read_file(base_ / "b.log"), "ready\n");
  }

  XServer x_;
  Child target_, other_;
};

TEST_F(QuitOnDisplay, ClosesTheVisibleWindowsOfThatCopyOnly) {
  start_both({});
  // The program named in another letter case; only the copy from that folder matches.
  EXPECT_EQ(call("VeUtl_QuitApp", "APP=" + value("c:\\APPS\\XClient"), x_.display()), "");
  expect_only_target_closed();
}

TEST_F(QuitOnDisplay, WindowsThatDoNotNameTheirProcessAreFoundThroughTheServer) {
  start_both({"--no-pid"});
  EXPECT_EQ(call("VeUtl_QuitApp", "APP=" + value("C:\\apps\\xclient"), x_.display()), "");
  expect_only_target_closed();
}

TEST_F(QuitOnDisplay, ProgramWithoutWindowsIsNoError) {
  stdfs::copy_file("/bin/sleep", c_ / "apps" / "sleeper");
  Child sleeper;
  ASSERT_TRUE(sleeper.start({(c_ / "apps" / "sleeper").string(), "30"}, {}));
  EXPECT_EQ(call("VeUtl_QuitApp", "APP=" + value("C:\\apps\\sleeper"), x_.display()), "");
  EXPECT_FALSE(sleeper.ended());
}
#endif

}  // namespace
