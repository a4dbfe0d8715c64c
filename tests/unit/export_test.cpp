// The export choice (file types from EXTENSION and FILETYPE, QUALITY), the exporters by
// type, the hand-written formats, and the safe replace of an existing file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/dib.hpp"
#include "image/export_types.hpp"
#include "image/exporter.hpp"
#include "image/pict.hpp"
#include "image/raster_writers.hpp"

namespace velmora::image {
namespace {

namespace fs = std::filesystem;

class Parsed {
 public:
  explicit Parsed(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
    scratch_.assign(text.size() + 1, 0);
    store.prepare();
    store.parse_first(buffer_.data(), scratch_.data());
  }
  params::Store store;

 private:
  std::vector<char> buffer_;
  std::vector<char> scratch_;
};

std::uint32_t type_for(const std::string& parameter) {
  Parsed p(parameter);
  return export_file_type(p.store);
}

std::optional<std::int32_t> quality_for(const std::string& parameter) {
  Parsed p(parameter);
  return export_quality(p.store);
}

TEST(ExportTypes, EveryExtensionOfEveryListHasItsType) {
  struct Case {
    const char* extensions;
    const char* type;
  };
  const Case cases[] = {
      {"pict,pic,pct", "PICT"}, {"qtif,qif,qti", "qtif"},
      {"bmp,dib", "BMPf"},      {"jpg", "JPEG"},
      {"gif", "GIFf"},          {"tif,tiff", "TIFF"},
      {"png", "PNGf"},          {"tga", "TPIC"},
      {"sgi,rgb", ".SGI"},      {"mpeg,m1s,m15,m1a,m1v,m64,m75,mp2,mpa,mpg,mpm,mpv", "MPEG"},
      {"dif,dv", "dvc!"},       {"mov,qt", "MooV"},
      {"avi", "VfW "},          {"txt,sdp", "TEXT"},
      {"au,ulw", "ULAW"},       {"aif,aiff", "AIFF"},
      {"aifc", "AIFC"},         {"3dmf,3dm,qd3d,qd3", "3DMF"},
      {"flc,fli", "FLC "},      {"swf", "SWFL"},
      {"fpx", "FPix"},          {"mifi,mid,smf,kar", "Midi"},
      {"wav", "WAVE"},          {"sd2", "Sd2f"},
      {"snd", "sfil"},          {"mp3,swa", "Mp3 "},
      {"eps", "EPSF"},          {"fp5", "FMP5"},
      {"pdf", "PDF "},          {"doc", "W8BN"},
      {"ppt", "SLD8"},          {"xls", "XLS8"},
      {"psd", "8BPS"},          {"pntg,pnt,mac", "PNTG"},
  };
  std::size_t seen = 0;
  for (const Case& c : cases) {
    const std::string list = c.extensions;
    std::size_t start = 0;
    while (start <= list.size()) {
      const std::size_t comma = std::min(list.find(',', start), list.size());
      const std::string ext = list.substr(start, comma - start);
      const std::uint32_t expected = (std::uint32_t(std::uint8_t(c.type[0])) << 24) |
                                     (std::uint32_t(std::uint8_t(c.type[1])) << 16) |
                                     (std::uint32_t(std::uint8_t(c.type[2])) << 8) |
                                     std::uint8_t(c.type[3]);
      EXPECT_EQ(type_for("EXTENSION=" + ext), expected) << ext;
      ++seen;
      start = comma + 1;
    }
  }
  // Every keyword of the six lists was asked for.
  std::size_t listed = 0;
  for (const ExtensionList& l : kExtensionLists) {
    listed += static_cast<std::size_t>(std::count(l.keywords.begin(), l.keywords.end(), ',')) + 1;
  }
  EXPECT_EQ(seen, listed);
}

TEST(ExportTypes, ExtensionsMatchWholeWordsInAnyCaseAndNeverFallBackToFileType) {
  EXPECT_EQ(type_for("EXTENSION=JPG"), kTypeJpeg);
  EXPECT_EQ(type_for("EXTENSION=Png"), kTypePng);
  // Only the listed spellings count: jpeg is not one, nor a part or a dotted form.
  EXPECT_EQ(type_for("EXTENSION=jpeg"), 0u);
  EXPECT_EQ(type_for("EXTENSION=.jpg"), 0u);
  EXPECT_EQ(type_for("EXTENSION=ti"), 0u);
  // An EXTENSION that matches nothing leaves the type 0 even with a FILETYPE.
  EXPECT_EQ(type_for("EXTENSION=xyz FILETYPE=JPEG"), 0u);
  EXPECT_EQ(type_for("EXTENSION=png FILETYPE=BMP"), kTypePng);
  EXPECT_EQ(file_type_of_extension("TIFF"), kTypeTiff);
  EXPECT_EQ(file_type_of_extension(""), 0u);
}

TEST(ExportTypes, FileTypeKeywordsAndCodes) {
  EXPECT_EQ(type_for("FILETYPE=PICT"), kTypePict);
  EXPECT_EQ(type_for("FILETYPE=picture"), kTypePict);
  EXPECT_EQ(type_for("FILETYPE=PCT"), kTypePict);
  EXPECT_EQ(type_for("FILETYPE=QTIF"), kTypeQtif);
  EXPECT_EQ(type_for("FILETYPE=QuickTimeImage"), kTypeQtif);
  EXPECT_EQ(type_for("FILETYPE=BMP"), kTypeBmp);
  EXPECT_EQ(type_for("FILETYPE=Bitmap"), kTypeBmp);
  EXPECT_EQ(type_for("FILETYPE=jpeg"), kTypeJpeg);
  EXPECT_EQ(type_for("FILETYPE=JFIF"), kTypeJpeg);
  EXPECT_EQ(type_for("FILETYPE=Photoshop"), kTypePsd);
  // Anything else is a four-character code as written (short codes padded).
  EXPECT_EQ(type_for("FILETYPE=PNGf"), kTypePng);
  EXPECT_EQ(type_for("FILETYPE=GIF"), type_code("GIF "));
  EXPECT_EQ(type_for("FILETYPE=TooLong"), 0u);
  EXPECT_EQ(type_for("SRC=a.jpg"), 0u);
}

TEST(ExportTypes, QualityKeywordsAndPercentages) {
  EXPECT_EQ(quality_for("QUALITY=MIN"), 0);
  EXPECT_EQ(quality_for("QUALITY=low"), 256);
  EXPECT_EQ(quality_for("QUALITY=Normal"), 512);
  EXPECT_EQ(quality_for("QUALITY=HIGH"), 768);
  EXPECT_EQ(quality_for("QUALITY=MAX"), 1023);
  EXPECT_EQ(quality_for("QUALITY=LOSSLESS"), 1024);
  EXPECT_EQ(quality_for("QUALITY=50"), 511);
  EXPECT_EQ(quality_for("QUALITY=1"), 10);
  EXPECT_EQ(quality_for("QUALITY=100"), 1023);
  EXPECT_EQ(quality_for("QUALITY=150"), 1023);
  EXPECT_EQ(quality_for("QUALITY=0"), std::nullopt);
  EXPECT_EQ(quality_for("QUALITY=-5"), std::nullopt);
  EXPECT_EQ(quality_for("QUALITY=best"), std::nullopt);
  EXPECT_EQ(quality_for("SRC=x"), std::nullopt);
}

Pixmap gradient(std::int32_t w, std::int32_t h) {
  Pixmap p;
  EXPECT_EQ(p.create(PixRect{0, 0, w, h}), kNoErr);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      p.set(x, y, rgb(static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 11), 90));
    }
  }
  return p;
}

