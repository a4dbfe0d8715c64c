// Pictures decoded smaller than they are, as they are drawn: every reader's reduced
// picture against its own full decode averaged over the same blocks (PNG plain and
// interlaced, TIFF strips bottom up and tiles, GIF pages composed with disposal), the
// block averages fed in every order a reader may use, decodes through a window against
// the same region of the whole decode, BMP files read a band of rows at a time, pictures
// whose full decode would be refused, and headers read without the gigabytes behind them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "block_means.hpp"
#include "image/description.hpp"
#include "image/pict.hpp"
#include "image/picture_errors.hpp"
#include "image/picture_source.hpp"
#include "platform/shared/block_reduce.hpp"

namespace velmora::image {
namespace {

namespace stdfs = std::filesystem;

testing_support::PixelRows rows_of(const Pixmap& p) {
  return {p.pixels().data(), p.width(), p.height(), p.width()};
}

void expect_block_means(const Pixmap& full, const Pixmap& small, std::int32_t k) {
  testing_support::expect_block_means(rows_of(full), rows_of(small), k);
}

class ReducedDecodeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new stdfs::path(stdfs::temp_directory_path() /
                           ("velmora_reduced_" + std::to_string(::getpid())));
    made_ = new std::set<std::string>;
    stdfs::create_directories(*dir_);
  }
  // Writes one set of the generator's pictures, once per process.
  static void need(const std::string& set) {
    if (!made_->insert(set).second) return;
    const std::string command =
        "/usr/bin/python3 '" +
        (stdfs::path(VELMORA_TEST_DATA) / "image" / "make_reduce_pictures.py").string() + "' '" +
        dir_->string() + "' " + set;
    ASSERT_EQ(std::system(command.c_str()), 0) << set;
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    stdfs::remove_all(*dir_, ec);
    delete dir_;
    delete made_;
  }
  static std::string native(const stdfs::path& path) {
    std::string p = "C:" + path.string();
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
  }
  static Err decode(const std::string& name, Pixmap& out, std::int32_t page = 0,
                    std::int32_t box_w = 0, std::int32_t box_h = 0) {
    PictureSource s;
    if (const Err err = s.open_file(native(*dir_ / name), false, page); err != kNoErr) return err;
    return s.decode(out, box_w, box_h);
  }
  static stdfs::path* dir_;
  static std::set<std::string>* made_;
};

stdfs::path* ReducedDecodeTest::dir_ = nullptr;
std::set<std::string>* ReducedDecodeTest::made_ = nullptr;

TEST_F(ReducedDecodeTest, EveryReaderAveragesTheBlocksOfItsFullDecode) {
  need("pictures");
  struct Case {
    const char* name;
    std::int32_t page;
  };
  const Case cases[] = {
      {"rgb.png", 0},     {"rgba.png", 0},   {"rgb_i.png", 0},     {"rgba_i.png", 0},
      {"palette.png", 0}, {"strips.tif", 0}, {"bottom_up.tif", 0}, {"tiles.tif", 0},
      {"frames.gif", 1},  {"frames.gif", 2}, {"frames.gif", 3},    {"frames.gif", 4},
  };
  for (const Case& c : cases) {
    Pixmap full;
    ASSERT_EQ(decode(c.name, full, c.page), kNoErr) << c.name;
    for (std::int32_t k : {2, 3, 7, 1000}) {
      SCOPED_TRACE(std::string(c.name) + " page " + std::to_string(c.page) + " k " +
                   std::to_string(k));
      const std::int32_t box_w = std::max(1, full.width() / k);
      const std::int32_t box_h = std::max(1, full.height() / k);
      Pixmap small;
      ASSERT_EQ(decode(c.name, small, c.page, box_w, box_h), kNoErr);
      // Smaller than the picture, still covering the box.
      EXPECT_LT(small.width(), full.width());
      EXPECT_GE(small.width(), box_w);
      EXPECT_GE(small.height(), box_h);
      const std::int32_t used = platform::block_factor(full.width(), full.height(), box_w, box_h);
      EXPECT_GE(used, std::min(k, full.height()));
      expect_block_means(full, small, used);
    }
  }
}

