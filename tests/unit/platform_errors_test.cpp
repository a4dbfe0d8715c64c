// The Linux backend when the file system refuses: items of the wrong kind (a FIFO, a
// folder where a file is expected, a file where a folder is), names too long, paths
// through a file, link loops, no descriptors left and writes cut short by a file-size
// limit.  Each must answer the Windows number a script can act on, promptly, and leave no
// half-made file behind.  Everything happens in a temporary folder; limits are set in a
// child process only.  Root passes permission checks, so no case relies on them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_ops.hpp"
#include "platform/file_read.hpp"
#include "platform/file_write.hpp"
#include "platform/fs.hpp"

namespace {

namespace stdfs = std::filesystem;
namespace pf = velmora::platform;
namespace winerr = velmora::platform::winerr;

// A Linux path as the plug-in names it (the default drive table maps C: to /).
std::string native(const stdfs::path& p) {
  std::string out = "C:" + p.string();
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

// Runs `body` in a child process, so that limits set there stay there, and answers its
// exit code, or 1000 + the signal that ended it.  A body that blocks is ended after 10 s
// (1000 + SIGALRM) instead of hanging the suite.
int in_child(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(10);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// The last error of a call that must fail, or 0 when it succeeded.
int error_of(bool ok) {
  return ok ? 0 : static_cast<int>(pf::last_error());
}

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t value) {
  return std::vector<std::uint8_t>(n, value);
}

class PlatformErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-perr-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    stdfs::create_directories(dir_ / "folder");
    write(dir_ / "file.txt", "plain text");
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(dir_, ec);
  }

  static void write(const stdfs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string read(const stdfs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The names in the folder, so that a test sees any temporary file left behind.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : stdfs::directory_iterator(dir_)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string n(const std::string& relative) const { return native(dir_ / relative); }

  stdfs::path dir_;
};

// Opening for reading: a FIFO is refused at once (never waited on for a writer), as are a
// folder; a path through a file is a missing path, a long name a long name.
TEST_F(PlatformErrors, ReadingRefusesWhatIsNotAFile) {
  EXPECT_EQ(in_child([&] {
              pf::InputFile f;
              return error_of(f.open(n("pipe")));
            }),
            static_cast<int>(winerr::kAccessDenied));
  EXPECT_EQ(in_child([&] {
              std::string out;
              return error_of(pf::read_file(n("pipe"), out, 1 << 20));
            }),
            static_cast<int>(winerr::kAccessDenied));
  pf::InputFile f;
  EXPECT_EQ(error_of(f.open(n("folder"))), static_cast<int>(winerr::kAccessDenied));
  EXPECT_EQ(error_of(f.open(n("file.txt\\inner.txt"))), static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(f.open(n("missing\\a.txt"))), static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(f.open(n("missing.txt"))), static_cast<int>(winerr::kFileNotFound));
  EXPECT_EQ(error_of(f.open(n(std::string(300, 'a')))), static_cast<int>(winerr::kFilenameTooLong));
  EXPECT_FALSE(f.is_open());
  std::string out;
  EXPECT_EQ(error_of(pf::read_file(n("folder"), out, 1 << 20)),
            static_cast<int>(winerr::kAccessDenied));
  EXPECT_EQ(error_of(pf::read_file(n("missing\\a.txt"), out, 1 << 20)),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::read_file(n("file.txt"), out, 4)),
            static_cast<int>(winerr::kNotEnoughMemory));
}

// A file that shrinks after it was opened ends the read with "end of file", never with
// bytes that are not there.
TEST_F(PlatformErrors, AFileThatShrinksWhileOpenEndsTheRead) {
  pf::InputFile f;
  ASSERT_TRUE(f.open(n("file.txt")));
  EXPECT_EQ(f.size(), 10u);
  stdfs::resize_file(dir_ / "file.txt", 3);
  char buffer[10];
  EXPECT_TRUE(f.read_at(0, buffer, 3));
  EXPECT_EQ(error_of(f.read_at(0, buffer, 10)), static_cast<int>(winerr::kHandleEof));
  f.close();
  EXPECT_EQ(error_of(f.read_at(0, buffer, 1)), static_cast<int>(winerr::kInvalidHandle));
}

// Looking items up: a path through a file or a missing folder is "path not found", a
// link loop its own number, a long name "name too long".
TEST_F(PlatformErrors, LookupsTellMissingPathsFromMissingFiles) {
  stdfs::create_symlink(dir_ / "loop-b", dir_ / "loop-a");
  stdfs::create_symlink(dir_ / "loop-a", dir_ / "loop-b");
  std::uint32_t attributes = 0;
  EXPECT_EQ(error_of(pf::get_attributes(n("file.txt\\x"), attributes)),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::get_attributes(n("missing\\x"), attributes)),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::get_attributes(n("missing"), attributes)),
            static_cast<int>(winerr::kFileNotFound));
  pf::FileEntry entry;
  EXPECT_EQ(error_of(pf::lookup(n("loop-a\\x"), entry)),
            static_cast<int>(winerr::kCantResolveFilename));
  EXPECT_EQ(error_of(pf::lookup(n(std::string(300, 'b')), entry)),
            static_cast<int>(winerr::kFilenameTooLong));
  EXPECT_FALSE(pf::exists(n("file.txt\\x")));
  EXPECT_FALSE(pf::is_folder(n("file.txt")));
  EXPECT_FALSE(pf::is_folder(n("pipe")));
}

