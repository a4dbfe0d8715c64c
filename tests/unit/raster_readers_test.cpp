// Targa, SGI, Photoshop and image files through the picture source: files made by other
// writers read as an independent reader (Pillow) reads them, our own saved files read
// back pixel for pixel, variants not read are refused, and cut or damaged files answer
// an error rather than a crash or a picture of garbage.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "image/export_types.hpp"
#include "image/exporter.hpp"
#include "image/picture_errors.hpp"
#include "image/picture_source.hpp"
#include "image/raster_formats.hpp"

namespace velmora::image {
namespace {

namespace stdfs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class RasterReaders : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new stdfs::path(stdfs::temp_directory_path() /
                           ("velmora_rasters_" + std::to_string(::getpid())));
    stdfs::create_directories(*dir_);
    const std::string command =
        "/usr/bin/python3 '" +
        (stdfs::path(VELMORA_TEST_DATA) / "image" / "make_rasters.py").string() + "' '" +
        dir_->string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    stdfs::remove_all(*dir_, ec);
    delete dir_;
  }
  static std::string native(const std::string& name) {
    std::string p = "C:" + (*dir_ / name).string();
    for (char& c : p)
      if (c == '/') c = '\\';
    return p;
  }
  static Bytes read(const std::string& name) {
    std::ifstream in(*dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void write(const std::string& name, const Bytes& bytes) {
    std::ofstream(*dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  static std::vector<std::string> lines(const std::string& name) {
    std::ifstream in(*dir_ / name);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) out.push_back(line);
    return out;
  }
  // Opens, measures and decodes; the first error of the three.
  static Err load(const std::string& name, Description& d, Pixmap& world) {
    PictureSource s;
    if (const Err err = s.open_file(native(name), false, 0); err != kNoErr) return err;
    if (const Err err = s.describe(d); err != kNoErr) return err;
    return s.decode(world);
  }
  static stdfs::path* dir_;
};

stdfs::path* RasterReaders::dir_ = nullptr;

std::int32_t reported(std::int16_t depth) {
  return depth == 24 ? 32 : depth > 32 ? depth - 32 : depth;
}

PictureKind kind_of_name(const std::string& name) {
  if (name.starts_with("tga")) return PictureKind::tga;
  if (name.starts_with("sgi")) return PictureKind::sgi;
  if (name.starts_with("psd")) return PictureKind::psd;
  return PictureKind::qtif;
}

TEST_F(RasterReaders, OtherWritersFilesReadAsAnIndependentReaderReadsThem) {
  const auto entries = lines("manifest.txt");
  ASSERT_GE(entries.size(), 30u);
  for (const std::string& line : entries) {
    std::istringstream fields(line);
    std::string name;
    int width = 0, height = 0, depth = 0, hres = 0, vres = 0, tolerance = 0;
    fields >> name >> width >> height >> depth >> hres >> vres >> tolerance;
    SCOPED_TRACE(name);
    PictureSource s;
    ASSERT_EQ(s.open_file(native(name), false, 0), kNoErr);
    EXPECT_EQ(s.kind(), kind_of_name(name));
    Description d;
    ASSERT_EQ(s.describe(d), kNoErr);
    EXPECT_EQ(d.bounds, (PixRect{0, 0, width, height}));
    EXPECT_EQ(reported(d.depth), depth);
    EXPECT_EQ(fixed_floor(d.hres), hres);
    EXPECT_EQ(fixed_floor(d.vres), vres);
    Pixmap world;
    ASSERT_EQ(s.decode(world), kNoErr);
    ASSERT_EQ(world.bounds(), d.bounds);
    const Bytes expected = read(name + ".rgba");
    ASSERT_EQ(expected.size(), std::size_t(width) * height * 4);
    int worst = 0;
    for (std::size_t i = 0; i < world.pixels().size(); ++i) {
      const Pixel p = world.pixels()[i];
      const std::uint8_t got[4] = {red(p), green(p), blue(p), alpha(p)};
      for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(got[c] - expected[i * 4 + c]));
    }
    EXPECT_LE(worst, tolerance);
  }
}

TEST_F(RasterReaders, VariantsNotReadAreRefusedEverywhere) {
  for (const std::string& line : lines("refused.txt")) {
    std::istringstream fields(line);
    std::string name;
    Err code = 0;
    fields >> name >> code;
    SCOPED_TRACE(name);
    PictureSource s;
    ASSERT_EQ(s.open_file(native(name), false, 0), kNoErr);
    Description d;
    EXPECT_EQ(s.describe(d), code);
    Pixmap world;
    EXPECT_EQ(s.decode(world), code);
  }
  // An SGI file of the old colour-map kinds, and a second page of a one-picture file.
  Bytes sgi = read("sgi_RGB_raw.sgi");
  sgi[107] = 3;
  write("old_map.sgi", sgi);
  Description d;
  Pixmap world;
  EXPECT_EQ(load("old_map.sgi", d, world), kUnsupportedData);
  PictureSource s;
  ASSERT_EQ(s.open_file(native("tga_RGB_raw_top.tga"), false, 2), kNoErr);
  EXPECT_EQ(s.describe(d), kParamErr);
}

TEST_F(RasterReaders, CutOrDamagedFilesAnswerAnErrorNeverACrash) {
  for (const std::string& line : lines("manifest.txt")) {
    const std::string name = line.substr(0, line.find(' '));
    SCOPED_TRACE(name);
    const Bytes whole = read(name);
    // Cut inside the header, inside the picture data, and at half the file.
    for (const std::size_t n : {std::size_t{10}, whole.size() / 2, whole.size() * 3 / 4}) {
      if (name.ends_with(".tga") && n + 26 >= whole.size()) continue;  // only the footer lost
      write("cut", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
      Description d;
      Pixmap world;
      const Err err = load("cut", d, world);
      // Too short to be recognised, or recognised and damaged.
      if (n == 10 && err == kNoImporter) continue;
      EXPECT_EQ(err, kBadPictureData) << "cut at " << n;
    }
    // Bytes changed all over: whatever is read keeps the size the headers said.
    std::uint32_t seed = 12345;
    for (int round = 0; round < 40; ++round) {
      Bytes damaged = whole;
      for (int k = 0; k < 8; ++k) {
        seed = seed * 1103515245u + 12345u;
        damaged[(seed >> 8) % damaged.size()] ^= static_cast<std::uint8_t>(seed >> 24 | 1);
      }
      write("damaged", damaged);
      PictureSource s;
      if (s.open_file(native("damaged"), false, 0) != kNoErr) continue;
      Description d;
      const Err described = s.describe(d);
      Pixmap world;
      if (s.decode(world) == kNoErr && described == kNoErr) {
        EXPECT_EQ(world.bounds(), d.bounds);
      }
    }
  }
}

TEST_F(RasterReaders, RunsAndRowsWritersShareStillRead) {
  // A Targa run that crosses from one row into the next, and 32-bit pixels whose alpha
  // was never meant (all 0): an opaque 3 x 2 picture.
  const Bytes tga = {
      0,    0, 10, 0, 0,  0,    0,    0, 0, 0, 0, 0,
      3,    0, 2,  0, 32, 0x28, 0x84, 1, 2, 3, 0,  // five pixels of one colour, over the row's end
      0x00, 9, 8,  7, 0};
  write("run.tga", tga);
  Description d;
  Pixmap world;
  ASSERT_EQ(load("run.tga", d, world), kNoErr);
  EXPECT_EQ(d.depth, 32);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(world.pixels()[i], rgb(3, 2, 1)) << i;
  EXPECT_EQ(world.pixels()[5], rgb(7, 8, 9));
  // A run that would run past the picture's end is damage.
  Bytes over = tga;
  over[18] = 0x86;
  over.resize(23);
  write("over.tga", over);
  EXPECT_EQ(load("over.tga", d, world), kBadPictureData);

  // SGI rows coded once and used for every row of the picture (writers share equal rows).
  Bytes sgi(512 + 8 * 4, 0);
  const std::uint8_t head[] = {0x01, 0xDA, 1, 1, 0, 2, 0, 4, 0, 4, 0, 1};
  std::copy(std::begin(head), std::end(head), sgi.begin());
  const std::uint32_t start = static_cast<std::uint32_t>(sgi.size());
  for (int row = 0; row < 4; ++row) {
    for (int b = 0; b < 4; ++b) {
      sgi[512 + row * 4 + b] = static_cast<std::uint8_t>(start >> (24 - 8 * b));
      sgi[512 + 16 + row * 4 + b] = static_cast<std::uint8_t>(4 >> (24 - 8 * b));
    }
  }
  for (const std::uint8_t b : {0x03, 0x50, 0x81, 0xA0}) sgi.push_back(b);  // 3 x 0x50, then 0xA0
  write("shared.sgi", sgi);
  ASSERT_EQ(load("shared.sgi", d, world), kNoErr);
  EXPECT_EQ(d.depth, 40);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(world.at(0, y), rgb(0x50, 0x50, 0x50));
    EXPECT_EQ(world.at(3, y), rgb(0xA0, 0xA0, 0xA0));
  }
}

TEST_F(RasterReaders, SavedFilesReadBackPixelForPixel) {
  Pixmap picture;
  ASSERT_EQ(picture.create(PixRect{0, 0, 67, 41}), kNoErr);
  for (std::int32_t y = 0; y < 41; ++y)
    for (std::int32_t x = 0; x < 67; ++x)
      picture.set(x, y,
                  rgb(static_cast<std::uint8_t>(x * 3 + y), static_cast<std::uint8_t>(y * 6),
                      static_cast<std::uint8_t>((x ^ y) * 5)));
  struct Case {
    std::uint32_t type;
    const char* name;
    PictureKind kind;
    bool resolution;  // the format keeps it
  };
  for (const Case& c : {Case{kTypeTga, "saved.tga", PictureKind::tga, false},
                        Case{kTypeSgi, "saved.sgi", PictureKind::sgi, false},
                        Case{kTypePsd, "saved.psd", PictureKind::psd, true},
                        Case{kTypeQtif, "saved.qtif", PictureKind::qtif, true}}) {
    SCOPED_TRACE(c.name);
    ExportSettings settings;
    settings.type = c.type;
    settings.hres = to_fixed(150);
    settings.vres = to_fixed(200);
    Bytes file;
    ASSERT_EQ(encode_picture_file(picture, settings, file), kNoErr);
    write(c.name, file);
    PictureSource s;
    ASSERT_EQ(s.open_file(native(c.name), false, 0), kNoErr);
    EXPECT_EQ(s.kind(), c.kind);
    Description d;
    ASSERT_EQ(s.describe(d), kNoErr);
    EXPECT_EQ(d.bounds, picture.bounds());
    EXPECT_EQ(reported(d.depth), 32);
    EXPECT_EQ(fixed_floor(d.hres), c.resolution ? 150 : 72);
    EXPECT_EQ(fixed_floor(d.vres), c.resolution ? 200 : 72);
    Pixmap back;
    ASSERT_EQ(s.decode(back), kNoErr);
    ASSERT_EQ(back.bounds(), picture.bounds());
    EXPECT_EQ(back.pixels(), picture.pixels());
  }
}

}  // namespace
}  // namespace velmora::image
