// VeImg_ImageInfo through the real fmhost, over pictures written at run time by
// tests/data/image/make_pictures.py: every reader, the resolution sources, pages,
// EPS previews, damaged files and files whose names lie about their contents.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fmhost_runner.hpp"

namespace {

namespace stdfs = std::filesystem;

class ImageInfoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new stdfs::path(stdfs::temp_directory_path() /
                           ("velmora_image_info_" + std::to_string(::getpid())));
    const std::string script =
        (stdfs::path(VELMORA_TEST_DATA) / "image" / "make_pictures.py").string();
    const std::string command = "python3 '" + script + "' '" + dir_->string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    stdfs::remove_all(*dir_, ec);
    delete dir_;
    dir_ = nullptr;
  }

  static std::string call(const std::string& parameter) {
    const RunResult r = run_fmhost({"VeImg_ImageInfo", parameter}, {{"VELMORA_LANG", "en"}});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string out = r.out;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }
  static std::string info(const std::string& name, const std::string& extra = "") {
    return call("PATH='" + (*dir_ / name).string() + "'" + extra);
  }

  static stdfs::path* dir_;
};

stdfs::path* ImageInfoTest::dir_ = nullptr;

TEST_F(ImageInfoTest, JpegSizeDepthAndJfifDensity) {
  EXPECT_EQ(info("photo.jpg"), "WIDTH=640 HEIGHT=480 DEPTH=32 RESOLUTION=72");
  EXPECT_EQ(info("aspect.jpg"), "WIDTH=40 HEIGHT=30 DEPTH=32 RESOLUTION=72,96");
  // 118 dots per centimetre is 299.72 per inch: the integer part is reported.
  EXPECT_EQ(info("centimetres.jpg"), "WIDTH=40 HEIGHT=30 DEPTH=32 RESOLUTION=299");
  EXPECT_EQ(info("grey.jpg"), "WIDTH=33 HEIGHT=17 DEPTH=8 RESOLUTION=72");
  // Without a JFIF density, the resolution of the EXIF block.
  EXPECT_EQ(info("camera.jpg"), "WIDTH=48 HEIGHT=32 DEPTH=32 RESOLUTION=350");
}

TEST_F(ImageInfoTest, PngGifBmpAndPict) {
  EXPECT_EQ(info("phys.png"), "WIDTH=50 HEIGHT=20 DEPTH=32 RESOLUTION=96");
  EXPECT_EQ(info("grey.png"), "WIDTH=21 HEIGHT=12 DEPTH=8 RESOLUTION=72");
  EXPECT_EQ(info("alpha.png"), "WIDTH=5 HEIGHT=6 DEPTH=32 RESOLUTION=72");
  // The depth of a GIF is its colour table's: 8 colours are 4 bits, 2 colours 1.
  EXPECT_EQ(info("colours.gif"), "WIDTH=23 HEIGHT=11 DEPTH=4 RESOLUTION=72");
  EXPECT_EQ(info("two.gif"), "WIDTH=9 HEIGHT=5 DEPTH=1 RESOLUTION=72");
  EXPECT_EQ(info("picture.bmp"), "WIDTH=40 HEIGHT=30 DEPTH=32 RESOLUTION=72,96");
  // A PICT file: no SIZE item, since the picture is read from the file, not held.
  EXPECT_EQ(info("drawing.pct"), "WIDTH=16 HEIGHT=2 DEPTH=8 RESOLUTION=72");
}

TEST_F(ImageInfoTest, TiffPagesAndTags) {
  EXPECT_EQ(info("pages.tif"), "WIDTH=30 HEIGHT=20 DEPTH=32 RESOLUTION=150 PAGECOUNT=2");
  EXPECT_EQ(info("pages.tif", " PAGE=2"), "WIDTH=12 HEIGHT=9 DEPTH=32 RESOLUTION=150 PAGECOUNT=2");
  // PAGE 0 and 1 both mean the first image; a page past the last is refused.
  EXPECT_EQ(info("pages.tif", " PAGE=0"), info("pages.tif", " PAGE=1"));
  EXPECT_EQ(info("pages.tif", " PAGE=3").substr(0, 9), "ERROR=-50");
  // One page: no PAGECOUNT item.
  EXPECT_EQ(info("single.tif"), "WIDTH=8 HEIGHT=8 DEPTH=32 RESOLUTION=300,200");
}