ExportSettings as(std::uint32_t type) {
  ExportSettings s;
  s.type = type;
  return s;
}

std::uint16_t be16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}
std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (std::uint32_t{be16(b, at)} << 16) | be16(b, at + 2);
}

TEST(HandWrittenFormats, PixelsLandWhereEachFormatPutsThem) {
  const Pixmap world = gradient(5, 3);
  const Pixel corner = world.at(4, 0);  // top right
  std::vector<std::uint8_t> b;

  ASSERT_EQ(write_tga(world, b), kNoErr);
  ASSERT_EQ(b.size(), 18u + 5 * 3 * 3);
  EXPECT_EQ(b[2], 2);      // true colour
  EXPECT_EQ(b[17], 0x20);  // top-down rows
  EXPECT_EQ(b[18 + 4 * 3], blue(corner));
  EXPECT_EQ(b[18 + 4 * 3 + 2], red(corner));

  ASSERT_EQ(write_sgi(world, b), kNoErr);
  ASSERT_EQ(b.size(), 512u + 5 * 3 * 3);
  EXPECT_EQ(be16(b, 0), 474);
  EXPECT_EQ(be16(b, 6), 5);
  EXPECT_EQ(be16(b, 8), 3);
  // Planes of bottom-up rows: the top row is the last row of the red plane.
  EXPECT_EQ(b[512 + 2 * 5 + 4], red(corner));
  EXPECT_EQ(b[512 + 15 + 2 * 5 + 4], green(corner));

  ASSERT_EQ(write_psd(world, to_fixed(300), to_fixed(150), b), kNoErr);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "8BPS");
  EXPECT_EQ(be32(b, 14), 3u);  // height
  EXPECT_EQ(be32(b, 18), 5u);  // width
  EXPECT_EQ(be32(b, 26 + 4 + 4 + 4 + 2 + 2 + 4), static_cast<std::uint32_t>(to_fixed(300)));
  const std::size_t data = b.size() - 5 * 3 * 3;
  EXPECT_EQ(be16(b, data - 2), 0);  // raw
  EXPECT_EQ(b[data + 4], red(corner));
  EXPECT_EQ(b[data + 15 + 4], green(corner));

  const std::vector<std::uint8_t> payload = {1, 2, 3};
  ASSERT_EQ(write_qtif(world, to_fixed(72), to_fixed(72), payload, b), kNoErr);
  EXPECT_EQ(be32(b, 0), 8u + 86);
  EXPECT_EQ(std::string(b.begin() + 4, b.begin() + 8), "idsc");
  EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "png ");
  EXPECT_EQ(be16(b, 8 + 32), 5);   // width
  EXPECT_EQ(be32(b, 8 + 44), 3u);  // data size
  EXPECT_EQ(std::string(b.begin() + 98, b.begin() + 102), "idat");
  EXPECT_EQ(std::vector<std::uint8_t>(b.end() - 3, b.end()), payload);
}

