// TIMEOUT bounds every wait of a transfer: a server on 127.0.0.1 (tests/ftp/trickle_server.py)
// that drips one byte every 0.7 s into the greeting, into the answer to the transfer
// command, or into the data connection must end the call with the time-out code, in both
// connection modes and both directions, and leave no local file behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

const std::string kTrickleScript = std::string(VELMORA_SOURCE_DIR) + "/tests/ftp/trickle_server.py";

// The server as a child process.  A guard stops it if a call is still waiting after a
// minute, so that a client without a bound fails the test instead of hanging it.
class TrickleServer {
 public:
  explicit TrickleServer(const std::string& how) {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      ::execl("/usr/bin/python3", "python3", kTrickleScript.c_str(), "--trickle", how.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    if (line.rfind("PORT ", 0) == 0) port_ = std::stoi(line.substr(5));
    guard_ = std::thread([this] {
      for (int i = 0; i < 600 && !done_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!done_) ::kill(pid_, SIGKILL);
    });
  }
  ~TrickleServer() {
    done_ = true;
    if (guard_.joinable()) guard_.join();
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::atomic<bool> done_{false};
  std::thread guard_;
};

class FtpTrickle : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velmora-trickle-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    local_ = tmpl;
    std::ofstream(local_ / "up.bin", std::ios::binary) << std::string(256 * 1024, 'u');
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(local_, ec);
  }
  std::string call(const std::string& function, const std::string& parameter) {
    RunResult r = run_fmhost({function, parameter}, {{"VELMORA_DRIVES", "C=" + local_.string()}});
    // Timed out is an answer; the run itself (under the sanitizers: freeing all) succeeds.
    EXPECT_EQ(r.status, 0) << r.err;
    auto out = lines(r.out);
    return out.empty() ? std::string() : out.front();
  }
  std::vector<std::string> local_names() {
    std::vector<std::string> names;
    for (const auto& e : stdfs::directory_iterator(local_)) names.push_back(e.path().filename());
    return names;
  }
  stdfs::path local_;
};

bool timed_out(const std::string& line) {
  return line.rfind("ERROR=-12002", 0) == 0;
}

TEST_P(FtpTrickle, EveryWaitEndsWithTheTimeOut) {
  TrickleServer server(GetParam());
  ASSERT_GT(server.port(), 0) << "the trickling server did not start";
  const std::string url = "URL='ftp://u:p@127.0.0.1:" + std::to_string(server.port()) + "/a.bin'";
  for (const char* mode : {"MODE=PASSIVE", "MODE=ACTIVE"}) {
    SCOPED_TRACE(mode);
    std::string down = call("VeUtl_DownloadFile", url + " DEST='C:\\\\a.bin' TIMEOUT=2 " + mode);
    EXPECT_TRUE(timed_out(down)) << down;
    EXPECT_EQ(local_names(), std::vector<std::string>{"up.bin"}) << "a partial file was left";
    std::string up = call("VeUtl_UploadFile", url + " SRC='C:\\\\up.bin' TIMEOUT=2 " + mode);
    EXPECT_TRUE(timed_out(up)) << up;
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, FtpTrickle, ::testing::Values("greeting", "reply", "data"));

}  // namespace
