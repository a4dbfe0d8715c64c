// VeUtl_FileInfo through fmhost: every kind, its items in order, escaping, network
// notation, 64-bit sizes, local times, hidden and read-only flags, and shortcuts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

#include "files_a_helpers.hpp"

namespace {

using namespace files_a;

// The date and time items a time stamp must give in the local time zone.
std::string local_items(time_t t, const std::string& date_key, const std::string& time_key) {
  struct tm f {};
  localtime_r(&t, &f);
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%s=%d.%d.%d %s=%d:%02d:%02d", date_key.c_str(),
                f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, time_key.c_str(), f.tm_hour, f.tm_min,
                f.tm_sec);
  return buffer;
}

class FileInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    c = m.drive('C', ",fs=NTFS");
    write_file(c / "Data" / "a.txt", std::string(1200, 'x'));
    struct utimbuf when {};
    when.actime = when.modtime = 1390811107;  // 2014-01-27 08:25:07 UTC
    ::utime((c / "Data" / "a.txt").c_str(), &when);
  }
  Machine m;
  stdfs::path c;
};

TEST_F(FileInfo, FileItemsInOrder) {
  std::string line = m.call("VeUtl_FileInfo", "PATH=C:\\\\Data\\\\a.txt");
  std::string expected_start =
      "NAME='a.txt' KIND=file SIZE=1200 DATASIZE=1200 EXTENSION='txt' LOCKED=False "
      "INVISIBLE=False CREATEDDATE=";
  EXPECT_TRUE(starts_with(line, expected_start)) << line;
  EXPECT_NE(line.find(local_items(1390811107, "MODIFIEDDATE", "MODIFIEDTIME")), std::string::npos)
      << line;
  EXPECT_EQ(item(line, "LOCATION"), "<absent>");
  // The last item is the modification time: nothing follows without EXTRA.
  EXPECT_EQ(line.rfind(' '), line.find(" MODIFIEDTIME="));
}

TEST_F(FileInfo, ExtraAddsLocationAndPath) {
  std::string line = m.call("VeUtl_FileInfo", "PATH=C:\\\\Data\\\\a.txt EXTRA");
  EXPECT_EQ(item(line, "LOCATION"), "'C:\\\\Data\\\\'");
  EXPECT_EQ(item(line, "PATH"), "'C:\\\\Data\\\\a.txt'");
  EXPECT_LT(line.find(" LOCATION="), line.find(" PATH="));
  // Every notation of the same file gives the same path.
  for (const char* p : {"C:Data:a.txt", "C:Data\\\\a.txt", "C:\\\\Data:a.txt"}) {
    EXPECT_EQ(item(m.call("VeUtl_FileInfo", std::string("PATH=") + p + " EXTRA"), "PATH"),
              "'C:\\\\Data\\\\a.txt'")
        << p;
  }
  // A Linux path names the same file through the drive that holds it.
  std::string linux_path = (c / "Data" / "a.txt").string();
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=" + linux_path + " EXTRA"), "PATH"),
            "'C:\\\\Data\\\\a.txt'");
}

TEST_F(FileInfo, NamesComeFromTheDiskWhateverTheLetterCase) {
  std::string line = m.call("VeUtl_FileInfo", "PATH=c:\\\\DATA\\\\A.TXT");
  EXPECT_TRUE(starts_with(line, "NAME='a.txt' KIND=file SIZE=1200")) << line;
}

TEST_F(FileInfo, EscapingAndExtensions) {
  write_file(c / "Data" / "O'Brien.txt");
  write_file(c / "Data" / "README");
  write_file(c / "Data" / "a.tar.gz");
  write_file(c / "Data" / ".profile");
  std::string obrien = m.call("VeUtl_FileInfo", "PATH=\"C:\\\\Data\\\\O'Brien.txt\"");
  EXPECT_TRUE(starts_with(obrien, "NAME='O\\'Brien.txt' KIND=file")) << obrien;
  EXPECT_EQ(item(obrien, "EXTENSION"), "'txt'");
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=C:Data:README"), "EXTENSION"), "''");
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=C:Data:a.tar.gz"), "EXTENSION"), "'gz'");
  std::string profile = m.call("VeUtl_FileInfo", "PATH=C:Data:.profile");
  EXPECT_EQ(item(profile, "EXTENSION"), "'profile'");
  EXPECT_EQ(item(profile, "INVISIBLE"), "True");
}

