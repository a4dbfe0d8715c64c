// Odd trees and odd entries through the file functions: link loops and links leading
// out, copies into a folder's own tree through an alias, FIFOs and device nodes.  Every
// link, FIFO and node is made in a temporary drive folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "file_ops_helpers.hpp"

namespace {

using namespace fs_test;

bool is_link(const stdfs::path& p) {
  return stdfs::is_symlink(stdfs::symlink_status(p));
}

std::size_t count_entries(const stdfs::path& dir) {
  std::size_t n = 0;
  std::error_code ec;
  for (auto it = stdfs::recursive_directory_iterator(dir, ec);
       it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
    ++n;
  }
  return n;
}

TEST(TreeLinks, ALoopIsCopiedAsALinkMovedAsOneAndDeletedAsALink) {
  Drives d("CD");
  const auto tree = d.root('C') / "tree";
  write_file(tree / "a.txt", "a");
  write_file(tree / "sub" / "b.txt", "b");
  stdfs::create_directory_symlink(".", tree / "self");
  stdfs::create_directory_symlink("..", tree / "sub" / "up");
  write_file(d.root('C') / "outside" / "keep.txt", "keep");
  stdfs::create_directory_symlink(d.root('C') / "outside", tree / "out");
  stdfs::create_symlink("a.txt", tree / "alias.txt");

  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:tree DEST=D:"), "");
  const auto copy = d.root('D') / "tree";
  EXPECT_TRUE(is_link(copy / "self"));
  EXPECT_EQ(stdfs::read_symlink(copy / "self"), ".");
  EXPECT_TRUE(is_link(copy / "sub" / "up"));
  EXPECT_TRUE(is_link(copy / "out"));
  EXPECT_TRUE(is_link(copy / "alias.txt"));
  EXPECT_EQ(read_file(copy / "sub" / "b.txt"), "b");
  EXPECT_EQ(count_entries(copy), 7u);  // no walk through any link

  // Deleting the copy removes the links themselves, never what they lead to.
  EXPECT_EQ(d.call("VeUtl_DeleteFile", "PATH=D:tree"), "");
  EXPECT_FALSE(stdfs::exists(copy));
  EXPECT_EQ(read_file(d.root('C') / "outside" / "keep.txt"), "keep");

  // A link given as the source is copied and deleted as the link.
  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:tree:out DEST=D:"), "");
  EXPECT_TRUE(is_link(d.root('D') / "out"));
  EXPECT_EQ(d.call("VeUtl_DeleteFile", "PATH=D:out"), "");
  EXPECT_FALSE(is_link(d.root('D') / "out"));
  EXPECT_EQ(read_file(d.root('C') / "outside" / "keep.txt"), "keep");

  // Moving the tree within its file system keeps the links as they are.
  EXPECT_EQ(d.call("VeUtl_MoveFile", "SRC=C:tree DEST=D:"), "");
  EXPECT_EQ(stdfs::read_symlink(d.root('D') / "tree" / "self"), ".");
  EXPECT_FALSE(stdfs::exists(tree));
}

TEST(TreeLinks, FindFileNeverEntersALink) {
  Drives d("C");
  write_file(d.root('C') / "t" / "x.jpg", "");
  stdfs::create_directory_symlink(".", d.root('C') / "t" / "loop");
  stdfs::create_directory_symlink("..", d.root('C') / "t" / "up");
  const auto r = d.run({"VeUtl_FindFile", "EXTENSION=jpg", "VeUtl_FindFile", ""});
  EXPECT_EQ(lines(r.out).size(), 2u);
  EXPECT_EQ(lines(r.out).at(0), "C:\\\\t\\\\x.jpg");
  EXPECT_TRUE(is_error(lines(r.out).at(1), -43));
}

TEST(TreeLinks, CopyIntoItselfThroughAnAliasStopsBeforeMakingAnything) {
  Drives d("C");
  const auto a = d.root('C') / "A";
  write_file(a / "inner" / "f.txt", "f");
  stdfs::create_directory_symlink(a, d.root('C') / "alias");
  stdfs::create_directory_symlink(a / "inner", d.root('C') / "deep");
  const std::size_t before = count_entries(d.root('C'));

  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:A DEST=C:alias"), 87));
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:A DEST=C:deep"), 87));
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:A DEST=C:alias:inner"), 87));
  // The alias itself is a link: it is copied as one, which ends at once.
  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:alias DEST=C:A:inner"), "");
  EXPECT_TRUE(is_link(a / "inner" / "alias"));
  stdfs::remove(a / "inner" / "alias");
  EXPECT_EQ(count_entries(d.root('C')), before);
  EXPECT_EQ(read_file(a / "inner" / "f.txt"), "f");
}

class SpecialEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    fifo = d.root('C') / "p.jpg";
    node = d.root('C') / "zero";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    have_node = ::mknod(node.c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0;
  }
  Drives d{"CD"};
  stdfs::path fifo, node;
  bool have_node = false;
};

