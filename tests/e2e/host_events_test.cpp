// fmhost as a host between calls: while the prompt waits for a line and while --wait
// keeps the window up, the display's events flow, so other programs can paste what the
// module put on the clipboard, the module hears the host's idle time, and closing the
// window (politely or by destroying it) ends the wait cleanly.  Events another program
// floods the window with hold a call only as long as the pumps' bound.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fmhost_runner.hpp"
#include "xvfb_display.hpp"

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;
using Clock = std::chrono::steady_clock;

// Generous: the machine running the tests may be busy with two builds at once.
constexpr auto kCap = std::chrono::seconds(90);

// A child process whose standard input stays open as long as the test wants and whose
// output is read as it comes.
class Child {
 public:
  // `closed_input`: the child starts with no standard input at all.
  Child(std::vector<std::string> argv, const Env& env, bool closed_input = false) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
      return;
    }
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    pid_ = ::fork();
    if (pid_ == 0) {
      if (closed_input) {
        ::close(0);
      } else {
        ::dup2(in[0], 0);
      }
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
      // A program with a display is not leak-traced (GTK's threads upset the tracer).
      if (const char* display = ::getenv("DISPLAY"); display != nullptr && *display != '\0') {
        const char* asan = ::getenv("ASAN_OPTIONS");
        ::setenv("ASAN_OPTIONS",
                 ((asan != nullptr ? std::string(asan) + ":" : std::string()) + "detect_leaks=0")
                     .c_str(),
                 1);
      }
      ::execvp(args[0], args.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
  }
  ~Child() {
    close_input();
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {out_, err_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }

  // Whether the child has not ended yet.
  bool running() {
    if (pid_ <= 0 || reaped_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    reaped_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }

  bool write(const std::string& text) {
    return in_ >= 0 && ::write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }
  void close_input() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
  }

  // Reads output until `done()` holds; false when the cap passed first.
  bool wait_for(const std::function<bool()>& done) {
    const auto end = Clock::now() + kCap;
    while (!done()) {
      if (Clock::now() > end) return false;
      if (out_ < 0 && err_ < 0) return done();
      read_some();
    }
    return true;
  }

  // The exit status after the child ended by itself (its output read meanwhile); -1 when
  // it outlived the cap (it is then killed), 128 + signal when a signal ended it.
  int wait_exit() {
    const auto end = Clock::now() + kCap;
    while (!reaped_) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        reaped_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (Clock::now() > end) return -1;
      read_some();
    }
    while (out_ >= 0 || err_ >= 0) read_some();
    return status_;
  }

  const std::string& out() const { return out_text_; }
  const std::string& err() const { return err_text_; }

 private:
  void read_some() {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (::poll(fds, 2, 100) <= 0) {
      // With both pipes closed poll has nothing to watch: pace the caller's loop.
      if (out_ < 0 && err_ < 0) ::usleep(50 * 1000);
      return;
    }
    drain(fds[0], out_, out_text_);
    drain(fds[1], err_, err_text_);
  }
  static void drain(const pollfd& p, int& fd, std::string& sink) {
    if (fd < 0 || p.revents == 0) return;
    char buf[65536];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      sink.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      ::close(fd);
      fd = -1;
    }
  }

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string out_text_, err_text_;
  bool reaped_ = false;
  int status_ = -1;
};

std::uint32_t be32(const std::string& b, std::size_t at) {
  auto u = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i]));
  };
  return (u(at) << 24) | (u(at + 1) << 16) | (u(at + 2) << 8) | u(at + 3);
}

// The PNG's width and height, or 0x0 when it is no PNG.
std::pair<std::uint32_t, std::uint32_t> png_size(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0 || png.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  return {be32(png, 16), be32(png, 20)};
}

class HostEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/xclip", "/usr/bin/xdotool"}) {
      if (::access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
    }
#ifndef WM_DELETE_PATH
    GTEST_SKIP() << "no X11 headers to build the closing helper";
#endif
    display_ = std::make_unique<XvfbDisplay>();
    ASSERT_TRUE(display_->ok());
    env_ = {{"DISPLAY", display_->name()}};
    // A 200x100 white picture: the document window of a headless run, saved.
    picture_ = "/tmp/velmora-events-" + std::to_string(::getpid()) + ".png";
    const RunResult r = run_fmhost(
        {"--window-size", "200x100", "--save-window", picture_, "VeUtl_CalcPoint", "POINT=1,2"},
        {{"DISPLAY", ""}});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  void TearDown() override {
    if (!picture_.empty()) std::remove(picture_.c_str());
  }

  // Runs a peer program on the test display to its end; its output, or nothing when it
  // failed or outlived the cap.
  std::string peer(std::vector<std::string> argv) {
    Child c(std::move(argv), env_);
    if (!c.started()) return {};
    c.close_input();
    return c.wait_exit() == 0 ? c.out() : std::string();
  }

  std::string paste(const std::string& target) {
    return peer({"xclip", "-o", "-selection", "clipboard", "-t", target});
  }

  // The X windows of fmhost's document window, once it is on the display.
  std::vector<std::string> document_windows() {
    std::vector<std::string> ids;
    const auto end = Clock::now() + kCap;
    while (ids.empty() && Clock::now() < end) {
      ids = lines(peer({"xdotool", "search", "--name", "^fmhost document$"}));
      if (ids.empty()) ::usleep(100 * 1000);
    }
    return ids;
  }

  void ask_to_close(const std::vector<std::string>& ids) {
#ifdef WM_DELETE_PATH
    for (const std::string& id : ids) peer({WM_DELETE_PATH, id});
#endif
  }

  std::unique_ptr<XvfbDisplay> display_;
  Env env_;
  std::string picture_;
};