TEST_F(FileInfo, FlagsFromPermissionsAndDosAttributes) {
  write_file(c / "Data" / "ro.txt");
  ::chmod((c / "Data" / "ro.txt").c_str(), 0444);
  write_file(c / "Data" / "hid.txt");
  ASSERT_TRUE(set_dos_attributes(c / "Data" / "hid.txt", "0x2"));
  std::string ro = m.call("VeUtl_FileInfo", "PATH=C:Data:ro.txt");
  EXPECT_EQ(item(ro, "LOCKED"), "True");
  EXPECT_EQ(item(ro, "INVISIBLE"), "False");
  std::string hid = m.call("VeUtl_FileInfo", "PATH=C:Data:hid.txt");
  EXPECT_EQ(item(hid, "LOCKED"), "False");
  EXPECT_EQ(item(hid, "INVISIBLE"), "True");
}

TEST_F(FileInfo, SizesPastFourGigabytes) {
  const std::uintmax_t five = 5ull * 1024 * 1024 * 1024, three = 3ull * 1024 * 1024 * 1024;
  write_file(c / "big5.bin");
  write_file(c / "big3.bin");
  stdfs::resize_file(c / "big5.bin", five);  // sparse: no disk space used
  stdfs::resize_file(c / "big3.bin", three);
  std::string line5 = m.call("VeUtl_FileInfo", "PATH=C:big5.bin");
  EXPECT_EQ(item(line5, "SIZE"), "5368709120");
  EXPECT_EQ(item(line5, "DATASIZE"), "5368709120");
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=C:big3.bin"), "SIZE"), "3221225472");
}

TEST_F(FileInfo, FolderCountsVisibleEntries) {
  write_file(c / "Data" / "b.txt");
  write_file(c / "Data" / "hid.txt");
  write_file(c / "Data" / ".profile");
  ASSERT_TRUE(set_dos_attributes(c / "Data" / "hid.txt", "0x2"));
  std::string line = m.call("VeUtl_FileInfo", "PATH=C:\\\\Data\\\\ EXTRA");
  EXPECT_TRUE(starts_with(line, "NAME='Data' KIND=folder ITEMCOUNT=2 LOCKED=False")) << line;
  EXPECT_EQ(item(line, "LOCATION"), "'C:\\\\'");
  EXPECT_EQ(item(line, "PATH"), "'C:\\\\Data\\\\'");  // the trailing backslash stays
  EXPECT_EQ(item(line, "SIZE"), "<absent>");
}

TEST_F(FileInfo, DrivesAreVolumes) {
  auto d = m.drive('D', ",label=PHOTOS,type=removable");
  std::string root = m.call("VeUtl_FileInfo", "PATH=C:\\\\ EXTRA");
  EXPECT_TRUE(starts_with(root, "NAME='C' KIND=volume ITEMCOUNT=1 EJECTABLE=False SIZE=")) << root;
  EXPECT_NE(item(root, "FREE"), "<absent>");
  EXPECT_EQ(item(root, "FILESYSTEM"), "NTFS");
  EXPECT_EQ(item(root, "PATH"), "'C:\\\\'");
  EXPECT_EQ(item(root, "LOCKED"), "<absent>");
  EXPECT_EQ(item(root, "CREATEDDATE"), "<absent>");
  // C: alone is the same volume (free space may move between the calls).
  std::string bare = m.call("VeUtl_FileInfo", "PATH=C: EXTRA");
  EXPECT_EQ(bare.substr(0, bare.find(" FREE=")), root.substr(0, root.find(" FREE=")));
  EXPECT_EQ(item(bare, "PATH"), "'C:\\\\'");
  std::string removable = m.call("VeUtl_FileInfo", "PATH=photos:");
  EXPECT_TRUE(starts_with(removable, "NAME='D' KIND=volume ITEMCOUNT=0 EJECTABLE=True"))
      << removable;
}

