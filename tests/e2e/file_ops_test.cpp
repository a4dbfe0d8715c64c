// VeUtl_CopyFile, MoveFile, DeleteFile, RenameFile and NewFolder through fmhost, over
// hermetic drives in temporary folders.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "file_ops_helpers.hpp"

namespace {

using namespace fs_test;

stdfs::file_time_type mtime(const stdfs::path& p) {
  return stdfs::last_write_time(p);
}

// ---- CopyFile -------------------------------------------------------------------------

TEST(CopyFile, FileIntoFolderKeepsNameContentAndTimeAndNeverOverwrites) {
  Drives d("CD");
  const std::string data = pattern_bytes(300000);
  write_file(d.root('C') / "A" / "x.txt", data);
  stdfs::create_directory(d.root('D') / "B");
  const auto when = stdfs::file_time_type::clock::now() - std::chrono::hours(48);
  stdfs::last_write_time(d.root('C') / "A" / "x.txt", when);

  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:\\\\A\\\\x.txt DEST=D:\\\\B"), "");
  const auto copy = d.root('D') / "B" / "x.txt";
  EXPECT_EQ(read_file(copy), data);
  EXPECT_EQ(mtime(copy), when);

  // A second copy is refused with "file exists" and leaves the first one alone.
  write_file(d.root('C') / "A" / "x.txt", "changed");
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:A:x.txt DEST=D:B"), 80));
  EXPECT_EQ(read_file(copy), data);

  // A read-only file's copy is read-only too.
  write_file(d.root('C') / "A" / "ro.txt", "r");
  stdfs::permissions(d.root('C') / "A" / "ro.txt", stdfs::perms::owner_read);
  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:A:ro.txt DEST=D:B"), "");
  EXPECT_EQ(stdfs::status(d.root('D') / "B" / "ro.txt").permissions(), stdfs::perms::owner_read);

  // PATH stands in for SRC; a destination that does not exist is the new file's name.
  EXPECT_EQ(d.call("VeUtl_CopyFile", "PATH=C:A:x.txt DEST=D:B:y.txt"), "");
  EXPECT_EQ(read_file(d.root('D') / "B" / "y.txt"), "changed");
}

TEST(CopyFile, FolderTreeLeavesOutDotFoldersButNotDotFiles) {
  Drives d("CD");
  const auto src = d.root('C') / "A" / "Src";
  write_file(src / "one.txt", "1");
  write_file(src / ".profile", "dot file");
  write_file(src / "sub" / "deep" / "two.txt", "2");
  write_file(src / ".git" / "config", "secret");
  write_file(src / "sub" / ".cache" / "c", "c");
  stdfs::create_directory(src / "empty");
  stdfs::create_directory(d.root('D') / "B");

  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:A:Src DEST=D:B"), "");
  const auto dst = d.root('D') / "B" / "Src";
  EXPECT_EQ(read_file(dst / "one.txt"), "1");
  EXPECT_EQ(read_file(dst / ".profile"), "dot file");
  EXPECT_EQ(read_file(dst / "sub" / "deep" / "two.txt"), "2");
  EXPECT_TRUE(stdfs::is_directory(dst / "empty"));
  EXPECT_FALSE(stdfs::exists(dst / ".git"));
  EXPECT_FALSE(stdfs::exists(dst / "sub" / ".cache"));
  EXPECT_TRUE(stdfs::exists(src / "one.txt"));  // a copy leaves the source

  // The folder name is taken there already.
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:A:Src DEST=D:B"), 183));
  // A destination folder that does not exist.
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:A:Src DEST=D:Nowhere"), 3));
  EXPECT_FALSE(stdfs::exists(d.root('D') / "Nowhere"));
  EXPECT_FALSE(stdfs::exists(d.root('D') / "NowhereSrc"));
}

TEST(CopyFile, FolderIntoItsOwnTreeIsRefusedBeforeAnythingIsMade) {
  Drives d("C");
  write_file(d.root('C') / "A" / "B" / "f.txt", "f");
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:A DEST=C:A:B"), 87));
  EXPECT_FALSE(stdfs::exists(d.root('C') / "A" / "B" / "A"));
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:A DEST=C:A:B"), 87));
  EXPECT_EQ(read_file(d.root('C') / "A" / "B" / "f.txt"), "f");
}

TEST(CopyFile, MissingKeysAndMissingSource) {
  Drives d("C");
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "DEST=C:x"), -50));
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:x"), -50));
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:nothing.txt DEST=C:"), -43));
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:nothing.txt DEST=C:"), -43));
}