TEST_F(HostEvents, PromptServesTheClipboardAndIdlesWhileItWaits) {
  Child host({FMHOST_PATH, "--window", "--prompt", "--debug"}, env_);
  ASSERT_TRUE(host.started());
  ASSERT_TRUE(host.write("VeImg_PreviewImage SRC=" + picture_ + " WIDTH=50 HEIGHT=50\n"));
  ASSERT_TRUE(host.wait_for([&] { return !host.out().empty(); })) << host.err();
  EXPECT_EQ(host.out(), "\n");

  // fmhost now waits for the next line; the paste is served all the same.
  EXPECT_NE(paste("TARGETS").find("image/png"), std::string::npos);
  const auto [width, height] = png_size(paste("image/png"));
  EXPECT_EQ(width, 50u);
  EXPECT_EQ(height, 25u);
  // The person typed nothing more: the module heard the host's idle time.
  EXPECT_TRUE(host.wait_for([&] {
    return host.err().find("FMXT_UserNotIdle") != std::string::npos;
  })) << host.err();

  ASSERT_TRUE(host.write("VeUtl_CalcRect RECT=10,20,110,220 WIDTH\nquit\n"));
  EXPECT_EQ(host.wait_exit(), 0) << host.err();
  EXPECT_EQ(host.out(), "\n100\n");
}

TEST_F(HostEvents, ScriptOnAnOpenPipeServesTheClipboardBetweenLines) {
  Child host({FMHOST_PATH, "--window", "--debug"}, env_);
  ASSERT_TRUE(host.started());
  ASSERT_TRUE(host.write("VeImg_GrabImage SRC=" + picture_ + " WIDTH=30 HEIGHT=20\n"));
  ASSERT_TRUE(host.wait_for([&] { return !host.out().empty(); })) << host.err();
  const auto [width, height] = png_size(paste("image/png"));
  EXPECT_EQ(width, 30u);
  EXPECT_EQ(height, 20u);
  // A script idles once, after its last call: none while the pipe is still open.
  EXPECT_EQ(host.err().find("FMXT_UserNotIdle"), std::string::npos);
  host.close_input();
  EXPECT_EQ(host.wait_exit(), 0) << host.err();
  EXPECT_NE(host.err().find("FMXT_UserNotIdle"), std::string::npos);
}

TEST_F(HostEvents, ClosingTheWindowEndsThePromptLikeEndOfInput) {
  Child host({FMHOST_PATH, "--window", "--prompt"}, env_);
  ASSERT_TRUE(host.started());
  ASSERT_TRUE(host.write("VeUtl_CalcRect RECT=10,20,110,220 WIDTH\n"));
  ASSERT_TRUE(host.wait_for([&] { return host.out() == "100\n"; })) << host.err();
  const auto ids = document_windows();
  ASSERT_FALSE(ids.empty());
  ask_to_close(ids);
  // Standard input is still open: only the closed window can end the session.
  EXPECT_EQ(host.wait_exit(), 0) << host.err();
  EXPECT_EQ(host.out(), "100\n");
}

TEST_F(HostEvents, WaitKeepsTheWindowAndTheClipboardUntilTheWindowIsClosed) {
  Child host({FMHOST_PATH, "--window", "--window-size", "200x100", "--wait", "VeImg_DrawImage",
              "PATH=" + picture_ + " RECT=0,0,200,100", "VeImg_GrabImage",
              "SRC=" + picture_ + " WIDTH=50% HEIGHT=50%"},
             env_);
  ASSERT_TRUE(host.started());
  host.close_input();
  ASSERT_TRUE(host.wait_for([&] { return host.out() == "\n\n"; })) << host.err();
  // The calls are over; the picture GrabImage composed can still be pasted.
  const auto [width, height] = png_size(paste("image/png"));
  EXPECT_EQ(width, 100u);
  EXPECT_EQ(height, 50u);
  const auto ids = document_windows();
  ASSERT_FALSE(ids.empty());
  ask_to_close(ids);
  EXPECT_EQ(host.wait_exit(), 0) << host.err();
}

