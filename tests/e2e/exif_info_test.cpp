// VeImg_ExifInfo through the real fmhost: pictures written by cameras (tests/data/exif)
// and by real tools at run time (cjpeg, then exiftool), damaged files, and the errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

const stdfs::path kData = stdfs::path(VELMORA_TEST_DATA) / "exif";

std::string param_value(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'' || c == '"') out += '\\';
    out += c;
  }
  return out + "'";
}

// One call; the answer line without its line feed.
std::string exif(const std::string& parameter) {
  const RunResult r = run_fmhost({"VeImg_ExifInfo", parameter}, {{"VELMORA_LANG", "en"}});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string out = r.out;
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}
std::string exif_of(const stdfs::path& file) {
  return exif("PATH=" + param_value(file.string()));
}

std::string read_file(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every item of `items` appears, in this order.
void expect_in_order(const std::string& text, const std::vector<std::string>& items) {
  std::size_t from = 0;
  for (const auto& item : items) {
    const std::size_t at = text.find(item, from);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << item << "\nin: " << text;
    from = at + item.size();
  }
}

TEST(ExifInfoE2E, NikonIntelFile) {
  const std::string text = exif_of(kData / "nikon-d2h-intel.jpg");
  // Values as exiftool -n reads them: 1/125 s, f/4.5, 23.33 mm, 500 px wide.
  expect_in_order(text, {"Make='NIKON CORPORATION,' ",
                         "Model='NIKON D2H,' ",
                         "Orientation=1 ",
                         "Exif_IFD_Pointer=216 ",
                         "ExposureTime=1/125 ",
                         "FNumber=45/10 ",
                         "ExifVersion=0220 ",
                         "FocalLength=2333/100 ",
                         "UserComment='taken at basilica of chinese' ",
                         "FlashPixVersion=0100 ",
                         "ColorSpace=65535 ",
                         "ExifImageWidth=500 ",
                         "FileSource=3 ",
                         "SceneType=1 ",
                         "CFAPattern='0200,0200,",
                         "SubjectDistanceRange=0 ",
                         "GPSVersion=2200 ",
                         "GPSLatitudeRef='N,' ",
                         "GPSLatitude=39/1,54/1,56/1 ",
                         "GPSDateStamp='2003:11:23,' ",
                         "Compression=6 ",
                         "JPEGInterchangeFormat=1088 ",
                         "JPEGInterchangeFormatLength=4034 "});
  EXPECT_TRUE(text.ends_with("JPEGInterchangeFormatLength=4034 "));
  EXPECT_EQ(text.find("MakerNote"), std::string::npos);
  EXPECT_EQ(text.find("GPS_IFD_Pointer"), std::string::npos);
  EXPECT_EQ(text.find("InteroperabilityOffset"), std::string::npos);
}

TEST(ExifInfoE2E, IphoneMotorolaFile) {
  const std::string text = exif("SRC=" + param_value((kData / "iphone4s-motorola.jpg").string()));
  // exiftool -n: Orientation 6, ISO 50, SubjectArea 1631 1223 881 881, 3264 px wide.
  expect_in_order(
      text, {"Make='Apple,' ", "Model='iPhone 4S,' ", "Orientation=6 ", "Exif_IFD_Pointer=204 ",
             "ISOSpeedRatings=50 ", "ExifVersion=0221 ", "ComponentsConfiguration=YCbCr ",
             "SubjectLocation=1631,1223,881,881 ", "ExifImageWidth=3264 ", "TAG42035='Apple,' ",
             "GPSLatitudeRef='N,' ", "GPSLatitude=59/1,19/1,5717/100 ", "GPSAltitude=29/1 ",
             "Compression=6 ", "JPEGInterchangeFormatLength=10875 "});
}

TEST(ExifInfoE2E, SourceKeyWinsOverPath) {
  const std::string nikon = (kData / "nikon-d2h-intel.jpg").string();
  const std::string apple = (kData / "iphone4s-motorola.jpg").string();
  EXPECT_TRUE(exif("PATH=" + param_value(nikon) + " SRC=" + param_value(apple))
                  .starts_with("Make='Apple,'"));
}

TEST(ExifInfoE2E, FileEndingInsideItsExifSegment) {
  const std::string text = exif_of(kData / "casio-ex-z70-truncated.jpg");
  expect_in_order(text, {"Make='CASIO COMPUTER CO.,LTD.,' ", "Model='EX-Z70     ,' ",
                         "ExposureTime=1/50 ", "FNumber=31/10 ", "ExifImageWidth=640 "});
}

TEST(ExifInfoE2E, DamagedFilesAnswerWithoutHarm) {
  for (const char* name :
       {"corrupt-ifd-loop.jpg", "corrupt-max-uint32.jpg", "corrupt-huge-tag.jpg"}) {
    const RunResult r =
        run_fmhost({"VeImg_ExifInfo", "PATH=" + param_value((kData / name).string())},
                   {{"VELMORA_LANG", "en"}});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(r.out.find("ERROR="), std::string::npos) << name;
    EXPECT_LT(r.out.size(), 4u << 20) << name;
  }
  EXPECT_TRUE(exif_of(kData / "corrupt-ifd-loop.jpg")
                  .starts_with("Orientation=1 XResolution=72/1 YResolution=72/1 "));
}

TEST(ExifInfoE2E, Errors) {
  EXPECT_EQ(exif("SOURCE=x").substr(0, 10), "ERROR=-50 ");
  EXPECT_EQ(exif("PATH=" + param_value((kData / "no-such-file.jpg").string())).substr(0, 10),
            "ERROR=-43 ");
  EXPECT_EQ(exif("PATH=" + param_value(kData.string())),
            "ERROR=-1000 MESSAGE='The file could not be opened.'");
  // Not a JPEG, and an empty file: no EXIF block, no error.
  EXPECT_EQ(exif_of(kData / "README.md"), "");
}

// Pictures written by real tools: cjpeg, then exiftool.
class ToolWrittenFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = stdfs::temp_directory_path() / ("velmora-exif-" + std::to_string(::getpid()));
    stdfs::create_directories(dir_);
    std::string ppm = "P6\n64 48\n255\n";
    for (int i = 0; i < 64 * 48 * 3; ++i) ppm += static_cast<char>((i * 7) & 0xFF);
    std::ofstream(dir_ / "a.ppm", std::ios::binary) << ppm;
    const std::string d = dir_.string();
    const std::string tags =
        " -Make=Velmora -Model='Test Cam' -Orientation#=6 -ExposureTime=1/250 -FNumber=2.8"
        " -ISO=400 '-UserComment=\xE6\x97\xA5\xE6\x9C\xAC comment' -GPSLatitude=35.5"
        " -GPSLatitudeRef=N -XMP-dc:Title=hello ";
    const std::string script =
        "cjpeg -quality 80 " + d + "/a.ppm > " + d + "/plain.jpg && " + "cp " + d + "/plain.jpg " +
        d + "/ii.jpg && cp " + d + "/plain.jpg " + d + "/mm.jpg && " +
        "exiftool -q -overwrite_original -ExifByteOrder=II" + tags + d + "/ii.jpg && " +
        "exiftool -q -overwrite_original -ExifByteOrder=MM" + tags + d + "/mm.jpg";
    ok_ = std::system(script.c_str()) == 0;
  }
  static void TearDownTestSuite() { stdfs::remove_all(dir_); }
  void SetUp() override {
    if (!ok_) GTEST_FAIL() << "cjpeg or exiftool failed (see scripts/install-deps.sh)";
  }

  static inline stdfs::path dir_;
  static inline bool ok_ = false;
};

