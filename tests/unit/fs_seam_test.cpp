// The Linux backend's pure pieces: Windows wildcards, the DOS attribute text of
// user.DOSATTRIB, attributes from a file's mode, errno mapping and full path names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/fs.hpp"
#include "platform/linux/dos_attributes.hpp"

namespace velmora::platform {
namespace {

TEST(Wildcard, WindowsRules) {
  EXPECT_TRUE(wildcard_match("*.*", "README"));
  EXPECT_TRUE(wildcard_match("*.*", "a.tar.gz"));
  EXPECT_TRUE(wildcard_match("*.jpg", "Photo.JPG"));
  EXPECT_FALSE(wildcard_match("*.jpg", "photo.jpeg"));
  EXPECT_TRUE(wildcard_match("report.*", "report"));
  EXPECT_TRUE(wildcard_match("report.*", "Report.doc"));
  EXPECT_FALSE(wildcard_match("report.*", "reports"));
  EXPECT_TRUE(wildcard_match("a?c", "abc"));
  EXPECT_FALSE(wildcard_match("a?c", "ac"));
  EXPECT_TRUE(wildcard_match("*.", "noext"));
  EXPECT_FALSE(wildcard_match("*.", "has.ext"));
  EXPECT_TRUE(wildcard_match("*a*b*c*", "xxaxxbxxcxx"));
}

TEST(Wildcard, DoubleByteCharactersCountAsOne) {
  const std::string hyo = "\x95\x5C";
  EXPECT_TRUE(wildcard_match("?.txt", hyo + ".txt"));
  EXPECT_TRUE(wildcard_match(hyo + "*", hyo + "abc"));
  // Case folding must not touch second bytes: 0x95 0x61 is not 0x95 0x41.
  EXPECT_FALSE(wildcard_match("\x95\x41", "\x95\x61"));
}

TEST(Wildcard, LongSubjectsStayFast) {
  // A pattern that makes naive backtracking exponential.
  std::string name(4000, 'a');
  EXPECT_FALSE(wildcard_match("*a*a*a*a*a*a*a*a*b", name));
}

TEST(DosAttributes, ReadsTheTextForm) {
  using linux_backend::parse_dos_attributes;
  EXPECT_EQ(parse_dos_attributes("0x2"), 2);
  EXPECT_EQ(parse_dos_attributes("0x22"), 0x22);
  EXPECT_EQ(parse_dos_attributes(std::string("0x4\0", 4)), 4);
  EXPECT_EQ(parse_dos_attributes("0XA"), 10);
  EXPECT_EQ(parse_dos_attributes("2"), -1);
  EXPECT_EQ(parse_dos_attributes("0x"), -1);
  EXPECT_EQ(parse_dos_attributes("0xZZ"), -1);
  EXPECT_EQ(parse_dos_attributes("0x123456789"), -1);
}

TEST(DosAttributes, AttributesFromModeNameAndStore) {
  using linux_backend::windows_attributes;
  EXPECT_EQ(windows_attributes(false, 0644, "a.txt", -1), attr::kArchive);
  EXPECT_EQ(windows_attributes(false, 0444, "a.txt", -1), attr::kArchive | attr::kReadOnly);
  EXPECT_EQ(windows_attributes(true, 0755, "dir", -1), attr::kDirectory);
  EXPECT_EQ(windows_attributes(false, 0644, ".profile", -1), attr::kArchive | attr::kHidden);
  // The stored attribute decides archive, hidden and system.
  EXPECT_EQ(windows_attributes(false, 0644, "a.txt", 0x2), attr::kHidden);
  EXPECT_EQ(windows_attributes(false, 0644, "a.txt", 0x24), attr::kSystem | attr::kArchive);
  EXPECT_EQ(windows_attributes(false, 0644, "a.txt", 0), attr::kNormal);
  // A stored directory bit cannot turn a file into a folder.
  EXPECT_EQ(windows_attributes(false, 0644, "a.txt", 0x10), attr::kNormal);
}

TEST(SystemErrors, ErrnoMapsOntoWindowsNumbers) {
  EXPECT_EQ(error_from_errno(ENOENT), winerr::kFileNotFound);
  EXPECT_EQ(error_from_errno(ENOTDIR), winerr::kPathNotFound);
  EXPECT_EQ(error_from_errno(EACCES), winerr::kAccessDenied);
  EXPECT_EQ(error_from_errno(EEXIST), winerr::kAlreadyExists);
  EXPECT_EQ(error_from_errno(ENOTEMPTY), winerr::kDirNotEmpty);
  EXPECT_EQ(error_from_errno(EXDEV), winerr::kNotSameDevice);
  EXPECT_EQ(error_from_errno(ENOSPC), winerr::kDiskFull);
}

TEST(FullPathName, FoldsDrivePathsLikeTheSystem) {
  std::string out;
  ASSERT_TRUE(full_path_name("C:\\Data\\a.txt", out));
  EXPECT_EQ(out, "C:\\Data\\a.txt");
  ASSERT_TRUE(full_path_name("c:\\Data\\.\\x\\..\\a.txt", out));
  EXPECT_EQ(out, "C:\\Data\\a.txt");
  ASSERT_TRUE(full_path_name("C:\\..\\..\\a", out));
  EXPECT_EQ(out, "C:\\a");
  ASSERT_TRUE(full_path_name("C:\\Data\\", out));
  EXPECT_EQ(out, "C:\\Data\\");
  ASSERT_TRUE(full_path_name("C:\\", out));
  EXPECT_EQ(out, "C:\\");
  ASSERT_TRUE(full_path_name("C:/Data//b", out));
  EXPECT_EQ(out, "C:\\Data\\b");
  ASSERT_TRUE(full_path_name("\\\\srv\\pub\\dir\\..\\x", out));
  EXPECT_EQ(out, "\\\\srv\\pub\\x");
  ASSERT_TRUE(full_path_name("\\\\srv\\pub\\", out));
  EXPECT_EQ(out, "\\\\srv\\pub\\");
  // The second byte 0x5C of a double-byte name is not a separator to fold at.
  ASSERT_TRUE(full_path_name("C:\\\x95\x5C\\..\\a", out));
  EXPECT_EQ(out, "C:\\a");
  ASSERT_TRUE(full_path_name("C:\\x\\\x95\x5C", out));
  EXPECT_EQ(out, "C:\\x\\\x95\x5C");
  EXPECT_FALSE(full_path_name("", out));
}

// Paths that already look whole are taken as they stand; anything folding would change
// is still folded.
TEST(FullPathName, WholePathsStandAndNearlyWholeOnesFold) {
  const std::pair<const char*, const char*> cases[] = {
      {"c:\\data", "C:\\data"},         {"C:\\Data\\\\b", "C:\\Data\\b"},
      {"C:\\\\Data", "C:\\Data"},       {"C:\\Data\\\\", "C:\\Data\\"},
      {"C:\\Data\\.", "C:\\Data"},      {"C:\\Data\\..", "C:\\"},
      {"C:\\.\\Data", "C:\\Data"},      {"C:\\Data/b", "C:\\Data\\b"},
      {"C:\\a.b\\...", "C:\\a.b\\..."}, {"C:\\x\\\x95\x5C\\", "C:\\x\\\x95\x5C\\"},
  };
  for (const auto& [in, expected] : cases) {
    std::string out;
    ASSERT_TRUE(full_path_name(in, out)) << in;
    EXPECT_EQ(out, expected) << in;
  }
}

}  // namespace
}  // namespace velmora::platform
