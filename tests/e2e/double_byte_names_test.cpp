// Japanese names through the file functions, from a script file as a database author
// writes them: characters whose second byte is a backslash (表 ソ 能) or a bar (ポ), and
// names that Windows refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "files_a_helpers.hpp"

namespace {

using namespace files_a;

bool present(const stdfs::path& p) {
  return stdfs::exists(stdfs::symlink_status(p));
}

TEST(DoubleByteNames, FoldersEndingInASecondByteBackslash) {
  Machine m;
  const auto c = m.drive('C');
  const auto d = m.drive('D');
  write_file(c / "Ops" / "表" / "a.txt", "a");
  write_file(c / "Ops" / "表" / "gone.txt", "g");
  write_file(c / "in.txt", "i");
  write_file(c / "ソ" / "deep" / "f.txt", "f");
  write_file(c / "能" / "x.txt", "x");
  const auto out = m.script(
      "VeUtl_RenameFile SRC=C:\\\\Ops\\\\表\\\\a.txt NAME=b.txt\n"
      "VeUtl_NewFolder PATH=C:\\\\Ops\\\\表 NAME=sub\n"
      "VeUtl_CopyFile SRC=C:\\\\in.txt DEST=C:\\\\Ops\\\\表\n"
      "VeUtl_MoveFile SRC=C:\\\\ソ DEST=D:\\\\\n"
      "VeUtl_CopyFile SRC=C:\\\\能 DEST=D:\\\\\n"
      "VeUtl_DeleteFile PATH=C:\\\\能\n"
      "VeUtl_DeleteFile PATH=C:\\\\Ops\\\\表\\\\gone.txt\n");
  ASSERT_EQ(out.size(), 7u);
  for (const auto& line : out) EXPECT_EQ(line, "");
  EXPECT_TRUE(present(c / "Ops" / "表" / "b.txt"));
  EXPECT_FALSE(present(c / "Ops" / "表b.txt"));
  EXPECT_TRUE(stdfs::is_directory(c / "Ops" / "表" / "sub"));
  EXPECT_FALSE(present(c / "Ops" / "表sub"));
  EXPECT_TRUE(present(c / "Ops" / "表" / "in.txt"));
  EXPECT_TRUE(present(d / "ソ" / "deep" / "f.txt"));
  EXPECT_FALSE(present(c / "ソ"));
  EXPECT_TRUE(present(d / "能" / "x.txt"));
  EXPECT_FALSE(present(c / "能"));
  EXPECT_FALSE(present(c / "Ops" / "表" / "gone.txt"));
  for (const auto& e : stdfs::recursive_directory_iterator(m.base())) {
    EXPECT_EQ(e.path().filename().string().find('?'), std::string::npos) << e.path();
  }
}

TEST(DoubleByteNames, SecondByteBarNeitherEndsTheItemNorTheRecord) {
  Machine m;
  const auto c = m.drive('C');
  write_file(c / "レポート" / "a.txt", "12345");
  write_file(c / "－" / "b.txt", "");
  const auto out = m.script(
      "VeUtl_FileInfo PATH=C:\\\\レポート\\\\a.txt\n"
      "VeUtl_FolderItemCount PATH=C:\\\\－\n"
      "VeUtl_FileInfo PATH=C:\\\\レポート\\\\a.txt | PATH=C:\\\\－\\\\b.txt\n");
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(item(out[0], "SIZE"), "5") << out[0];
  EXPECT_EQ(out[1], "1");
  // A bar of its own still separates records: the last record's answer wins.
  EXPECT_TRUE(starts_with(out[2], "NAME='b.txt'")) << out[2];
}

TEST(DoubleByteNames, NamesWindowsRefusesAreRefusedWith123) {
  Machine m;
  const auto c = m.drive('C');
  const auto d = m.drive('D');
  const auto e = m.drive('E');
  write_file(c / "A" / "f.txt", "f");
  write_file(e / "e.txt", "e");
  stdfs::create_directory(d / "RC");
  const auto out = m.script(
      "VeUtl_NewFolder PATH=C:\\\\A NAME=a:b\n"
      "VeUtl_NewFolder PATH=C:\\\\A NAME=x*y\n"
      "VeUtl_NewFolder PATH=C:\\\\A NAME='tab\\there'\n"
      "VeUtl_CopyFile SRC=E: DEST=D:\\\\RC\n"
      "VeUtl_RenameFile SRC=C:\\\\A\\\\f.txt NAME=what?.txt\n"
      "VeUtl_CopyFile SRC=C:\\\\A\\\\f.txt DEST='D:\\\\RC\\\\<f>.txt'\n"
      "VeUtl_NewFolder PATH=C:\\\\A NAME=ポ\n");
  ASSERT_EQ(out.size(), 7u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], "ERROR=123") << "line " << i + 1;
  EXPECT_EQ(out[6], "");  // the second byte 0x7C is no bar
  EXPECT_TRUE(stdfs::is_directory(c / "A" / "ポ"));
  EXPECT_TRUE(present(c / "A" / "f.txt"));
  EXPECT_TRUE(stdfs::is_empty(d / "RC"));
  EXPECT_EQ(std::distance(stdfs::directory_iterator(c / "A"), stdfs::directory_iterator()), 2);
}

TEST(DoubleByteNames, FindFileOnAShareAnswersInNetworkNotation) {
  Machine m;
  m.drive('C');
  const auto pub = m.share("srv", "pub");
  write_file(pub / "dir" / "x.jpg", "");
  write_file(pub / "表" / "y.jpg", "");
  const auto out = m.script(
      "VeUtl_FindFile EXTENSION=jpg VOLUME=srv::pub\n"
      "VeUtl_FindFile\n"
      "VeUtl_FindFile\n");
  ASSERT_EQ(out.size(), 3u);
  std::vector<std::string> found = {out[0], out[1]};
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"srv::pub:dir:x.jpg", "srv::pub:表:y.jpg"}));
  EXPECT_TRUE(starts_with(out[2], "ERROR=-43 ")) << out[2];
}

}  // namespace
