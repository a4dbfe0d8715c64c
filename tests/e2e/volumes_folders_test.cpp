// VeUtl_VolumeCount, GetVolume, EjectVolume, FolderItemCount and GetFolderItem through
// fmhost over hermetic drives.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "files_a_helpers.hpp"

namespace {

using namespace files_a;

TEST(Volumes, DrivesAreListedInLetterOrder) {
  Machine m;
  m.drive('F');
  m.drive('C');
  m.drive('D', ",label=PHOTOS,type=removable");
  EXPECT_EQ(m.call("VeUtl_VolumeCount", ""), "3");
  EXPECT_EQ(m.call("VeUtl_GetVolume", "INDEX=1"), "C:");
  EXPECT_EQ(m.call("VeUtl_GetVolume", "INDEX=2"), "D:");
  EXPECT_EQ(m.call("VeUtl_GetVolume", "INDEX=3"), "F:");
  EXPECT_EQ(m.call("VeUtl_GetVolume", "2"), "D:");  // the first item is the number
}

TEST(Volumes, BadNumbersAreErrorsNeverEmptySuccesses) {
  Machine m;
  m.drive('C');
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetVolume", "INDEX=0"), "ERROR=-35"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetVolume", "INDEX=-3"), "ERROR=-35"));
  // Past the last drive: a failure of its own, not a possibly-zero last error.
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetVolume", "INDEX=2"), "ERROR=-35"));
  // An empty parameter has one empty item, which reads as 0.
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetVolume", ""), "ERROR=-35"));
}

TEST(Eject, RefusesWhatCannotBeEjectedWithoutTouchingIt) {
  Machine m;
  auto c = m.drive('C');
  m.drive('D', ",label=PHOTOS,type=removable");
  write_file(c / "keep.txt", "x");
  // A fixed disk is never touched.
  EXPECT_TRUE(starts_with(m.call("VeUtl_EjectVolume", "VOLUME=C:"), "ERROR=-50"));
  EXPECT_TRUE(stdfs::exists(c / "keep.txt"));
  // No value at all; a value too long for a volume; a label no drive has; a server.
  EXPECT_TRUE(starts_with(m.call("VeUtl_EjectVolume", "X=1"), "ERROR=-50"));
  EXPECT_TRUE(
      starts_with(m.call("VeUtl_EjectVolume", "VOLUME=" + std::string(63, 'L')), "ERROR=-35"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_EjectVolume", "NAME=NOSUCHDISK"), "ERROR=-50"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_EjectVolume", "NAME=srv::pub"), "ERROR=-50"));
  // A removable drive that is only a folder has no medium to eject: refused, intact.
  EXPECT_TRUE(starts_with(m.call("VeUtl_EjectVolume", "PATH=D:\\\\Photos"), "ERROR=-50"));
  EXPECT_EQ(m.call("VeUtl_VolumeCount", ""), "2");
}

// a.txt, a hidden file, a system file, .profile and Pics: two visible entries.
class Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    c = m.drive('C');
    write_file(c / "Data" / "a.txt", "hello");
    write_file(c / "Data" / "hidden.txt");
    write_file(c / "Data" / "system.txt");
    write_file(c / "Data" / ".profile");
    stdfs::create_directories(c / "Data" / "Pics");
    stdfs::create_directories(c / "Empty");
    ASSERT_TRUE(set_dos_attributes(c / "Data" / "hidden.txt", "0x2"));
    ASSERT_TRUE(set_dos_attributes(c / "Data" / "system.txt", "0x4"));
  }
  Machine m;
  stdfs::path c;
};

TEST_F(Folder, CountsAndListsOnlyVisibleEntries) {
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=C:\\\\Data"), "2");
  std::set<std::string> names = {m.call("VeUtl_GetFolderItem", "PATH=C:\\\\Data INDEX=1"),
                                 m.call("VeUtl_GetFolderItem", "PATH=C:\\\\Data INDEX=2")};
  EXPECT_EQ(names, (std::set<std::string>{"a.txt", "Pics:"}));
  EXPECT_EQ(m.call("VeUtl_GetFolderItem", "PATH=C:\\\\Data INDEX=3"), "ERROR=18");
  // The count agrees with FileInfo's ITEMCOUNT.
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=C:\\\\Data"), "ITEMCOUNT"), "2");
}