TEST_F(ReducedDecodeTest, InterlacedPicturesDecodeAsTheirPlainTwins) {
  need("pictures");
  for (const auto& [interlaced, plain] :
       {std::pair{"rgb_i.png", "rgb.png"}, std::pair{"rgba_i.png", "rgba.png"}}) {
    for (std::int32_t box : {0, 20}) {
      Pixmap a, b;
      ASSERT_EQ(decode(interlaced, a, 0, box, box), kNoErr);
      ASSERT_EQ(decode(plain, b, 0, box, box), kNoErr);
      ASSERT_EQ(a.bounds(), b.bounds()) << interlaced;
      for (std::int32_t y = 0; y < a.height(); ++y)
        ASSERT_TRUE(std::equal(a.row(y), a.row(y) + a.width(), b.row(y))) << interlaced << y;
    }
  }
}

// The animation's pages as an independent decoder composes them, and BMP files (read a
// band of rows at a time) as it reads them.
TEST_F(ReducedDecodeTest, GifPagesAndBmpFilesMatchAnIndependentDecoder) {
  need("pictures");
  struct Case {
    std::string name;
    std::int32_t page;
    std::string theirs;  // that decoder's straight RGBA bytes
  };
  std::vector<Case> cases;
  for (std::int32_t page = 1; page <= 4; ++page)
    cases.push_back({"frames.gif", page, "frames." + std::to_string(page - 1) + ".rgba"});
  for (const char* name : {"rgb.bmp", "top_down.bmp", "palette.bmp", "rle8.bmp"})
    cases.push_back({name, 0, std::string(name) + ".rgba"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " page " + std::to_string(c.page));
    Pixmap ours;
    ASSERT_EQ(decode(c.name, ours, c.page), kNoErr);
    std::ifstream f(*dir_ / c.theirs, std::ios::binary);
    std::vector<char> theirs((std::istreambuf_iterator<char>(f)), {});
    ASSERT_EQ(theirs.size(), static_cast<std::size_t>(ours.width()) * ours.height() * 4);
    for (std::int32_t y = 0; y < ours.height(); ++y)
      for (std::int32_t x = 0; x < ours.width(); ++x) {
        const auto* t =
            reinterpret_cast<const std::uint8_t*>(theirs.data()) + (y * ours.width() + x) * 4;
        const Pixel p = ours.row(y)[x];
        // Areas of a page disposed of to the background: transparent in ours, the
        // background colour (entry 0) or transparent in that decoder.
        const bool background = t[3] == 0 || (t[0] == 0 && t[1] == 255 && t[2] == 0);
        if (alpha(p) == 0 && background) continue;
        if (t[3] == 0) {
          ASSERT_EQ(alpha(p), 0) << x << "," << y;
        } else {
          ASSERT_EQ(p, rgb(t[0], t[1], t[2])) << x << "," << y;
        }
      }
  }
}

