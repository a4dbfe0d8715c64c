// The file type table: the codes the dialogs, FindFile and CompressImage rely on.
#include "dialogs/file_types.hpp"

#include <gtest/gtest.h>

#include <string>

#include "files/find_search.hpp"

namespace {

using velmora::dialogs::four_cc;
using velmora::dialogs::lookup_file_type;

std::string extension_of(const char* code) {
  const auto type = lookup_file_type(*four_cc(code));
  return type ? std::string(type->extension) : "<unknown>";
}

TEST(FileTypes, CodesPadShortNamesAndMatchExactly) {
  EXPECT_EQ(*four_cc("GIF"), *four_cc("GIF "));
  EXPECT_EQ(*four_cc("JPEG"), 0x4A504547u);
  EXPECT_FALSE(four_cc("").has_value());
  EXPECT_FALSE(four_cc("JPEGS").has_value());
  EXPECT_EQ(extension_of("GIF"), "gif");
  EXPECT_EQ(extension_of("jpeg"), "<unknown>");  // case counts
  EXPECT_EQ(extension_of("JPG"), "<unknown>");
}

TEST(FileTypes, EveryCodeOfEachGroupGivesItsTypeAndPatterns) {
  struct Group {
    std::vector<const char*> codes;
    const char* extension;
    const char* patterns;
  };
  const std::vector<Group> groups = {
      {{".SGI", "SGI "}, "sgi", "*.sgi;*.rgb"},
      {{".WAV", "WAVE"}, "wav", "*.wav"},
      {{"AIFC"}, "aifc", "*.aif;*.aifc;*.aiff"},
      {{"AIFF"}, "aif", "*.aif;*.aiff;*.aifc"},
      {{"BMP ", "BMPf"}, "bmp", "*.bmp;*.dib"},
      {{"JFIF"}, "jpg", "*.jpg"},
      {{"JPEG"}, "jpg", "*.jpg;*.jpeg"},
      {{"MP3 ", "MPG3", "Mp3 ", "PLAY", "SwaT"}, "mp3", "*.mp3;*.swa"},
      {{"MPGa", "MPGv", "MPGx"},
       "mpg",
       "*.mpg;*.mpeg;*.m1s;*.m15;*.m1a;*.m1v;*.m64;*.m75;*.mp2;*.mpa;*.mpm;*.mpv"},
      {{"MPEG"},
       "mpg",
       "*.mpg;*.mpeg;*.m1s;*.m15;*.m1a;*.m1v;*.m64;*.m75;*.mp2;*.mpa;*.mpm;*.mpv;*.mp3;*.swa"},
      {{"VfW ", "Vfw "}, "avi", "*.avi"},
      {{"W8BN", "WDBN"}, "doc", "*.doc"},
      {{"dvc!"}, "dv", "*.dv;*.dif"},
      {{"trak"}, "cda", "*.cda"},
      {{"PICS"}, "", ""},
  };
  for (const auto& g : groups) {
    for (const char* code : g.codes) {
      const auto type = lookup_file_type(*four_cc(code));
      ASSERT_TRUE(type.has_value()) << code;
      EXPECT_EQ(type->extension, g.extension) << code;
      EXPECT_EQ(type->patterns, g.patterns) << code;
    }
  }
}

// Every type but PICS lists its own extension among its patterns: a typo in either
// column shows here.
TEST(FileTypes, EachTypeMatchesItsOwnExtension) {
  const char* codes[] = {".SGI", ".WAV", "3DMF", "8BPS", "AIFC", "AIFF", "BMP ", "BMPf", "EPSF",
                         "EPSP", "FLC ", "FLI ", "FMP5", "FPix", "GIF ", "GIFf", "JFIF", "JPEG",
                         "MP3 ", "MPEG", "MPG3", "MPGa", "MPGv", "MPGx", "Midi", "MooV", "Mp3 ",
                         "PDF ", "PICT", "PLAY", "PNG ", "PNGf", "PNTG", "SD2 ", "SGI ", "SLD8",
                         "SWF ", "SWFL", "Sd2f", "SwaT", "TEXT", "TIFF", "TPIC", "ULAW", "VfW ",
                         "Vfw ", "W8BN", "WAVE", "WDBN", "XLS8", "dvc!", "qtif", "sfil", "trak"};
  EXPECT_EQ(std::size(codes) + 1, velmora::dialogs::file_type_code_count());  // + PICS
  for (const char* code : codes) {
    const auto type = lookup_file_type(*four_cc(code));
    ASSERT_TRUE(type.has_value()) << code;
    ASSERT_FALSE(type->extension.empty()) << code;
    const std::string own = "*." + std::string(type->extension);
    const std::string list = ";" + std::string(type->patterns) + ";";
    EXPECT_NE(list.find(";" + own + ";"), std::string::npos) << code << " " << type->patterns;
  }
}

TEST(FindPattern, NameAndExtensionDefaultToStar) {
  using velmora::files::find_pattern;
  using velmora::files::FindCriteria;
  FindCriteria jpg;
  jpg.extension = "jpg";
  EXPECT_EQ(find_pattern(jpg), "*.jpg");
  FindCriteria report;
  report.name = "report";
  EXPECT_EQ(find_pattern(report), "report.*");
  EXPECT_EQ(find_pattern(FindCriteria{}), "*.*");
}

TEST(FindResultPath, ServerPathsInNetworkNotation) {
  using velmora::files::network_notation;
  EXPECT_EQ(network_notation("\\\\srv\\pub\\dir\\x.jpg"), "srv::pub:dir:x.jpg");
  EXPECT_EQ(network_notation("\\\\srv\\pub"), "srv::pub");
  EXPECT_EQ(network_notation("C:\\a.jpg"), "C:\\a.jpg");
  // A double-byte character whose second byte is 0x5C stays whole.
  EXPECT_EQ(network_notation("\\\\srv\\pub\\\x95\x5C.jpg"), "srv::pub:\x95\x5C.jpg");
}

}  // namespace
