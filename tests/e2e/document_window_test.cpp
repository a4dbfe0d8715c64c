// fmhost's document window: the surface saved as PNG, its size option, and the
// refusal of a window without a display.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

std::vector<unsigned char> read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t be32(const std::vector<unsigned char>& b, std::size_t at) {
  return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
         (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

TEST(DocumentWindow, SavedAsPngOfItsSizeAfterTheCalls) {
  const std::string path = "/tmp/velmora-window-" + std::to_string(::getpid()) + ".png";
  std::remove(path.c_str());
  const RunResult r = run_fmhost(
      {"--window-size", "320x200", "--save-window", path, "VeUtl_CalcPoint", "POINT=1,2"},
      {{"DISPLAY", ""}});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto png = read_all(path);
  std::remove(path.c_str());
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  EXPECT_EQ(be32(png, 16), 320u);
  EXPECT_EQ(be32(png, 20), 200u);
}

TEST(DocumentWindow, BadSizeAndUnwritableFileAreReported) {
  EXPECT_EQ(run_fmhost({"--window-size", "0x10", "--list"}).status, 2);
  EXPECT_EQ(run_fmhost({"--window-size", "640", "--list"}).status, 2);
  const RunResult r =
      run_fmhost({"--save-window", "/nonexistent-folder/w.png", "--list"}, {{"DISPLAY", ""}});
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("cannot save the window"), std::string::npos);
}

}  // namespace