// Searching a folder that is a file, or missing, or holds nothing that matches.
TEST_F(PlatformErrors, SearchesOfWhatIsNoFolder) {
  pf::FileEntry first;
  EXPECT_EQ(pf::find_first(n("file.txt\\*.*"), first), nullptr);
  EXPECT_EQ(pf::last_error(), winerr::kPathNotFound);
  EXPECT_EQ(pf::find_first(n("missing\\*.*"), first), nullptr);
  EXPECT_EQ(pf::last_error(), winerr::kPathNotFound);
  EXPECT_EQ(pf::find_first(n("folder\\*.*"), first), nullptr);
  EXPECT_EQ(pf::last_error(), winerr::kFileNotFound);
  auto search = pf::find_first(n("*.txt"), first);
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(first.name, "file.txt");
  EXPECT_FALSE(search->next(first));
  EXPECT_EQ(pf::last_error(), winerr::kNoMoreFiles);
  EXPECT_TRUE(search->close());
}

// Writing a whole file where it cannot go: a folder, a folder that is a file or missing,
// a name too long.  What was there stays, nothing is left beside it.
TEST_F(PlatformErrors, ReplacingRefusesWhereNoFileCanGo) {
  const auto data = bytes(100, 'x');
  EXPECT_EQ(error_of(pf::replace_file(n("folder"), data)), static_cast<int>(winerr::kAccessDenied));
  EXPECT_TRUE(stdfs::is_directory(dir_ / "folder"));
  EXPECT_EQ(error_of(pf::replace_file(n("file.txt\\a.txt"), data)),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::replace_file(n("missing\\a.txt"), data)),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::replace_file(n(std::string(300, 'c')), data)),
            static_cast<int>(winerr::kFilenameTooLong));
  EXPECT_EQ(read(dir_ / "file.txt"), "plain text");
  EXPECT_EQ(names(), (std::vector<std::string>{"file.txt", "folder", "pipe"}));
}