TEST_F(Folder, NumbersAndPathsAreChecked) {
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetFolderItem", "PATH=C:Data INDEX=0"), "ERROR=-35"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetFolderItem", "PATH=C:Data INDEX=-1"), "ERROR=-35"));
  // INDEX=abc is not a number: the second item (INDEX=abc itself) reads as 0.
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetFolderItem", "PATH=C:Data INDEX=abc"), "ERROR=-35"));
  std::string second = m.call("VeUtl_GetFolderItem", "PATH='C:\\\\Data' 2");
  EXPECT_TRUE(second == "a.txt" || second == "Pics:") << second;
  EXPECT_TRUE(starts_with(m.call("VeUtl_GetFolderItem", "PATH=C:Data"), "ERROR=-50"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FolderItemCount", "X=1"), "ERROR=-50"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FolderItemCount", "PATH=C:Data:a.txt"), "ERROR=-120"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FolderItemCount", "PATH=C:Nowhere"), "ERROR=-120"));
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=C:Empty"), "0");
  EXPECT_EQ(m.call("VeUtl_GetFolderItem", "PATH=C:Empty INDEX=1"), "ERROR=18");
}

TEST_F(Folder, RootOfADriveAndLetterCase) {
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=C:"), "2");  // Data, Empty
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=c:\\\\DATA"), "2");
}

TEST(FolderWalk, OneScriptSeesEveryEntryOnceInOneOrder) {
  Machine m;
  auto c = m.drive('C');
  constexpr int kEntries = 300;
  for (int i = 0; i < kEntries; ++i) write_file(c / "Many" / ("f" + std::to_string(i) + ".txt"));
  stdfs::create_directories(c / "Many" / "sub");
  std::string calls = "VeUtl_FolderItemCount PATH=C:\\\\Many\n";
  for (int i = 1; i <= kEntries + 2; ++i) {
    calls += "VeUtl_GetFolderItem PATH=C:\\\\Many INDEX=" + std::to_string(i) + "\n";
  }
  std::vector<std::string> out = m.script(calls);
  ASSERT_EQ(out.size(), static_cast<std::size_t>(kEntries + 3));
  EXPECT_EQ(out[0], std::to_string(kEntries + 1));
  std::set<std::string> seen(out.begin() + 1, out.begin() + 2 + kEntries);
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kEntries + 1));
  EXPECT_TRUE(seen.count("sub:"));
  EXPECT_TRUE(seen.count("f0.txt"));
  EXPECT_EQ(out.back(), "ERROR=18");
}

TEST(Notations, DoubleByteNamesWithABackslashSecondByte) {
  Machine m;
  auto c = m.drive('C');
  write_file(c / "表" / "a.txt", "x");  // CP932 95 5C: the second byte is '\'
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=C:\\\\表"), "1");
  EXPECT_EQ(m.call("VeUtl_GetFolderItem", "PATH=C:\\\\表 INDEX=1"), "a.txt");
  EXPECT_EQ(m.call("VeUtl_GetFolderItem", "PATH=C: INDEX=1"), "表:");
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=C:表"), "1");  // colon notation
}

TEST(Notations, VolumeLabelsNameDrivesInAnyCase) {
  Machine m;
  m.drive('C');
  auto d = m.drive('D', ",label=PHOTOS,type=removable");
  write_file(d / "2014" / "img.jpg", "jpeg");
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=photos:2014"), "1");
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=PHOTOS:"), "1");
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=Photos:\\\\2014"), "1");
  EXPECT_TRUE(starts_with(m.call("VeUtl_FolderItemCount", "PATH=NOLABEL:2014"), "ERROR=-50"));
}

TEST(Notations, LongPathsStopAt254Characters) {
  Machine m;
  auto c = m.drive('C');
  // C:\ + 125 + \ + 125 = 254 characters; one more is 255 and does not fit.
  std::string a(125, 'a'), b(125, 'b');
  stdfs::create_directories(c / a / b);
  stdfs::create_directories(c / a / (b + "c"));
  EXPECT_EQ(m.call("VeUtl_FolderItemCount", "PATH=C:\\\\" + a + "\\\\" + b), "0");
  EXPECT_TRUE(starts_with(m.call("VeUtl_FolderItemCount", "PATH=C:\\\\" + a + "\\\\" + b + "c"),
                          "ERROR=-50"));
}

}  // namespace