TEST_F(ToolWrittenFiles, BothByteOrdersGiveTheSameText) {
  const std::string ii = exif_of(dir_ / "ii.jpg");
  const std::string mm = exif_of(dir_ / "mm.jpg");
  const std::vector<std::string> items = {
      "Make='Velmora,' ", "Model='Test Cam,' ", "Orientation=6 ", "ExposureTime=1/250 ",
      "FNumber=14/5 ", "ISOSpeedRatings=400 ", "ComponentsConfiguration=YCbCr ",
      // The UNICODE comment arrives in the native code page; fmhost prints it as UTF-8.
      "UserComment='\xE6\x97\xA5\xE6\x9C\xAC comment' ", "FlashPixVersion=0100 ",
      "GPSLatitudeRef='N,' ", "GPSLatitude=35/1,30/1,0/1 "};
  expect_in_order(ii, items);
  expect_in_order(mm, items);
  EXPECT_EQ(ii, mm);
  // cjpeg alone writes no EXIF block.
  EXPECT_EQ(exif_of(dir_ / "plain.jpg"), "");
}

// Moves the XMP APP1 segment in front of the EXIF one.
std::string xmp_first(const std::string& jpeg) {
  std::vector<std::string> segments;
  std::size_t pos = 2;
  while (pos + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[pos + 1]) != 0xDA) {
    const std::size_t length = (static_cast<unsigned char>(jpeg[pos + 2]) << 8) |
                               static_cast<unsigned char>(jpeg[pos + 3]);
    segments.push_back(jpeg.substr(pos, length + 2));
    pos += length + 2;
  }
  std::string exif_segment, xmp_segment, others;
  for (const auto& s : segments) {
    if (s.compare(4, 4, "Exif") == 0)
      exif_segment = s;
    else if (s.compare(4, 4, "http") == 0)
      xmp_segment = s;
    else
      others += s;
  }
  EXPECT_FALSE(exif_segment.empty());
  EXPECT_FALSE(xmp_segment.empty());
  return jpeg.substr(0, 2) + xmp_segment + exif_segment + others + jpeg.substr(pos);
}

TEST_F(ToolWrittenFiles, ExifBehindXmpIsFound) {
  const std::string original = exif_of(dir_ / "ii.jpg");
  std::ofstream(dir_ / "xmp-first.jpg", std::ios::binary) << xmp_first(read_file(dir_ / "ii.jpg"));
  EXPECT_EQ(exif_of(dir_ / "xmp-first.jpg"), original);
  EXPECT_TRUE(original.starts_with("Make='Velmora,' "));
}

TEST_F(ToolWrittenFiles, WindowsFormPath) {
  // C: is the root of the default drive table.
  std::string windows = "C:" + (dir_ / "mm.jpg").string();
  for (char& c : windows) c = c == '/' ? '\\' : c;
  EXPECT_EQ(exif("PATH=" + param_value(windows)), exif_of(dir_ / "mm.jpg"));
}

}  // namespace