// A decode through a window gives, inside the window, exactly the pixels of the whole
// decode at the same scale, placed where they lie in it: at natural size and reduced,
// windows inside the picture and at its edges, for every reader that takes them.
TEST_F(ReducedDecodeTest, WindowsHoldTheSamePixelsAsTheWholeDecode) {
  need("pictures");
  struct Case {
    const char* name;
    std::int32_t page;
  };
  const Case cases[] = {
      {"rgb.png", 0},      {"rgba.png", 0},  {"rgb_i.png", 0},     {"palette.png", 0},
      {"strips.tif", 0},   {"tiles.tif", 0}, {"frames.gif", 1},    {"frames.gif", 3},
      {"photo.jpg", 0},    {"cmyk.jpg", 0},  {"bottom_up.tif", 0}, {"rgb.bmp", 0},
      {"top_down.bmp", 0}, {"rle8.bmp", 0},
  };
  for (const Case& c : cases) {
    PictureSource s;
    ASSERT_EQ(s.open_file(native(*dir_ / c.name), false, c.page), kNoErr) << c.name;
    Description d;
    ASSERT_EQ(s.describe(d), kNoErr);
    const std::int32_t w = d.bounds.width(), h = d.bounds.height();
    const PixRect windows[] = {
        {w / 3, h / 4, w / 3 + 37, h / 4 + 29},
        {w - 20, h - 15, w, h},
        {0, 0, 10, 10},
        {17, 5, w - 3, 9},
    };
    for (const std::int32_t box : {0, 3}) {
      const std::int32_t box_w = box == 0 ? 0 : w / box, box_h = box == 0 ? 0 : h / box;
      Pixmap full, part;
      PixRect whole, part_whole;
      ASSERT_EQ(s.decode_part(PixRect{}, box_w, box_h, full, whole), kNoErr);
      ASSERT_EQ(full.bounds(), whole);
      for (const PixRect& window : windows) {
        SCOPED_TRACE(std::string(c.name) + " page " + std::to_string(c.page) + " box " +
                     std::to_string(box) + " window " + std::to_string(window.left) + "," +
                     std::to_string(window.top));
        ASSERT_EQ(s.decode_part(window, box_w, box_h, part, part_whole), kNoErr);
        ASSERT_EQ(part_whole, whole);
        ASSERT_TRUE(whole.contains(part.bounds()));
        // The window at the decoded scale (its edges rounded inwards).
        const double sx = static_cast<double>(whole.width()) / w;
        const double sy = static_cast<double>(whole.height()) / h;
        const PixRect seen{static_cast<std::int32_t>(std::ceil(window.left * sx)),
                           static_cast<std::int32_t>(std::ceil(window.top * sy)),
                           static_cast<std::int32_t>(std::floor(window.right * sx)),
                           static_cast<std::int32_t>(std::floor(window.bottom * sy))};
        ASSERT_TRUE(part.bounds().contains(seen));
        if (box == 0) {
          EXPECT_LT(part.pixels().size(), full.pixels().size());
        }
        for (std::int32_t y = seen.top; y < seen.bottom; ++y)
          for (std::int32_t x = seen.left; x < seen.right; ++x)
            ASSERT_EQ(part.at(x, y), full.at(x, y)) << x << "," << y;
      }
    }
  }
}

// An interlaced GIF of more than 4 million pixels at its natural size: every pixel of
// its checkerboard, not a blur of a decode at half size.
TEST_F(ReducedDecodeTest, LargeInterlacedGifsDecodeAtTheirNaturalSize) {
  need("pictures");
  Pixmap p;
  ASSERT_EQ(decode("checker_i.gif", p), kNoErr);
  ASSERT_EQ(p.bounds(), (PixRect{0, 0, 2100, 2100}));
  for (const std::int32_t at : {0, 1, 1001, 2098, 2099}) {
    EXPECT_EQ(p.at(at, 7), (at + 7) % 2 ? kWhite : kBlack) << at;
    EXPECT_EQ(p.at(7, at), (at + 7) % 2 ? kWhite : kBlack) << at;
  }
}