TEST_F(FileInfo, SharesUseNetworkNotation) {
  auto pub = m.share("srv", "pub");
  write_file(pub / "dir" / "a.txt", "abc");
  std::string share = m.call("VeUtl_FileInfo", "PATH=srv::pub EXTRA");
  EXPECT_TRUE(starts_with(share, "NAME='pub' KIND=volume ITEMCOUNT=1")) << share;
  EXPECT_EQ(item(share, "SERVER"), "srv");
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_EQ(item(share, "USER"), host);
  std::string file = m.call("VeUtl_FileInfo", "PATH=srv@zone::pub:dir:a.txt EXTRA");
  EXPECT_TRUE(starts_with(file, "NAME='a.txt' KIND=file SIZE=3")) << file;
  EXPECT_EQ(item(file, "LOCATION"), "'srv::pub:dir:'");
  EXPECT_EQ(item(file, "PATH"), "'srv::pub:dir:a.txt'");
  // The same file in backslash form.
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=\\\\\\\\srv\\\\pub\\\\dir\\\\a.txt EXTRA"), "PATH"),
            "'srv::pub:dir:a.txt'");
  // A share nobody mounted: nothing there.
  EXPECT_TRUE(starts_with(m.call("VeUtl_FileInfo", "PATH=other::pub"), "ERROR=-43"));
}

TEST_F(FileInfo, Shortcuts) {
  for (const char* name : {"report.lnk", "share.lnk", "kanji.lnk", "broken.lnk"}) {
    stdfs::copy_file(stdfs::path(VELMORA_TEST_DATA) / "files" / name, c / "Data" / name);
  }
  std::string report = m.call("VeUtl_FileInfo", "PATH=C:Data:report.lnk EXTRA");
  EXPECT_TRUE(starts_with(report, "NAME='report.lnk' KIND=shortcut LOCKED=False")) << report;
  EXPECT_EQ(item(report, "SIZE"), "<absent>");
  EXPECT_EQ(item(report, "ORIGINAL"), "'C:\\\\Docs\\\\report.txt'");
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=C:Data:share.lnk EXTRA"), "ORIGINAL"),
            "'\\\\\\\\srv\\\\pub\\\\dir\\\\f.txt'");
  // A double-byte target whose second byte is 0x5C comes back unescaped inside.
  EXPECT_EQ(item(m.call("VeUtl_FileInfo", "PATH=C:Data:kanji.lnk EXTRA"), "ORIGINAL"),
            "'C:\\\\表\\\\a.txt'");
  std::string broken = m.call("VeUtl_FileInfo", "PATH=C:Data:broken.lnk EXTRA");
  EXPECT_TRUE(starts_with(broken, "NAME='broken.lnk' KIND=shortcut")) << broken;
  EXPECT_NE(item(broken, "PATH"), "<absent>");
  EXPECT_EQ(item(broken, "ORIGINAL"), "<absent>");
}

TEST_F(FileInfo, DoubleByteNames) {
  write_file(c / "表" / "a.txt", "x");
  std::string line = m.call("VeUtl_FileInfo", "PATH=C:\\\\表\\\\a.txt EXTRA");
  EXPECT_TRUE(starts_with(line, "NAME='a.txt' KIND=file SIZE=1")) << line;
  EXPECT_EQ(item(line, "LOCATION"), "'C:\\\\表\\\\'");
  std::string folder = m.call("VeUtl_FileInfo", "PATH=C:表");
  EXPECT_TRUE(starts_with(folder, "NAME='表' KIND=folder ITEMCOUNT=1")) << folder;
}

TEST_F(FileInfo, Errors) {
  EXPECT_TRUE(starts_with(m.call("VeUtl_FileInfo", "EXTRA"), "ERROR=-50"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FileInfo", "PATH=C:Data:missing.txt"), "ERROR=-43"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FileInfo", "PATH=C:Nowhere:missing.txt"), "ERROR=-120"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FileInfo", "PATH=Q:\\\\x"), "ERROR=-35"));
  EXPECT_TRUE(starts_with(m.call("VeUtl_FileInfo", "PATH=NOLABEL:x"), "ERROR=-50"));
}

}  // namespace