TEST(HandWrittenFormats, SizesBeyondTheFormatAreRefused) {
  Pixmap wide;
  ASSERT_EQ(wide.create(PixRect{0, 0, 70000, 1}), kNoErr);
  std::vector<std::uint8_t> b;
  EXPECT_EQ(write_tga(wide, b), kParamErr);
  EXPECT_EQ(write_sgi(wide, b), kParamErr);
  EXPECT_EQ(write_psd(wide, to_fixed(72), to_fixed(72), b), kParamErr);
  EXPECT_TRUE(b.empty());
}

TEST(Exporters, EachPictureTypeWritesItsOwnSignature) {
  const Pixmap world = gradient(8, 6);
  struct Case {
    std::uint32_t type;
    std::size_t offset;
    std::string signature;
  };
  const Case cases[] = {
      {kTypeJpeg, 0, "\xFF\xD8\xFF"}, {kTypePng, 1, "PNG"},      {kTypeTiff, 0, "II*"},
      {kTypeGif, 0, "GIF8"},          {kTypeBmp, 0, "BM"},       {kTypePsd, 0, "8BPS"},
      {kTypeQtif, 4, "idsc"},         {kTypeSgi, 0, "\x01\xDA"},
  };
  std::vector<std::uint8_t> out;
  for (const Case& c : cases) {
    ASSERT_EQ(encode_picture_file(world, as(c.type), out), kNoErr) << c.signature;
    ASSERT_GE(out.size(), c.offset + c.signature.size());
    EXPECT_EQ(std::string(out.begin() + c.offset, out.begin() + c.offset + c.signature.size()),
              c.signature);
  }
  // A PICT file: the header area, then a picture the reader takes back whole.
  ASSERT_EQ(encode_picture_file(world, as(kTypePict), out), kNoErr);
  ASSERT_GT(out.size(), kPictHeaderArea);
  EXPECT_TRUE(
      std::all_of(out.begin(), out.begin() + kPictHeaderArea, [](auto b) { return b == 0; }));
  Pixmap back;
  ASSERT_EQ(read_pict(out, back), kNoErr);
  EXPECT_EQ(back.at(7, 5) & 0xFFFFFF, world.at(7, 5) & 0xFFFFFF);

  for (const char* code : {"MooV", "MPEG", "WAVE", "EPSF", "PDF ", "TEXT"}) {
    const std::uint32_t type = type_code(*reinterpret_cast<const char(*)[5]>(code));
    EXPECT_FALSE(has_exporter(type)) << code;
    EXPECT_EQ(encode_picture_file(world, as(type), out), kNoExporter) << code;
    EXPECT_TRUE(out.empty());
  }
  EXPECT_EQ(encode_picture_file(world, as(0), out), kNoExporter);
}