TEST(BlockReducer, AnyOrderAndBottomUpBandsGiveTheSameAverages) {
  constexpr std::int32_t w = 37, h = 23;
  std::vector<std::uint32_t> px(w * h);
  for (std::int32_t i = 0; i < w * h; ++i)
    px[static_cast<std::size_t>(i)] = (static_cast<std::uint32_t>(i * 53 % 256) << 24) |
                                      static_cast<std::uint32_t>(i * 2654435761u & 0xFFFFFF);
  for (std::int32_t k : {2, 5, 40}) {
    SCOPED_TRACE(k);
    platform::DecodedPicture down, up, scattered;
    platform::BlockReducer r;
    ASSERT_EQ(r.start(w, h, k, platform::BlockReducer::Order::bands, down),
              platform::CodecStatus::ok);
    for (std::int32_t y = 0; y < h; ++y) r.add_row(y, px.data() + y * w);
    r.finish();
    ASSERT_EQ(r.start(w, h, k, platform::BlockReducer::Order::bands, up),
              platform::CodecStatus::ok);
    for (std::int32_t y = h - 1; y >= 0; --y) r.add_row(y, px.data() + y * w);
    r.finish();
    // Every third column of every row, starting at each of the three in turn.
    ASSERT_EQ(r.start(w, h, k, platform::BlockReducer::Order::any, scattered),
              platform::CodecStatus::ok);
    std::vector<std::uint32_t> part;
    for (std::int32_t x0 : {2, 0, 1})
      for (std::int32_t y = h - 1; y >= 0; --y) {
        part.clear();
        for (std::int32_t x = x0; x < w; x += 3) part.push_back(px[y * w + x]);
        r.add(y, part.data(), x0, 3, static_cast<std::int32_t>(part.size()));
      }
    r.finish();
    Pixmap full, small;
    ASSERT_EQ(full.adopt(PixRect{0, 0, w, h}, std::vector<Pixel>(px)), kNoErr);
    ASSERT_EQ(small.adopt(PixRect{0, 0, down.width, down.height}, std::vector<Pixel>(down.pixels)),
              kNoErr);
    expect_block_means(full, small, k);
    EXPECT_EQ(up.pixels, down.pixels);
    EXPECT_EQ(scattered.pixels, down.pixels);

    // Through a window, in any order: the blocks it touches, as they are in the whole.
    for (const platform::PixelWindow window :
         {platform::PixelWindow{5, 3, 30, 17}, platform::PixelWindow{36, 22, 37, 23},
          platform::PixelWindow{0, 0, 1, h}}) {
      platform::DecodedPicture cut;
      ASSERT_EQ(r.start(w, h, k, platform::BlockReducer::Order::any, cut, 0xFFFFFFFFu, window),
                platform::CodecStatus::ok);
      for (std::int32_t x0 : {1, 0})
        for (std::int32_t y = h - 1; y >= 0; --y) {
          part.clear();
          for (std::int32_t x = x0; x < w; x += 2) part.push_back(px[y * w + x]);
          r.add(y, part.data(), x0, 2, static_cast<std::int32_t>(part.size()));
        }
      r.finish();
      EXPECT_EQ(cut.left, window.left / k);
      EXPECT_EQ(cut.top, window.top / k);
      EXPECT_EQ(cut.width, (window.right + k - 1) / k - window.left / k);
      EXPECT_EQ(cut.height, (window.bottom + k - 1) / k - window.top / k);
      EXPECT_EQ(cut.whole_width, down.width);
      for (std::int32_t y = 0; y < cut.height; ++y)
        for (std::int32_t x = 0; x < cut.width; ++x)
          ASSERT_EQ(
              cut.pixels[static_cast<std::size_t>(y) * cut.width + x],
              down.pixels[static_cast<std::size_t>(cut.top + y) * down.width + (cut.left + x)])
              << x << "," << y;
    }
  }
}

// Pictures with more pixels than a natural-size decode may have are still drawn small;
// those whose decoding alone would take seconds are refused at once.
TEST_F(ReducedDecodeTest, PicturesBeyondTheFullDecodeLimit) {
  need("huge");
  for (const char* name : {"black_i.png", "black.tif"}) {
    SCOPED_TRACE(name);
    Pixmap p;
    EXPECT_EQ(decode(name, p), kMemFull);
    ASSERT_EQ(decode(name, p, 0, 200, 200), kNoErr);
    EXPECT_GE(p.width(), 200);
    EXPECT_LT(p.width(), 400);
    EXPECT_EQ(p.at(p.width() / 2, p.height() / 2), rgb(0, 0, 0));
  }
  Pixmap p;
  EXPECT_EQ(decode("vast.jpg", p, 0, 80, 80), kMemFull);
  EXPECT_EQ(decode("vast_frame.gif", p, 0, 80, 80), kMemFull);
}