TEST_F(HostEvents, WaitEndsCleanlyWhenAnotherProgramDestroysTheWindow) {
  Child host({FMHOST_PATH, "--window", "--wait", "VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH"},
             env_);
  ASSERT_TRUE(host.started());
  host.close_input();
  ASSERT_TRUE(host.wait_for([&] { return host.out() == "100\n"; })) << host.err();
  const auto ids = document_windows();
  ASSERT_FALSE(ids.empty());
  for (const std::string& id : ids) peer({"xdotool", "windowclose", id});
  EXPECT_EQ(host.wait_exit(), 0) << host.err();
}

TEST_F(HostEvents, WaitWithoutAShownWindowReturnsAtOnce) {
  // A display but no --window: nothing to keep up.
  const RunResult shown =
      run_fmhost({"--wait", "VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH"}, env_);
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out, "100\n");
}

#ifdef EVENT_FLOOD_PATH
TEST_F(HostEvents, AFloodOfEventsHoldsAPumpingCallOnlyForThePumpsBound) {
  // A flood that outlasts the calls by far: a pump that waits for the queue to run dry
  // would hold the first call until the flood ends.
  constexpr auto kBoundWithMargin = std::chrono::seconds(8);
  const std::string flood_seconds = "40";
  Child host({FMHOST_PATH, "--window", "--window-size", "200x100"}, env_);
  ASSERT_TRUE(host.started());
  // The clipboard brings the module's own toolkit pump into the calls as well as fmhost's.
  ASSERT_TRUE(host.write("VeImg_GrabImage SRC=" + picture_ + " WIDTH=30 HEIGHT=20\n"));
  ASSERT_TRUE(host.wait_for([&] { return host.out() == "\n"; })) << host.err();
  const auto ids = document_windows();
  ASSERT_FALSE(ids.empty());
  {
    Child flood({EVENT_FLOOD_PATH, ids.front(), flood_seconds}, env_);
    ASSERT_TRUE(flood.started());
    flood.close_input();
    ASSERT_TRUE(flood.wait_for([&] { return flood.out() == "flooding\n"; }));
    std::string expected = "\n";
    for (int call = 0; call < 3; ++call) {
      const auto start = Clock::now();
      ASSERT_TRUE(host.write("VeImg_DrawImage PATH=" + picture_ + " RECT=0,0,200,100\n"));
      expected += "\n";
      ASSERT_TRUE(host.wait_for([&] { return host.out() == expected; })) << host.err();
      EXPECT_LT(Clock::now() - start, kBoundWithMargin) << "call " << call;
    }
    // The calls above all ran while the flood went on; it stops here.
    EXPECT_TRUE(flood.running());
  }
  // What the server still holds of the flood comes before the answers of fmhost's last
  // requests: ending takes a moment.
  host.close_input();
  EXPECT_EQ(host.wait_exit(), 0) << host.err();
}
#endif

TEST(HostEventsHeadless, WaitReturnsAtOnceAndTheWindowIsRefused) {
  const RunResult r =
      run_fmhost({"--wait", "VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH"}, {{"DISPLAY", ""}});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "100\n");
  const RunResult shown =
      run_fmhost({"--window", "--wait", "VeUtl_CalcRect", "RECT=0,0,1,1 WIDTH"}, {{"DISPLAY", ""}});
  EXPECT_EQ(shown.status, 5);
  EXPECT_NE(shown.err.find("no display"), std::string::npos);
}

TEST(HostEventsHeadless, PipedPromptAndScriptReadLinesAsBefore) {
  // No display: the prompt still reads every line, including a last one without a line
  // feed, and a mistyped name does not end it.
  const RunResult prompt = run_fmhost({"--prompt"}, {{"DISPLAY", ""}},
                                      "VeUtl_Nope x\r\n\nVeUtl_CalcRect RECT=0,0,3,4 HEIGHT");
  EXPECT_EQ(prompt.status, 0) << prompt.err;
  EXPECT_EQ(prompt.out, "4\n");
  EXPECT_NE(prompt.err.find("unknown function VeUtl_Nope"), std::string::npos);
  // A script from standard input stops at the mistyped name.
  const RunResult script = run_fmhost(
      {"--script", "-"}, {{"DISPLAY", ""}},
      "VeUtl_CalcRect RECT=0,0,3,4 WIDTH\nVeUtl_Nope x\nVeUtl_CalcRect RECT=0,0,3,4 WIDTH\n");
  EXPECT_EQ(script.status, 4);
  EXPECT_EQ(script.out, "3\n");
}

TEST(HostEventsHeadless, NoStandardInputAtAllIsAnEmptyInput) {
  // The descriptor a closed input leaves free must not be mistaken for input.
  for (const char* mode : {"--prompt", "--debug"}) {
    Child host({FMHOST_PATH, mode}, {{"DISPLAY", ""}}, true);
    ASSERT_TRUE(host.started());
    EXPECT_EQ(host.wait_exit(), 0) << mode << ": " << host.err();
    EXPECT_EQ(host.out(), "") << mode;
  }
}

}  // namespace