TEST_F(SpecialEntries, PicturesRefuseAFifoAtOnce) {
  for (const char* function : {"VeImg_ImageInfo", "VeImg_PreviewImage"}) {
    EXPECT_TRUE(is_error(d.call(function, "PATH=C:p.jpg"), 5)) << function;
  }
  const std::string exif = d.call("VeImg_ExifInfo", "PATH=C:p.jpg");
  EXPECT_EQ(exif.rfind("ERROR=", 0), 0u) << exif;
}

TEST_F(SpecialEntries, CopyRefusesAndMoveRenamesOnly) {
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:p.jpg DEST=D:"), 5));
  EXPECT_FALSE(stdfs::exists(d.root('D') / "p.jpg"));
  if (have_node) {
    EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:zero DEST=D:"), 5));
    EXPECT_FALSE(stdfs::exists(d.root('D') / "zero"));
  }
  // Within a file system a move is a rename, which a FIFO survives unchanged.
  EXPECT_EQ(d.call("VeUtl_MoveFile", "SRC=C:p.jpg DEST=D:"), "");
  EXPECT_TRUE(stdfs::is_fifo(d.root('D') / "p.jpg"));

  // A folder holding a FIFO: the copy stops at it with the same clear answer.
  write_file(d.root('C') / "T" / "a.txt", "a");
  ASSERT_EQ(::mkfifo((d.root('C') / "T" / "q").c_str(), 0644), 0);
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:T DEST=D:"), 5));

  const auto other = other_file_system();
  if (other.empty() || !have_node) return;
  d.add("E", other);
  EXPECT_TRUE(is_error(d.call("VeUtl_MoveFile", "SRC=C:zero DEST=E:"), 5));
  struct stat st {};
  ASSERT_EQ(::stat(node.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_FALSE(stdfs::exists(d.root('E') / "zero"));
}

TEST(ConfinedDrive, NoLinkLeadsOutOfTheDrive) {
  Drives d("D");  // D: stands for the rest of the machine, outside C:
  d.add("C", stdfs::temp_directory_path(), ",confined");
  const auto c = d.root('C');
  const auto outside = d.root('D');
  write_file(outside / "secret.txt", "secret");
  write_file(c / "in" / "f.txt", "inside");
  stdfs::create_directory_symlink(outside, c / "outlink");
  stdfs::create_symlink(outside / "secret.txt", c / "in" / "secret.lnk.txt");
  stdfs::create_directory_symlink("../..", c / "in" / "up");
  stdfs::create_directory_symlink(outside / "new", c / "dangling");
  stdfs::create_directory_symlink("in", c / "alias");
  stdfs::create_directory_symlink(c / "in", c / "absalias");

  EXPECT_EQ(d.call("VeUtl_FileInfo", "PATH=C:outlink:secret.txt").rfind("ERROR=", 0), 0u);
  EXPECT_EQ(d.call("VeUtl_FileInfo", "PATH=C:in:secret.lnk.txt").rfind("ERROR=", 0), 0u);
  EXPECT_EQ(d.call("VeUtl_FolderItemCount", "PATH=C:in:up").rfind("ERROR=", 0), 0u);
  EXPECT_EQ(d.call("VeUtl_CopyFile", "SRC=C:outlink:secret.txt DEST=C:in").rfind("ERROR=", 0), 0u);
  EXPECT_TRUE(is_error(d.call("VeUtl_NewFolder", "PATH=C:dangling"), 5));
  EXPECT_TRUE(is_error(d.call("VeUtl_CopyFile", "SRC=C:in:f.txt DEST=C:outlink"), 5));
  EXPECT_FALSE(stdfs::exists(outside / "new"));
  EXPECT_FALSE(stdfs::exists(outside / "f.txt"));
  EXPECT_FALSE(stdfs::exists(c / "in" / "secret.txt"));
  // Links that stay inside still work, relative or absolute.
  EXPECT_EQ(d.call("VeUtl_FolderItemCount", "PATH=C:alias"), "3");
  EXPECT_EQ(d.call("VeUtl_FolderItemCount", "PATH=C:absalias"), "3");
  EXPECT_EQ(d.call("VeUtl_FolderItemCount", "PATH=C:in"), "3");

  // The same tree on a drive without the option reads through the link.
  Drives open("");
  open.add("C", stdfs::temp_directory_path());
  stdfs::create_directory_symlink(outside, open.root('C') / "outlink");
  EXPECT_EQ(open.call("VeUtl_FolderItemCount", "PATH=C:outlink"), "1");
}

}  // namespace