class SafeReplace : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/velmora-export-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    old_ = {'o', 'l', 'd'};
    std::ofstream(dir_ / "pic.png", std::ios::binary).write("old", 3);
  }
  void TearDown() override {
    fs::permissions(dir_ / "pic.png", fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  // The Windows-form path of a file in the folder (C: is the root).
  std::string native(const std::string& name) const {
    std::string p = "C:" + (dir_ / name).string();
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
  }
  std::vector<std::uint8_t> bytes_of(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  fs::path dir_;
  std::vector<std::uint8_t> old_;
};

TEST_F(SafeReplace, AFailedExportLeavesTheOldFileWhole) {
  // No exporter for the type.
  EXPECT_EQ(export_picture(gradient(4, 4), as(type_code("MooV")), native("pic.png")), kNoExporter);
  EXPECT_EQ(bytes_of("pic.png"), old_);
  // The encoder refuses the picture (wider than GIF can say).
  Pixmap wide;
  ASSERT_EQ(wide.create(PixRect{0, 0, 70000, 1}), kNoErr);
  EXPECT_EQ(export_picture(wide, as(kTypeGif), native("pic.png")), kParamErr);
  EXPECT_EQ(bytes_of("pic.png"), old_);
  // A read-only file is not replaced, as it would not be deleted.
  fs::permissions(dir_ / "pic.png",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(export_picture(gradient(4, 4), as(kTypePng), native("pic.png")), -54);
  EXPECT_EQ(bytes_of("pic.png"), old_);
  // No temporary file is left behind by any of it.
  EXPECT_EQ(entries(), 1u);
}

TEST_F(SafeReplace, ASuccessfulExportReplacesInOneStepKeepingPermissions) {
  fs::permissions(dir_ / "pic.png",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                  fs::perm_options::replace);
  ASSERT_EQ(export_picture(gradient(4, 4), as(kTypePng), native("pic.png")), kNoErr);
  const auto written = bytes_of("pic.png");
  ASSERT_GT(written.size(), 8u);
  EXPECT_EQ(std::string(written.begin() + 1, written.begin() + 4), "PNG");
  EXPECT_EQ(fs::status(dir_ / "pic.png").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A new name in the folder, and a folder that does not exist.
  EXPECT_EQ(export_picture(gradient(4, 4), as(kTypeBmp), native("new.bmp")), kNoErr);
  EXPECT_EQ(bytes_of("new.bmp").size(), 14u + 40 + 4 * 4 * 3);
  EXPECT_EQ(export_picture(gradient(4, 4), as(kTypeBmp), native("missing\\x.bmp")), kDirNotFound);
  EXPECT_EQ(entries(), 2u);
}

}  // namespace
}  // namespace velmora::image
