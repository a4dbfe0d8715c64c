// Pictures named by an http: or ftp: address: fetched from servers the test starts on
// 127.0.0.1 (Python's HTTP server, the FTP test server), measured and thumbnailed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

// The system's Python, which has the FTP server library the Debian package brings.
constexpr const char* kPython = "/usr/bin/python3";

// A server as a child process that prints a line naming its port once it listens.
class LocalServer {
 public:
  LocalServer(std::vector<std::string> argv_text, const stdfs::path& folder,
              const std::string& marker) {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      std::vector<char*> argv;
      for (auto& a : argv_text) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    // The first line that carries the marker; reading blocks until the server says it.
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1) {
      if (c != '\n') {
        line += c;
        continue;
      }
      const std::size_t at = line.find(marker);
      if (at != std::string::npos) {
        port_ = std::atoi(line.c_str() + at + marker.size());
        break;
      }
      line.clear();
    }
    ::close(out[0]);
  }
  ~LocalServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

class PictureAddress : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velmora-address-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    const std::string command = "cjpeg -quality 90 -outfile '" + (root_ / "photo.jpg").string() +
                                "' '" + (root_ / "in.ppm").string() + "'";
    std::string ppm = "P6\n320 240\n255\n";
    for (int i = 0; i < 320 * 240; ++i) ppm += std::string{char(i & 0x7F), char(40), char(90)};
    FILE* f = std::fopen((root_ / "in.ppm").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(ppm.data(), 1, ppm.size(), f);
    std::fclose(f);
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  void TearDown() override { stdfs::remove_all(root_); }

  static RunResult headless(std::vector<std::string> args) {
    return run_fmhost(std::move(args), {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  }

  stdfs::path root_;
};

TEST_F(PictureAddress, HttpPicturesAreMeasuredAndThumbnailed) {
  LocalServer server({kPython, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, root_,
                     "port ");
  ASSERT_GT(server.port(), 0) << "the HTTP server did not start";
  const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
  const RunResult r =
      headless({"VeImg_ImageInfo", "SRC=" + base + "/photo.jpg", "VeImg_ImageInfo",
                "SRC=" + base + "/missing.jpg", "VeImg_ImageInfo", "SRC=" + base + "/in.ppm",
                "VeImg_PreviewImage", "SRC=" + base + "/photo.jpg WIDTH=64", "VeImg_ImageInfo",
                "SRC=clipboard:"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], "WIDTH=320 HEIGHT=240 DEPTH=32 RESOLUTION=72");  // no SIZE: not held PICT
  EXPECT_EQ(out[1].rfind("ERROR=-43", 0), 0u) << out[1];
  EXPECT_EQ(out[2].rfind("ERROR=-2003", 0), 0u) << out[2];
  EXPECT_EQ(out[3], "");
  EXPECT_EQ(out[4].rfind("WIDTH=64 HEIGHT=48 ", 0), 0u) << out[4];
}

// PAGE chooses the image of a picture fetched from an address just as of a file; the
// thumbnail, which reads no PAGE, stays with the first.
TEST_F(PictureAddress, PageChoosesTheImageOfAFetchedPicture) {
  const std::string script =
      (stdfs::path(VELMORA_TEST_DATA) / "image" / "make_pictures.py").string();
  ASSERT_EQ(std::system(("python3 '" + script + "' '" + root_.string() + "'").c_str()), 0);
  LocalServer server({kPython, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, root_,
                     "port ");
  ASSERT_GT(server.port(), 0) << "the HTTP server did not start";
  const std::string pages = "SRC=http://127.0.0.1:" + std::to_string(server.port()) + "/pages.tif";
  const RunResult r =
      headless({"VeImg_ImageInfo", pages + " PAGE=2", "VeImg_ImageInfo", pages + " PAGE=1",
                "VeImg_ImageInfo", pages + " PAGE=3", "VeImg_PreviewImage", pages + " PAGE=2",
                "VeImg_ImageInfo", "SRC=clipboard:"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], "WIDTH=12 HEIGHT=9 DEPTH=32 RESOLUTION=150 PAGECOUNT=2");
  EXPECT_EQ(out[1], "WIDTH=30 HEIGHT=20 DEPTH=32 RESOLUTION=150 PAGECOUNT=2");
  EXPECT_EQ(out[2].rfind("ERROR=-50", 0), 0u) << out[2];
  EXPECT_EQ(out[4].rfind("WIDTH=30 HEIGHT=20 ", 0), 0u) << out[4];
}

TEST_F(PictureAddress, FtpPicturesAndUnreachableServers) {
  const std::string script = std::string(VELMORA_SOURCE_DIR) + "/tests/ftp/server.py";
  LocalServer server({kPython, "-u", script, "--root", root_.string(), "--anonymous"}, root_,
                     "PORT ");
  ASSERT_GT(server.port(), 0) << "the FTP server did not start";
  const std::string base = "ftp://127.0.0.1:" + std::to_string(server.port());
  // A port nothing listens on: the server's own port once it has stopped is not safe,
  // so port 1 (privileged, never ours) stands for it.
  const RunResult r = headless({"VeImg_ImageInfo", "SRC=" + base + "/photo.jpg", "VeImg_ImageInfo",
                                "SRC=" + base + "/missing.jpg", "VeImg_ImageInfo",
                                "SRC=" + base + "/no-folder/missing.jpg", "VeImg_ImageInfo",
                                "SRC=ftp://127.0.0.1:1/photo.jpg", "VeImg_ImageInfo",
                                "SRC=HTTP://127.0.0.1:1/photo.jpg"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], "WIDTH=320 HEIGHT=240 DEPTH=32 RESOLUTION=72");
  EXPECT_EQ(out[1].rfind("ERROR=-43", 0), 0u) << out[1];
  EXPECT_EQ(out[2].rfind("ERROR=-43", 0), 0u) << out[2];  // the folder is missing (CWD 550)
  EXPECT_EQ(out[3].rfind("ERROR=-12029", 0), 0u) << out[3];
  // An upper-case scheme is no address but a path.
  EXPECT_EQ(out[4].rfind("ERROR=-12", 0), std::string::npos) << out[4];
}

// A server that drips its picture a byte at a time never finishes it; the fetch ends
// once a stall period (after the first, which also covers the log-in) has moved less
// than 1 KiB, instead of holding the call for as long as the server likes.
TEST_F(PictureAddress, AServerThatDripsItsBytesIsTimedOut) {
  const std::string script = std::string(VELMORA_SOURCE_DIR) + "/tests/ftp/trickle_server.py";
  LocalServer server({kPython, "-u", script, "--trickle", "data", "--interval", "0.5"}, root_,
                     "PORT ");
  ASSERT_GT(server.port(), 0) << "the trickle server did not start";
  const auto start = std::chrono::steady_clock::now();
  const RunResult r = headless(
      {"VeImg_ImageInfo", "SRC=ftp://127.0.0.1:" + std::to_string(server.port()) + "/a.jpg"});
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("ERROR=-12002", 0), 0u) << r.out;
  EXPECT_LT(seconds, 90.0);
}

}  // namespace