// Runs fmhost with files limited to `limit` bytes, as a target volume that fills up.
RunResult run_with_file_limit(const Drives& d, const std::vector<std::string>& args, rlim_t limit) {
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = limit;
  auto previous = ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of killing
  ::setrlimit(RLIMIT_FSIZE, &small);
  auto r = d.run(args);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);
  return r;
}

TEST(CopyFile, FailingPartWayRemovesItsPartialTarget) {
  Drives d("CD");
  const std::string data = pattern_bytes(1 << 20);
  write_file(d.root('C') / "big.bin", data);
  const auto r = run_with_file_limit(d, {"VeUtl_CopyFile", "SRC=C:big.bin DEST=D:"}, 64 * 1024);
  ASSERT_EQ(lines(r.out).size(), 1u) << r.err;
  EXPECT_EQ(lines(r.out)[0].rfind("ERROR=", 0), 0u) << lines(r.out)[0];
  EXPECT_FALSE(stdfs::exists(d.root('D') / "big.bin"));
  EXPECT_EQ(read_file(d.root('C') / "big.bin"), data);
}

// ---- MoveFile -------------------------------------------------------------------------

TEST(MoveFile, TreeMovesAndSourceFoldersGo) {
  Drives d("CD");
  const auto src = d.root('C') / "Src";
  write_file(src / "a.txt", "a");
  write_file(src / "s1" / "b.txt", "b");
  write_file(src / "s1" / "s2" / "c.txt", "c");
  stdfs::create_directory(d.root('D') / "B");

  EXPECT_EQ(d.call("VeUtl_MoveFile", "SRC=C:Src DEST=D:B"), "");
  EXPECT_FALSE(stdfs::exists(src));
  const auto dst = d.root('D') / "B" / "Src";
  EXPECT_EQ(read_file(dst / "a.txt"), "a");
  EXPECT_EQ(read_file(dst / "s1" / "b.txt"), "b");
  EXPECT_EQ(read_file(dst / "s1" / "s2" / "c.txt"), "c");
}

TEST(MoveFile, DotFolderStaysAndTheMoveReportsTheFullFolder) {
  Drives d("C");
  const auto src = d.root('C') / "Src";
  write_file(src / "a.txt", "a");
  write_file(src / ".git" / "HEAD", "ref");
  stdfs::create_directory(d.root('C') / "B");
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:Src DEST=C:B"), 145));
  EXPECT_EQ(read_file(d.root('C') / "B" / "Src" / "a.txt"), "a");
  EXPECT_EQ(read_file(src / ".git" / "HEAD"), "ref");
  EXPECT_FALSE(stdfs::exists(src / "a.txt"));
}

TEST(MoveFile, NeverReplacesAnExistingFile) {
  Drives d("C");
  write_file(d.root('C') / "a.txt", "new");
  write_file(d.root('C') / "B" / "a.txt", "old");
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:a.txt DEST=C:B"), 183));
  EXPECT_EQ(read_file(d.root('C') / "B" / "a.txt"), "old");
  EXPECT_EQ(read_file(d.root('C') / "a.txt"), "new");
  // Into a folder that does not exist: "path not found", and the file stays.
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:a.txt DEST=C:no:where.txt"), -120));
  EXPECT_TRUE(is_error(d.call("VeUtl_RenameFile", "SRC=C:a.txt DEST=C:no:where.txt"), -120));
  EXPECT_EQ(read_file(d.root('C') / "a.txt"), "new");
}