// The part of such a picture a window shows is decoded at natural size.
TEST_F(ReducedDecodeTest, PartsOfPicturesBeyondTheLimitDecodeAtNaturalSize) {
  need("huge");
  const PixRect window{9000, 15000, 9640, 15480};
  for (const char* name : {"black.png", "black_i.png", "black.tif"}) {
    SCOPED_TRACE(name);
    PictureSource s;
    ASSERT_EQ(s.open_file(native(*dir_ / name), false, 0), kNoErr);
    Pixmap p;
    PixRect whole;
    ASSERT_EQ(s.decode_part(window, 0, 0, p, whole), kNoErr);
    EXPECT_EQ(whole, (PixRect{0, 0, 16400, 16400}));
    ASSERT_TRUE(p.bounds().contains(window));
    EXPECT_LT(p.pixels().size(), std::size_t{16} << 20);
    EXPECT_EQ(std::count(p.pixels().begin(), p.pixels().end(), kBlack),
              static_cast<std::ptrdiff_t>(p.pixels().size()));
  }
}

// A BMP file of a gigabyte (sparse here, 16000 x 16000 at 32 bits, its top 200 rows
// red) is never read whole: drawn small, its rows go into block averages one band at a
// time; drawn at natural size, only the rows a window shows are read.
TEST_F(ReducedDecodeTest, HugeBmpFilesAreReadABandAtATime) {
  constexpr std::uint32_t kSide = 16000, kStride = kSide * 4;
  const stdfs::path path = *dir_ / "huge.bmp";
  {
    std::vector<std::uint8_t> h(54, 0);
    auto le32 = [&](std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    h[0] = 'B';
    h[1] = 'M';
    le32(10, 54);
    le32(14, 40);
    le32(18, kSide);
    le32(22, kSide);  // bottom up: the top rows are stored last
    h[26] = 1;
    h[28] = 32;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(h.data()), 54);
    std::vector<std::uint8_t> red(std::size_t{kStride} * 200);
    for (std::size_t i = 0; i < red.size(); i += 4) red[i + 2] = 0xFF;  // B, G, R, 0
    out.seekp(54 + std::streamoff{kStride} * (kSide - 200));
    out.write(reinterpret_cast<const char*>(red.data()), static_cast<std::streamsize>(red.size()));
  }
  ASSERT_EQ(stdfs::file_size(path), 54 + std::uint64_t{kStride} * kSide);
  PictureSource s;
  ASSERT_EQ(s.open_file(native(path), false, 0), kNoErr);
  Pixmap p;
  PixRect whole;
  ASSERT_EQ(s.decode_part(PixRect{}, 200, 200, p, whole), kNoErr);
  ASSERT_EQ(p.bounds(), (PixRect{0, 0, 200, 200}));  // blocks of 80 x 80
  for (const std::int32_t x : {0, 123, 199}) {
    EXPECT_EQ(p.at(x, 0), rgb(255, 0, 0));
    EXPECT_EQ(p.at(x, 1), rgb(255, 0, 0));
    EXPECT_EQ(p.at(x, 2), rgb(128, 0, 0));  // 40 red rows of 80
    EXPECT_EQ(p.at(x, 3), kBlack);
    EXPECT_EQ(p.at(x, 199), kBlack);
  }
  const PixRect window{5000, 100, 5640, 580};
  ASSERT_EQ(s.decode_part(window, 0, 0, p, whole), kNoErr);
  EXPECT_EQ(whole, (PixRect{0, 0, kSide, kSide}));
  ASSERT_TRUE(p.bounds().contains(window));
  EXPECT_LT(p.pixels().size(), std::size_t{4} << 20);
  for (const std::int32_t x : {5000, 5639}) {
    EXPECT_EQ(p.at(x, 100), rgb(255, 0, 0));
    EXPECT_EQ(p.at(x, 199), rgb(255, 0, 0));
    EXPECT_EQ(p.at(x, 200), kBlack);
    EXPECT_EQ(p.at(x, 579), kBlack);
  }
  std::error_code ec;
  stdfs::remove(path, ec);
}