TEST_F(ImageInfoTest, EpsReadThroughItsTiffPreview) {
  EXPECT_EQ(info("figure.eps"), "WIDTH=30 HEIGHT=20 DEPTH=32 RESOLUTION=72");
  EXPECT_EQ(info("no_preview.eps"), "ERROR=-50 MESSAGE='The parameter is not valid.'");
  // The same bytes under another name are not an EPS source, and no reader knows them.
  stdfs::copy_file(*dir_ / "figure.eps", *dir_ / "figure.bin",
                   stdfs::copy_options::overwrite_existing);
  EXPECT_EQ(info("figure.bin").substr(0, 11), "ERROR=-2003");
}

TEST_F(ImageInfoTest, BytesDecideNotNames) {
  EXPECT_EQ(info("really_png.jpg"), "WIDTH=50 HEIGHT=20 DEPTH=32 RESOLUTION=96");
  EXPECT_EQ(info("text.jpg"), "ERROR=-2003 MESSAGE='No reader recognises this kind of picture.'");
}

TEST_F(ImageInfoTest, DamagedAndMissingFiles) {
  // Headers intact: the size is known although the scan is cut.
  EXPECT_EQ(info("cut_scan.jpg"), "WIDTH=640 HEIGHT=480 DEPTH=32 RESOLUTION=72");
  // Nothing readable is an error, never an empty answer.
  EXPECT_EQ(info("cut_header.jpg"), "ERROR=-8969 MESSAGE='The picture data is damaged.'");
  EXPECT_EQ(info("missing.jpg"), "ERROR=-43 MESSAGE='The file was not found.'");
  EXPECT_EQ(call("PATH='" + dir_->string() + "'").substr(0, 9), "ERROR=-43");
}

TEST_F(ImageInfoTest, SourceKeys) {
  // SRC wins over PATH.
  EXPECT_EQ(call("SRC='" + (*dir_ / "grey.png").string() + "' PATH='" +
                 (*dir_ / "photo.jpg").string() + "'"),
            "WIDTH=21 HEIGHT=12 DEPTH=8 RESOLUTION=72");
  EXPECT_EQ(call("WIDTH=3"), "ERROR=-50 MESSAGE='The parameter is not valid.'");
  // The clipboard (empty here) and addresses (nothing listens on port 1) are sources;
  // upper-case schemes are paths.
  EXPECT_EQ(call("SRC=Clipboard:").substr(0, 10), "ERROR=-104");
  EXPECT_EQ(call("SRC=http://127.0.0.1:1/a.jpg").substr(0, 12), "ERROR=-12029");
  // (as a path it is refused by path resolution, not answered as an address)
  EXPECT_EQ(call("SRC=HTTP://127.0.0.1/a.jpg").substr(0, 9), "ERROR=-50");
}

// A thumbnail of a grey-scale picture is itself a grey scale (reported by its bit count),
// a colour picture's is in direct colour.
TEST_F(ImageInfoTest, ThumbnailsKeepGreyScales) {
  std::vector<std::string> args;
  for (const char* name : {"grey.png", "grey.jpg", "photo.jpg"}) {
    args.insert(args.end(), {"VeImg_PreviewImage", "PATH='" + (*dir_ / name).string() + "'",
                             "VeImg_ImageInfo", "SRC=clipboard:"});
  }
  const RunResult r = run_fmhost(args, {{"VELMORA_LANG", "en"}, {"DISPLAY", ""}});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> out;
  for (std::size_t at = 0; at < r.out.size();) {
    const std::size_t end = r.out.find('\n', at);
    out.push_back(r.out.substr(at, end - at));
    at = end == std::string::npos ? r.out.size() : end + 1;
  }
  ASSERT_EQ(out.size(), 6u) << r.out;
  EXPECT_EQ(out[1].rfind("WIDTH=21 HEIGHT=12 DEPTH=8 RESOLUTION=72 SIZE=", 0), 0u) << out[1];
  EXPECT_NE(out[3].find(" DEPTH=8 "), std::string::npos) << out[3];
  EXPECT_EQ(out[5].rfind("WIDTH=80 HEIGHT=60 DEPTH=32 ", 0), 0u) << out[5];
}

}  // namespace