TEST(MoveFile, AcrossFileSystemsCopiesChecksAndThenDeletes) {
  const auto other = other_file_system();
  if (other.empty()) GTEST_SKIP() << "no second file system to move to";
  Drives d("C");
  d.add("E", other);
  const std::string data = pattern_bytes(2 << 20, 7);
  write_file(d.root('C') / "f.bin", data);
  write_file(d.root('C') / "T" / "g.txt", "g");
  write_file(d.root('C') / "T" / "u" / "h.txt", "h");

  const auto r =
      d.run({"VeUtl_MoveFile", "SRC=C:f.bin DEST=E:", "VeUtl_MoveFile", "SRC=C:T DEST=E:"});
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(read_file(d.root('E') / "f.bin"), data);
  EXPECT_FALSE(stdfs::exists(d.root('C') / "f.bin"));
  EXPECT_EQ(read_file(d.root('E') / "T" / "u" / "h.txt"), "h");
  EXPECT_FALSE(stdfs::exists(d.root('C') / "T"));

  // A renamed folder cannot leave its file system in one step: refused, nothing lost.
  write_file(d.root('C') / "R" / "x", "x");
  EXPECT_TRUE(is_error(d.call("VeUtl_RenameFile", "SRC=C:R DEST=E:R2"), 17));
  EXPECT_EQ(read_file(d.root('C') / "R" / "x"), "x");
}

TEST(MoveFile, AcrossFileSystemsKeepsTheSourceWhenTheCopyFails) {
  const auto other = other_file_system();
  if (other.empty()) GTEST_SKIP() << "no second file system to move to";
  Drives d("C");
  d.add("E", other);
  const std::string data = pattern_bytes(1 << 20, 3);
  write_file(d.root('C') / "f.bin", data);
  const auto r = run_with_file_limit(d, {"VeUtl_MoveFile", "SRC=C:f.bin DEST=E:"}, 100 * 1024);
  ASSERT_EQ(lines(r.out).size(), 1u) << r.err;
  EXPECT_EQ(lines(r.out)[0].rfind("ERROR=", 0), 0u) << lines(r.out)[0];
  EXPECT_EQ(read_file(d.root('C') / "f.bin"), data);
  EXPECT_FALSE(stdfs::exists(d.root('E') / "f.bin"));
}

// ---- DeleteFile -----------------------------------------------------------------------

TEST(DeleteFile, TreeWithDotFolderDeletesTheRestAndFailsOnTheFolder) {
  Drives d("C");
  const auto t = d.root('C') / "T";
  write_file(t / "a.txt", "a");
  write_file(t / ".hidden", "h");
  write_file(t / "s" / "b.txt", "b");
  write_file(t / ".svn" / "entries", "e");
  EXPECT_TRUE(is_error(d.call("VeUtl_DeleteFile", "PATH=C:T"), 145));
  EXPECT_FALSE(stdfs::exists(t / "a.txt"));
  EXPECT_FALSE(stdfs::exists(t / ".hidden"));
  EXPECT_FALSE(stdfs::exists(t / "s"));
  EXPECT_TRUE(stdfs::exists(t / ".svn" / "entries"));

  stdfs::remove_all(t / ".svn");
  EXPECT_EQ(d.call("VeUtl_DeleteFile", "PATH=C:T"), "");
  EXPECT_FALSE(stdfs::exists(t));
  EXPECT_TRUE(is_error(d.call("VeUtl_DeleteFile", "PATH=C:T"), -43));
  EXPECT_TRUE(is_error(d.call("VeUtl_DeleteFile", "NAME=C:T"), -50));
}

TEST(DeleteFile, ReadOnlyFileIsRefused) {
  Drives d("C");
  write_file(d.root('C') / "ro.txt", "keep");
  stdfs::permissions(d.root('C') / "ro.txt", stdfs::perms::owner_read | stdfs::perms::group_read);
  EXPECT_TRUE(is_error(d.call("VeUtl_DeleteFile", "PATH=C:ro.txt"), 5));
  EXPECT_EQ(read_file(d.root('C') / "ro.txt"), "keep");
}

TEST(DeleteFile, LinkToAFolderGoesAloneAndItsTargetStays) {
  Drives d("CD");
  write_file(d.root('D') / "precious" / "p.txt", "p");
  stdfs::create_directory(d.root('C') / "T");
  stdfs::create_directory_symlink(d.root('D') / "precious", d.root('C') / "T" / "link");
  stdfs::create_directory_symlink(d.root('D') / "precious", d.root('C') / "top");
  EXPECT_EQ(d.call("VeUtl_DeleteFile", "PATH=C:T"), "");
  EXPECT_EQ(d.call("VeUtl_DeleteFile", "PATH=C:top"), "");
  EXPECT_FALSE(stdfs::exists(d.root('C') / "T"));
  EXPECT_FALSE(stdfs::is_symlink(d.root('C') / "top"));
  EXPECT_EQ(read_file(d.root('D') / "precious" / "p.txt"), "p");
}