// A strip taller than one conversion band is converted in parts; stored bottom up, its
// parts come from the bottom of the picture.  Stored row y is grey y * 7 mod 256.
TEST_F(ReducedDecodeTest, TallStripsAreConvertedInParts) {
  need("tall");
  constexpr std::int32_t kHeight = 3001, kBox = 40;  // 8000 wide
  for (const bool bottom_up : {false, true}) {
    SCOPED_TRACE(bottom_up);
    Pixmap p;
    ASSERT_EQ(decode(bottom_up ? "tall_strip_bottom_up.tif" : "tall_strip.tif", p, 0, kBox, kBox),
              kNoErr);
    const std::int32_t k = kHeight / kBox;  // 75 rows and 75 columns a block
    ASSERT_EQ(p.height(), (kHeight + k - 1) / k);
    for (std::int32_t oy = 0; oy < p.height(); ++oy) {
      double sum = 0, n = 0;
      for (std::int32_t y = oy * k; y < std::min(kHeight, oy * k + k); ++y, ++n)
        sum += ((bottom_up ? kHeight - 1 - y : y) * 7) % 256;
      for (std::int32_t ox : {0, p.width() / 2, p.width() - 1}) {
        ASSERT_NEAR(red(p.row(oy)[ox]), sum / n, 0.51) << ox << "," << oy;
        ASSERT_EQ(red(p.row(oy)[ox]), blue(p.row(oy)[ox]));
      }
    }
  }
}

// Describing a BMP or PICT file reads its front only: files beyond what may be held in
// memory (sparse here) still report their size, and a PICT picture at the front of such
// a file is drawn.
TEST_F(ReducedDecodeTest, HeadersOfHugeFilesAreReadAlone) {
  const stdfs::path bmp = *dir_ / "sparse.bmp";
  {
    std::vector<std::uint8_t> h(54, 0);
    auto le32 = [&](std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    h[0] = 'B';
    h[1] = 'M';
    le32(2, 0);
    le32(10, 54);
    le32(14, 40);
    le32(18, 16000);
    le32(22, 16000);
    h[26] = 1;
    h[28] = 32;
    le32(38, 2835);
    le32(42, 5670);
    std::ofstream(bmp, std::ios::binary).write(reinterpret_cast<const char*>(h.data()), 54);
  }
  const stdfs::path pict = *dir_ / "sparse.pct";
  {
    Pixmap world;
    ASSERT_EQ(world.create(PixRect{0, 0, 300, 200}, rgb(1, 2, 3)), kNoErr);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(write_pict(world, to_fixed(144), to_fixed(144), bytes), kNoErr);
    bytes.insert(bytes.begin(), kPictHeaderArea, 0);
    std::ofstream(pict, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  for (const stdfs::path& file : {bmp, pict}) stdfs::resize_file(file, std::uint64_t{1200} << 20);

  PictureSource s;
  Description d;
  ASSERT_EQ(s.open_file(native(bmp), false, 0), kNoErr);
  ASSERT_EQ(s.describe(d), kNoErr);
  EXPECT_EQ(d.bounds, (PixRect{0, 0, 16000, 16000}));
  EXPECT_EQ(d.depth, 32);
  EXPECT_EQ(d.vres >> 16, 144);
  ASSERT_EQ(s.open_file(native(pict), false, 0), kNoErr);
  ASSERT_EQ(s.describe(d), kNoErr);
  EXPECT_EQ(d.bounds, (PixRect{0, 0, 300, 200}));
  EXPECT_EQ(d.hres >> 16, 144);
  // Drawn, the PICT file is read up to its end opcode, not to the end of the file.
  Pixmap p;
  ASSERT_EQ(s.decode(p), kNoErr);
  EXPECT_EQ(p.bounds(), (PixRect{0, 0, 300, 200}));
  EXPECT_EQ(p.at(150, 100), rgb(1, 2, 3));
}

}  // namespace
}  // namespace velmora::image