// Copying, making and removing where the kind of item is wrong.
TEST_F(PlatformErrors, FileOperationsOnTheWrongKindOfItem) {
  EXPECT_EQ(in_child([&] { return error_of(pf::copy_file(n("pipe"), n("copy"))); }),
            static_cast<int>(winerr::kAccessDenied));
  EXPECT_EQ(error_of(pf::copy_file(n("folder"), n("copy"))),
            static_cast<int>(winerr::kAccessDenied));
  EXPECT_EQ(error_of(pf::copy_file(n("file.txt"), n("file.txt\\copy"))),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::copy_file(n("file.txt"), n(std::string(300, 'd')))),
            static_cast<int>(winerr::kFilenameTooLong));
  EXPECT_EQ(error_of(pf::copy_file(n("file.txt"), n("folder"))),
            static_cast<int>(winerr::kFileExists));
  EXPECT_EQ(error_of(pf::create_folder(n("file.txt\\sub"))),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::create_folder(n("missing\\sub"))),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::create_folder(n("file.txt"))), static_cast<int>(winerr::kAlreadyExists));
  EXPECT_EQ(error_of(pf::create_folder(n(std::string(300, 'e')))),
            static_cast<int>(winerr::kFilenameTooLong));
  EXPECT_EQ(error_of(pf::remove_folder(n("file.txt"))), static_cast<int>(winerr::kDirectory));
  EXPECT_EQ(error_of(pf::remove_folder(n("missing"))), static_cast<int>(winerr::kFileNotFound));
  write(dir_ / "folder" / "inside.txt", "x");
  EXPECT_EQ(error_of(pf::remove_folder(n("folder"))), static_cast<int>(winerr::kDirNotEmpty));
  EXPECT_EQ(error_of(pf::delete_file(n("folder"))), static_cast<int>(winerr::kAccessDenied));
  EXPECT_EQ(error_of(pf::delete_file(n("missing\\a.txt"))),
            static_cast<int>(winerr::kPathNotFound));
  EXPECT_EQ(error_of(pf::move_item(n("missing.txt"), n("moved.txt"))),
            static_cast<int>(winerr::kFileNotFound));
  EXPECT_EQ(error_of(pf::move_item(n("file.txt"), n("folder"))),
            static_cast<int>(winerr::kAlreadyExists));
  EXPECT_EQ(read(dir_ / "file.txt"), "plain text");
  EXPECT_EQ(names(), (std::vector<std::string>{"file.txt", "folder", "pipe"}));
}

// With no descriptor left, every call that opens something says so (too many open
// files) rather than reporting a missing file, and leaves nothing behind.
TEST_F(PlatformErrors, NoDescriptorLeftIsTooManyOpenFiles) {
  const auto data = bytes(100, 'y');
  const int code = in_child([&] {
    std::uint32_t attributes = 0;
    pf::get_attributes(n("file.txt"), attributes);  // the drive table is read beforehand
    const rlimit limit{64, 64};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 200;
    while (::dup(0) >= 0) {
    }
    pf::InputFile f;
    if (error_of(f.open(n("file.txt"))) != static_cast<int>(winerr::kTooManyOpenFiles)) return 1;
    std::string out;
    if (error_of(pf::read_file(n("file.txt"), out, 1 << 20)) !=
        static_cast<int>(winerr::kTooManyOpenFiles)) {
      return 2;
    }
    if (error_of(pf::replace_file(n("new.txt"), data)) !=
        static_cast<int>(winerr::kTooManyOpenFiles)) {
      return 3;
    }
    if (error_of(pf::copy_file(n("file.txt"), n("copy.txt"))) !=
        static_cast<int>(winerr::kTooManyOpenFiles)) {
      return 4;
    }
    pf::FileEntry first;
    if (pf::find_first(n("*.*"), first) != nullptr ||
        pf::last_error() != winerr::kTooManyOpenFiles) {
      return 5;
    }
    return 0;
  });
  EXPECT_EQ(code, 0) << "check " << code << " failed";
  EXPECT_EQ(names(), (std::vector<std::string>{"file.txt", "folder", "pipe"}));
}

// A write cut short (here by a file-size limit, as a full disk would) fails with "disk
// full", keeps the old file whole and leaves no partial copy or temporary file.
TEST_F(PlatformErrors, AWriteCutShortLeavesTheOldFileAndNothingElse) {
  const std::string big(1 << 20, 'z');
  write(dir_ / "big.bin", big);
  const auto data = bytes(1 << 20, 'w');
  const int code = in_child([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 200;
    if (error_of(pf::replace_file(n("file.txt"), data)) != static_cast<int>(winerr::kDiskFull)) {
      return 1;
    }
    if (error_of(pf::copy_file(n("big.bin"), n("copy.bin"))) !=
        static_cast<int>(winerr::kDiskFull)) {
      return 2;
    }
    return 0;
  });
  EXPECT_EQ(code, 0) << "check " << code << " failed";
  EXPECT_EQ(read(dir_ / "file.txt"), "plain text");
  EXPECT_EQ(names(), (std::vector<std::string>{"big.bin", "file.txt", "folder", "pipe"}));
}

}  // namespace