TEST(DeleteFile, DriveRootIsNeverEmptied) {
  Drives d("C");
  write_file(d.root('C') / "a.txt", "a");
  EXPECT_TRUE(is_error(d.call("VeUtl_DeleteFile", "PATH=C:"), 5));
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C: DEST=C:"), 5));
  EXPECT_EQ(read_file(d.root('C') / "a.txt"), "a");
}

// ---- RenameFile -----------------------------------------------------------------------

TEST(RenameFile, BareNameRenamesInPlaceAndAnExistingNameIsRefused) {
  Drives d("C");
  write_file(d.root('C') / "A" / "old.txt", "o");
  write_file(d.root('C') / "A" / "taken.txt", "t");
  EXPECT_EQ(d.call("VeUtl_RenameFile", "SRC=C:A:old.txt NAME=new.txt"), "");
  EXPECT_EQ(read_file(d.root('C') / "A" / "new.txt"), "o");
  EXPECT_FALSE(stdfs::exists(d.root('C') / "A" / "old.txt"));

  EXPECT_TRUE(is_error(d.call("VeUtl_RenameFile", "PATH=C:A:new.txt DEST=taken.txt"), -43));
  EXPECT_EQ(read_file(d.root('C') / "A" / "taken.txt"), "t");
  EXPECT_TRUE(is_error(d.call("VeUtl_RenameFile", "SRC=C:A:gone.txt NAME=x.txt"), -43));
  EXPECT_TRUE(is_error(d.call("VeUtl_RenameFile", "SRC=C:A:new.txt"), -50));

  // A full destination path moves the file there.
  stdfs::create_directory(d.root('C') / "B");
  EXPECT_EQ(d.call("VeUtl_RenameFile", "SRC=C:A:new.txt DEST=C:B:moved.txt"), "");
  EXPECT_EQ(read_file(d.root('C') / "B" / "moved.txt"), "o");
}

TEST(RenameFile, FoldersAreRenamedWithEverythingInThem) {
  Drives d("C");
  write_file(d.root('C') / "Old" / "a.txt", "a");
  write_file(d.root('C') / "Old" / ".git" / "HEAD", "h");
  stdfs::create_directory(d.root('C') / "Taken");
  EXPECT_EQ(d.call("VeUtl_RenameFile", "SRC=C:Old NAME=New"), "");
  EXPECT_EQ(read_file(d.root('C') / "New" / "a.txt"), "a");
  EXPECT_EQ(read_file(d.root('C') / "New" / ".git" / "HEAD"), "h");
  EXPECT_FALSE(stdfs::exists(d.root('C') / "Old"));
  EXPECT_TRUE(is_error(d.call("VeUtl_RenameFile", "SRC=C:New NAME=Taken"), -43));
}

// ---- NewFolder ------------------------------------------------------------------------

TEST(NewFolder, WithAndWithoutName) {
  Drives d("C");
  stdfs::create_directory(d.root('C') / "A");
  write_file(d.root('C') / "file.txt", "f");
  EXPECT_EQ(d.call("VeUtl_NewFolder", "PATH=C:A NAME=B"), "");
  EXPECT_TRUE(stdfs::is_directory(d.root('C') / "A" / "B"));
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "PATH=C:A NAME=B"), 183));
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "PATH=C:file.txt NAME=B"), -120));
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "PATH=C:missing NAME=B"), -120));
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "PATH=C:A"), -48));
  EXPECT_EQ(d.call("VeUtl_NewFolder", "PATH=C:A:C"), "");
  EXPECT_TRUE(stdfs::is_directory(d.root('C') / "A" / "C"));
  // A folder on the way that does not exist is path resolution's own -120.
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "PATH=C:no:such"), -120));
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "NAME=x"), -50));
}

TEST(FileOperations, SecondRecordReportsItsNumber) {
  Drives d("C");
  write_file(d.root('C') / "a.txt", "a");
  const auto line = d.call("VeUtl_DeleteFile", "PATH=C:a.txt | PATH=C:a.txt");
  EXPECT_TRUE(is_error(line, -43)) << line;
  EXPECT_NE(line.find("ARGS=2"), std::string::npos) << line;
}

}  // namespace
