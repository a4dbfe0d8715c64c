// The drive table given in VELMORA_DRIVES when it is written badly: entries that are not
// a drive or a share are left out without disturbing the good ones, the first entry for a
// letter wins, options are read in any letter case, and a confined drive or share keeps
// every path inside its folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

class DriveTable : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-drives-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    base_ = tmpl;
    for (const char* name : {"c", "d", "e"}) stdfs::create_directories(base_ / name);
    std::ofstream(base_ / "c" / "a.txt") << "c\n";
    std::ofstream(base_ / "e" / "a.txt") << "eee\n";
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(base_, ec);
  }

  std::vector<std::string> calls(const std::string& table, std::vector<std::string> args) {
    const RunResult r = run_fmhost(args, {{"VELMORA_DRIVES", table}, {"VELMORA_LANG", "en"}});
    EXPECT_EQ(r.status, 0) << r.err;
    return lines(r.out);
  }
  std::string dir(const char* name) const { return (base_ / name).string(); }

  stdfs::path base_;
};

TEST_F(DriveTable, MalformedEntriesAreLeftOutAndTheFirstEntryOfALetterWins) {
  const std::string table =
      "junk;=/tmp;1=/tmp;CC=/tmp;d=relative;E=;//srv=/tmp;//srv/=/tmp;///pub=/tmp;;"
      "c=" +
      dir("c") + "/,type=bogus,label=;" + "d=" + dir("d") +
      ",TYPE=CDROM,Label=Disk,fs=xfs,CONFINED,extra;" + "C=" + dir("e") + ";//srv/pub=" + dir("e") +
      ",Confined";
  const auto out =
      calls(table,
            {"VeUtl_VolumeCount", "", "VeUtl_GetVolume", "INDEX=1", "VeUtl_GetVolume", "INDEX=2",
             "VeUtl_FileInfo", "PATH=C:\\\\a.txt", "VeUtl_FileInfo", "PATH=Disk:", "VeUtl_FileInfo",
             "PATH=E:\\\\a.txt", "VeUtl_FileInfo", "PATH=\\\\\\\\srv\\\\pub\\\\a.txt"});
  ASSERT_EQ(out.size(), 7u);
  EXPECT_EQ(out[0], "2");
  EXPECT_EQ(out[1], "C:");
  EXPECT_EQ(out[2], "D:");
  // C: is the first entry's folder (its trailing "/" dropped), not the later one's.
  EXPECT_EQ(out[3].rfind("NAME='a.txt' KIND=file SIZE=2 ", 0), 0u) << out[3];
  // The label names D:, whose type (in capitals) makes it ejectable.
  EXPECT_EQ(out[4].rfind("NAME='D' KIND=volume ITEMCOUNT=0 EJECTABLE=True ", 0), 0u) << out[4];
  EXPECT_EQ(out[5].rfind("ERROR=-35", 0), 0u) << out[5];  // "E=" named no folder
  EXPECT_EQ(out[6].rfind("NAME='a.txt' KIND=file SIZE=4 ", 0), 0u) << out[6];
}

TEST_F(DriveTable, ConfinedDrivesAndSharesKeepPathsInside) {
  const std::string table =
      "C=" + dir("c") + ";D=" + dir("d") + ",confined;//srv/pub=" + dir("e") + ",CONFINED";
  const auto out = calls(table, {"VeUtl_FileInfo", "PATH=D:\\\\..\\\\c\\\\a.txt", "VeUtl_FileInfo",
                                 "PATH=\\\\\\\\srv\\\\pub\\\\..\\\\..\\\\c\\\\a.txt",
                                 "VeUtl_FileInfo", "PATH=C:\\\\..\\\\a.txt"});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].rfind("ERROR=-120", 0), 0u) << out[0];
  EXPECT_EQ(out[1].rfind("ERROR=-120", 0), 0u) << out[1];
  // A drive that is not confined folds ".." at its root, as Windows does.
  EXPECT_EQ(out[2].rfind("NAME='a.txt' KIND=file SIZE=2 ", 0), 0u) << out[2];
}

}  // namespace
