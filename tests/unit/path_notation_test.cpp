// Path notations: classification, conversion and the network notation of answers,
// including double-byte names whose second byte is the code of the backslash.
#include "files/path_notation.hpp"

#include <gtest/gtest.h>

namespace velmora::files {
namespace {

// "表" in code page 932: lead byte 0x95, second byte 0x5C ('\').
const std::string kHyo = "\x95\x5C";

TEST(PathNotation, ClassifiesEveryForm) {
  EXPECT_EQ(classify("srv::pub:dir:file.txt"), PathForm::Network);
  EXPECT_EQ(classify("srv@zone::pub:x"), PathForm::Network);
  EXPECT_EQ(classify("C:\\Data\\a.txt"), PathForm::DrivePath);
  EXPECT_EQ(classify("C:Data:a.txt"), PathForm::Colon);
  EXPECT_EQ(classify("C:Data\\a.txt"), PathForm::Colon);   // first backslash not at 2
  EXPECT_EQ(classify("C:\\Data:a.txt"), PathForm::Colon);  // two colons
  EXPECT_EQ(classify("C:"), PathForm::Colon);
  EXPECT_EQ(classify("PHOTOS:2014:img.jpg"), PathForm::Colon);
  EXPECT_EQ(classify("srv:pub"), PathForm::Colon);  // the second colon must follow
  EXPECT_EQ(classify("\\\\srv\\pub\\x"), PathForm::Backslash);
  EXPECT_EQ(classify("dir\\file"), PathForm::Backslash);
  EXPECT_EQ(classify("a.txt"), PathForm::Bare);
  EXPECT_EQ(classify("/home/me/a.txt"), PathForm::Bare);
  EXPECT_EQ(classify(""), PathForm::Bare);
}

TEST(PathNotation, SecondBytesAreNeverSeparators) {
  // The only "backslash" is the second byte of a double-byte character.
  EXPECT_EQ(classify(kHyo + "a.txt"), PathForm::Bare);
  // C:<hyo>\x: the first real backslash is at index 4, so this is colon notation.
  EXPECT_EQ(classify("C:" + kHyo + "\\x"), PathForm::Colon);
  EXPECT_EQ(classify("C:\\" + kHyo + "\\x"), PathForm::DrivePath);
  // A lead byte taking a ':' along is not a colon either.
  EXPECT_EQ(classify("\x95:abc"), PathForm::Bare);
}

TEST(PathNotation, NetworkToNative) {
  EXPECT_EQ(network_to_native("srv::pub:a:b"), "\\\\srv\\pub\\a\\b");
  EXPECT_EQ(network_to_native("srv::pub"), "\\\\srv\\pub\\");
  EXPECT_EQ(network_to_native("srv::pub:dir:file.txt"), "\\\\srv\\pub\\dir\\file.txt");
  EXPECT_EQ(network_to_native("srv@zone::pub:x"), "\\\\srv\\pub\\x");
  EXPECT_EQ(network_to_native("srv::"), "\\\\srv\\");
  EXPECT_EQ(network_to_native("srv::pub:" + kHyo + ":a"), "\\\\srv\\pub\\" + kHyo + "\\a");
}

TEST(PathNotation, ColonNotation) {
  std::string label, rest;
  split_colon_notation("C:Data:a.txt", label, rest);
  EXPECT_EQ(label, "");
  EXPECT_EQ(rest, "C:\\Data\\a.txt");
  split_colon_notation("C:Data\\a.txt", label, rest);
  EXPECT_EQ(rest, "C:\\Data\\a.txt");
  split_colon_notation("C:\\Data:a.txt", label, rest);
  EXPECT_EQ(rest, "C:\\Data\\a.txt");
  split_colon_notation("C:", label, rest);
  EXPECT_EQ(rest, "C:\\");
  split_colon_notation("MyDisk:folder:file", label, rest);
  EXPECT_EQ(label, "MyDisk");
  EXPECT_EQ(rest, "folder\\file");
  split_colon_notation("MyDisk:\\folder\\file", label, rest);
  EXPECT_EQ(rest, "folder\\file");
  split_colon_notation("MyDisk:", label, rest);
  EXPECT_EQ(label, "MyDisk");
  EXPECT_EQ(rest, "");
  split_colon_notation("C:" + kHyo + ":a", label, rest);
  EXPECT_EQ(rest, "C:\\" + kHyo + "\\a");
}

TEST(PathNotation, AnswersUseNetworkNotationForServers) {
  EXPECT_EQ(to_network_notation("\\\\srv\\pub\\dir\\a.txt"), "srv::pub:dir:a.txt");
  EXPECT_EQ(to_network_notation("\\\\srv\\pub\\dir\\"), "srv::pub:dir:");
  EXPECT_EQ(to_network_notation("\\\\srv\\pub"), "srv::pub");
  EXPECT_EQ(to_network_notation("C:\\Data\\a.txt"), "C:\\Data\\a.txt");
  EXPECT_EQ(to_network_notation("\\\\srv\\pub\\" + kHyo + "\\x"), "srv::pub:" + kHyo + ":x");
}

TEST(PathNotation, ShareRootsAndNames) {
  EXPECT_TRUE(is_share_root("\\\\srv\\pub"));
  EXPECT_FALSE(is_share_root("\\\\srv\\pub\\dir"));
  EXPECT_FALSE(is_share_root("C:\\pub"));
  EXPECT_TRUE(ends_with_backslash("C:\\"));
  EXPECT_FALSE(ends_with_backslash("C:\\" + kHyo));
  EXPECT_EQ(name_start("C:\\Data\\a.txt"), 8u);
  EXPECT_EQ(name_start("C:\\Data\\" + kHyo), 8u);
  EXPECT_EQ(name_start("a.txt"), 0u);
}

}  // namespace
}  // namespace velmora::files
