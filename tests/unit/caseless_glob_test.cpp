#include "platform/linux/caseless_glob.hpp"

#include <fnmatch.h>
#include <gtest/gtest.h>

namespace velmora::platform::linux_backend {
namespace {

bool matches(const std::string& pattern, const char* name) {
  return ::fnmatch(caseless_glob(pattern).c_str(), name, 0) == 0;
}

TEST(CaselessGlob, TypePatternsMatchNamesInAnyCase) {
  EXPECT_EQ(caseless_glob("*.jpg"), "*.[jJ][pP][gG]");
  EXPECT_TRUE(matches("*.jpg", "photo.JPG"));
  EXPECT_TRUE(matches("*.TIFF", "scan.tiff"));
  EXPECT_TRUE(matches("*.3DMF", "model.3dmf"));
  EXPECT_FALSE(matches("*.jpg", "photo.jpeg"));
  EXPECT_FALSE(matches("*.gif", "gif"));
}

TEST(CaselessGlob, AllFilesAndBracketsInNames) {
  // "*.*" offers every name, those without a dot too.
  EXPECT_TRUE(matches("*.*", "README"));
  EXPECT_TRUE(matches("*.[x]", "a.[X]"));
  EXPECT_FALSE(matches("*.[x]", "a.x"));
}

}  // namespace
}  // namespace velmora::platform::linux_backend
