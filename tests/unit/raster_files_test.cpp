// Targa, SGI, Photoshop and image files through the picture source: files made by other
// writers read as an independent reader (Pillow) reads them, variants not read are
// refused, and cut or damaged files answer an error rather than a crash or garbage.
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

namespace velmora::image {
namespace {

namespace stdfs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class RasterFiles : public ::testing::Test {
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

stdfs::path* RasterFiles::dir_ = nullptr;

std::int32_t reported(std::int16_t depth) {
  return depth == 24 ? 32 : depth > 32 ? depth - 32 : depth;
}

PictureKind kind_of_name(const std::string& name) {
  if (name.starts_with("tga")) return PictureKind::tga;
  if (name.starts_with("sgi")) return PictureKind::sgi;
  if (name.starts_with("psd")) return PictureKind::psd;
  return PictureKind::qtif;
}

TEST_F(RasterFiles, OtherWritersFilesReadAsAnIndependentReaderReadsThem) {
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

TEST_F(RasterFiles, VariantsNotReadAreRefusedEverywhere) {
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

TEST_F(RasterFiles, CutOrDamagedFilesAnswerAnErrorNeverACrash) {
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

}  // namespace
}  // namespace velmora::image
