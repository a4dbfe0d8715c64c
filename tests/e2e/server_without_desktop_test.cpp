// The module on a server: a host that links no desktop library (velmora_server_host) loads
// it while GTK, GDK, X11, pango, cairo, gdk-pixbuf and glib are hidden for real, each
// under an empty file bind-mounted over it in a private mount namespace of the run alone.
// The module's other functions work; the desktop ones answer as without a display, even
// with a display named.  The same host on the same display with the libraries in place
// reaches the display through the desktop companion, so the hiding is what changed.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <link.h>
#include <png.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "xvfb_display.hpp"

#ifndef SERVER_HOST_PATH
#error "SERVER_HOST_PATH must name the server host program"
#endif
#ifndef MODULE_PATH
#error "MODULE_PATH must name the module"
#endif

namespace {

namespace stdfs = std::filesystem;

constexpr const char* kDesktopLibraries[] = {
    "libgtk-3.so.0",          "libgdk-3.so.0",   "libX11.so.6",
    "libXRes.so.1",           "libxcb.so.1",     "libpango-1.0.so.0",
    "libpangocairo-1.0.so.0", "libcairo.so.2",   "libgdk_pixbuf-2.0.so.0",
    "libglib-2.0.so.0",       "libgio-2.0.so.0", "libgobject-2.0.so.0",
};

constexpr const char* kNoDisplay =
    "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'";
constexpr const char* kNoClipboard = "ERROR=-103 MESSAGE='The clipboard could not be opened.'";

// Exit codes of the child that prepares a hidden run.
constexpr int kNoNamespace = 120;  // no private mount namespace can be had here
constexpr int kCannotHide = 121;

struct HostRun {
  int status = -1;
  std::string out;  // standard output and error together
};

// ---- the child, between fork and exec ------------------------------------------------

[[noreturn]] void give_up(int code, const char* what) {
  std::fprintf(stderr, "%s: %s\n", what, std::strerror(errno));
  std::fflush(stderr);
  ::_exit(code);
}

bool write_text(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}

// A mount namespace of this process alone: as root directly, else (or where root may not)
// inside a user namespace that maps us to root.  Every mount in it is made private first,
// so that nothing mounted here can reach the machine's own namespace.
void enter_private_mount_namespace() {
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  if (::unshare(CLONE_NEWNS) != 0) {
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) give_up(kNoNamespace, "unshare");
    if (!write_text("/proc/self/setgroups", "deny") ||
        !write_text("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !write_text("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
      give_up(kNoNamespace, "mapping the user namespace");
    }
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    give_up(kNoNamespace, "making the mounts private");
  }
}

// Covers the file each library is loaded from with `empty`; a library this machine does
// not have is absent already.
void hide_libraries(const std::string& empty) {
  for (const char* name : kDesktopLibraries) {
    void* library = ::dlopen(name, RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr) continue;
    link_map* map = nullptr;
    char real[PATH_MAX];
    if (::dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
        ::realpath(map->l_name, real) == nullptr) {
      give_up(kCannotHide, name);
    }
    if (::mount(empty.c_str(), real, nullptr, MS_BIND, nullptr) != 0) give_up(kCannotHide, real);
  }
}

// ---- the parent ---------------------------------------------------------------------

// Runs the server host with `args` after --probe for every desktop library.  `display`
// empty: no display variable at all.  `hide_with`: an empty file to hide the libraries
// under, or empty to leave them.
HostRun run_server_host(const std::vector<std::string>& args, const std::string& display,
                        const std::string& hide_with) {
  std::vector<std::string> argv_text{SERVER_HOST_PATH};
  for (const char* name : kDesktopLibraries) {
    argv_text.push_back("--probe");
    argv_text.push_back(name);
  }
  argv_text.push_back(MODULE_PATH);
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  HostRun run;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], STDOUT_FILENO);
    ::dup2(fds[1], STDERR_FILENO);
    if (!hide_with.empty()) {
      enter_private_mount_namespace();
      hide_libraries(hide_with);
    }
    ::unsetenv("WAYLAND_DISPLAY");
    if (display.empty()) {
      ::unsetenv("DISPLAY");
    } else {
      ::setenv("DISPLAY", display.c_str(), 1);
    }
    ::setenv("VELMORA_LANG", "en", 1);
    // A dialog that opens against expectation ends by itself instead of hanging the test.
    ::setenv("VELMORA_UI_SCRIPT", "", 1);
    ::setenv("VELMORA_UI_TIMEOUT", "2", 1);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return run;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n > 0) {
      run.out.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

bool has_line(const HostRun& run, const std::string& line) {
  return ("\n" + run.out).find("\n" + line + "\n") != std::string::npos;
}

void write_png(const stdfs::path& path, int width, int height) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3, 0x80);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

class ServerWithoutDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = stdfs::temp_directory_path() / ("velmora_server_" + std::to_string(::getpid()));
    stdfs::create_directories(dir_);
    std::ofstream(dir_ / "a.txt", std::ios::binary) << std::string(1200, 'x');
    std::ofstream(dir_ / "empty", std::ios::binary).flush();
    write_png(dir_ / "picture.png", 7, 5);
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(dir_, ec);
  }

  // The calls of a hidden run, with what each must answer.
  struct Expected {
    std::string name, parameter, answer;
  };
  std::vector<Expected> server_calls() const {
    const std::string self = "'" + std::string(SERVER_HOST_PATH) + "'";
    return {
        {"VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH", "100"},
        {"VeImg_ImageInfo", "PATH='" + (dir_ / "picture.png").string() + "'",
         "WIDTH=7 HEIGHT=5 DEPTH=32 RESOLUTION=72"},
        {"VeUtl_Ask", "MESSAGE=hello", kNoDisplay},
        {"VeUtl_Answer", "MESSAGE=hello", kNoDisplay},
        {"VeUtl_PickColor", "COLOR=1,2,3", kNoDisplay},
        {"VeUtl_OpenProgress", "DIALOG", kNoDisplay},
        {"VeUtl_OpenFileDialog", "", kNoDisplay},
        // The server host itself is running: asking its windows to close needs the display.
        {"VeUtl_QuitApp", "APP=" + self, kNoDisplay},
        // The real host keeps no clipboard of its own.
        {"VeImg_GrabImage", "RECT=0,0,10,10", kNoClipboard},
    };
  }

  HostRun hidden_run(const std::string& display) const {
    std::vector<std::string> args{"VeUtl_FileInfo", "PATH='" + (dir_ / "a.txt").string() + "'"};
    for (const Expected& e : server_calls()) {
      args.push_back(e.name);
      args.push_back(e.parameter);
    }
    return run_server_host(args, display, (dir_ / "empty").string());
  }

  void expect_server_answers(const HostRun& run) const {
    EXPECT_EQ(run.status, 0) << run.out;
    for (const char* name : kDesktopLibraries) {
      EXPECT_TRUE(has_line(run, std::string("probe ") + name + ": unloadable")) << run.out;
    }
    EXPECT_TRUE(has_line(run, "module: loaded")) << run.out;
    EXPECT_NE(run.out.find("VeUtl_FileInfo: NAME='a.txt' KIND=file SIZE=1200 "), std::string::npos)
        << run.out;
    for (const Expected& e : server_calls()) {
      EXPECT_TRUE(has_line(run, e.name + ": " + e.answer)) << e.name << "\n" << run.out;
    }
  }

  stdfs::path dir_;
};

TEST_F(ServerWithoutDesktop, LoadsAndWorksWithTheDesktopLibrariesHidden) {
  const HostRun run = hidden_run("");
  if (run.status == kNoNamespace) GTEST_SKIP() << "no private mount namespace here: " << run.out;
  ASSERT_NE(run.status, kCannotHide) << run.out;
  expect_server_answers(run);
}

TEST_F(ServerWithoutDesktop, ANamedDisplayDoesNotHelpWithoutTheLibraries) {
  XvfbDisplay x;
  if (!x.ok()) GTEST_SKIP() << "Xvfb cannot be started";
  const std::string self = "'" + std::string(SERVER_HOST_PATH) + "'";

  // The libraries in place: the same host reaches the display through the companion,
  // although it links no toolkit itself.
  const HostRun with = run_server_host(
      {"VeUtl_QuitApp", "APP=" + self, "VeImg_GrabImage", "RECT=0,0,10,10"}, x.name(), "");
  EXPECT_EQ(with.status, 0) << with.out;
  EXPECT_TRUE(has_line(with, "probe libgtk-3.so.0: loadable")) << with.out;
  EXPECT_TRUE(has_line(with, "VeUtl_QuitApp: ")) << with.out;
  EXPECT_TRUE(has_line(with, "VeImg_GrabImage: ")) << with.out;

  const HostRun without = hidden_run(x.name());
  if (without.status == kNoNamespace) {
    GTEST_SKIP() << "no private mount namespace here: " << without.out;
  }
  ASSERT_NE(without.status, kCannotHide) << without.out;
  expect_server_answers(without);
}

}  // namespace
