// The clipboard through fmhost: without a display fmhost keeps it and loads or saves it
// around the calls; with a display (Xvfb) it is the X11 clipboard.  Pictures go on it
// through PreviewImage and CalcColor and are read back by ImageInfo "clipboard:".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../unit/stripes_tiff.hpp"
#include "fmhost_runner.hpp"
#include "xvfb_display.hpp"

namespace {

namespace stdfs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
void put32be(Bytes& b, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::uint8_t shade(int x, int y) {
  return static_cast<std::uint8_t>((x * 3 + y * 5) & 0xFF);
}

// A truecolour PNG whose pixel data is stored, not compressed.
Bytes png(int w, int h) {
  Bytes raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      raw.push_back(shade(x, y));
      raw.push_back(static_cast<std::uint8_t>(y));
      raw.push_back(128);
    }
  }
  Bytes z = {0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z.push_back(at + n >= raw.size() ? 1 : 0);
    put16(z, static_cast<std::uint32_t>(n));
    put16(z, static_cast<std::uint32_t>(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    at += n;
    if (at >= raw.size()) break;
  }
  put32be(z, (b << 16) | a);
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const Bytes& body) {
    put32be(out, static_cast<std::uint32_t>(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32be(out, crc32(typed.data(), typed.size()));
  };
  Bytes ihdr;
  put32be(ihdr, static_cast<std::uint32_t>(w));
  put32be(ihdr, static_cast<std::uint32_t>(h));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", ihdr);
  chunk("IDAT", z);
  chunk("IEND", {});
  return out;
}

// A 24-bit BMP file.
Bytes bmp(int w, int h) {
  const std::uint32_t row = static_cast<std::uint32_t>((w * 3 + 3) & ~3);
  Bytes b = {'B', 'M'};
  put32(b, 54 + row * static_cast<std::uint32_t>(h));
  put32(b, 0);
  put32(b, 54);
  put32(b, 40);
  put32(b, static_cast<std::uint32_t>(w));
  put32(b, static_cast<std::uint32_t>(h));
  put16(b, 1);
  put16(b, 24);
  for (int i = 0; i < 6; ++i) put32(b, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) b.insert(b.end(), {128, static_cast<std::uint8_t>(y), shade(x, y)});
    for (std::uint32_t p = static_cast<std::uint32_t>(w) * 3; p < row; ++p) b.push_back(0);
  }
  return b;
}

Bytes read_all(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_all(const stdfs::path& p, const Bytes& b) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = stdfs::temp_directory_path() /
           ("velmora-clip-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    stdfs::create_directories(dir_);
  }
  void TearDown() override { stdfs::remove_all(dir_); }

  std::string file(const std::string& name) const { return (dir_ / name).string(); }
  std::string picture(const std::string& name, const Bytes& bytes) const {
    write_all(dir_ / name, bytes);
    return file(name);
  }
  std::string jpeg(const std::string& name, int w, int h) const {
    Bytes ppm;
    const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    ppm.assign(head.begin(), head.end());
    for (int i = 0; i < w * h; ++i) ppm.insert(ppm.end(), {200, 100, static_cast<std::uint8_t>(i)});
    write_all(dir_ / "in.ppm", ppm);
    const std::string command =
        "cjpeg -quality 90 -outfile '" + file(name) + "' '" + file("in.ppm") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return file(name);
  }

  // Headless runs: fmhost keeps the clipboard.
  static RunResult headless(std::vector<std::string> args) {
    return run_fmhost(std::move(args), {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  }

  // Width and height of a saved PNG, from its header.
  static std::pair<int, int> png_size(const Bytes& b) {
    if (b.size() < 24) return {-1, -1};
    auto be = [&](std::size_t at) {
      return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
    };
    return {be(16), be(20)};
  }

  stdfs::path dir_;
};

TEST_F(Clipboard, ImageInfoReadsAPreloadedPictureWithItsHeldSize) {
  const std::string p = picture("a.png", png(400, 300));
  const RunResult r =
      headless({"--clipboard", p, "VeImg_ImageInfo", "SRC=clipboard:", "VeImg_ImageInfo",
                "PATH=Clipboard:", "VeImg_ImageInfo", "SRC=CLIPBOARD:", "VeImg_ImageInfo",
                "SRC=clipboard", "VeImg_ImageInfo", "SRC=" + p});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].rfind("WIDTH=400 HEIGHT=300 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[0];
  const long size = std::stol(out[0].substr(out[0].find("SIZE=") + 5));
  EXPECT_GT(size, 512 + 400 * 300 / 8);  // a PICT of the pixels behind its header area
  EXPECT_EQ(out[1], out[0]);
  EXPECT_EQ(out[2], out[0]);
  EXPECT_EQ(out[3].rfind("ERROR=-43", 0), 0u) << out[3];  // without the colon, a path
  EXPECT_EQ(out[4], "WIDTH=400 HEIGHT=300 DEPTH=32 RESOLUTION=72");

  // A BMP file goes on the clipboard as a bitmap, a JPEG as such; both are read.
  const RunResult b =
      headless({"--clipboard", picture("b.bmp", bmp(33, 17)), "VeImg_ImageInfo", "SRC=clipboard:"});
  EXPECT_EQ(b.out.rfind("WIDTH=33 HEIGHT=17 DEPTH=32", 0), 0u) << b.out << b.err;
  const RunResult j =
      headless({"--clipboard", jpeg("c.jpg", 64, 48), "VeImg_ImageInfo", "SRC=clipboard:"});
  EXPECT_EQ(j.out.rfind("WIDTH=64 HEIGHT=48 DEPTH=32", 0), 0u) << j.out << j.err;
}

TEST_F(Clipboard, EmptyOrMissingClipboardAndMissingKeysAreErrors) {
  const RunResult r = headless({"VeImg_ImageInfo", "SRC=clipboard:", "VeImg_PreviewImage",
                                "SRC=clipboard:", "VeImg_PreviewImage", "WIDTH=10"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].rfind("ERROR=-104 MESSAGE='", 0), 0u) << out[0];
  EXPECT_EQ(out[1].rfind("ERROR=-104", 0), 0u) << out[1];
  EXPECT_EQ(out[2].rfind("ERROR=-50", 0), 0u) << out[2];

  // Nothing to save is reported by fmhost, and a file that is no picture is refused.
  const RunResult s = headless({"--save-clipboard", file("x.png"), "--list"});
  EXPECT_EQ(s.status, 5);
  EXPECT_NE(s.err.find("no bitmap"), std::string::npos) << s.err;
  const RunResult t = headless({"--clipboard", picture("t.txt", {'h', 'i'}), "--list"});
  EXPECT_EQ(t.status, 2);
}

TEST_F(Clipboard, PreviewShrinksIntoTheBoxButNeverEnlarges) {
  const std::string big = picture("big.png", png(400, 300));
  const std::string small = picture("small.png", png(40, 30));
  const std::string tall = picture("tall.bmp", bmp(50, 500));

  struct Case {
    std::string parameter;
    int width, height;
  } const cases[] = {
      {"SRC=" + big, 80, 60},
      {"PATH=" + small, 40, 30},
      {"SRC=" + big + " WIDTH=200 HEIGHT=1000", 200, 150},
      {"SRC=" + big + " WIDTH=200 HEIGHT=0", 107, 80},
      {"SRC=" + big + " WIDTH=-5 HEIGHT=30", 40, 30},
      {"SRC=" + small + " WIDTH=1000 HEIGHT=1000", 40, 30},
      {"SRC=" + tall, 8, 80},
      {"SRC=" + jpeg("photo.jpg", 640, 480) + " WIDTH=100 HEIGHT=100", 100, 75},
  };
  for (const Case& c : cases) {
    const std::string out = file("thumb.png");
    const RunResult r = headless({"--save-clipboard", out, "VeImg_PreviewImage", c.parameter});
    ASSERT_EQ(r.status, 0) << c.parameter << ": " << r.err;
    EXPECT_EQ(r.out, "\n") << c.parameter;
    EXPECT_EQ(png_size(read_all(out)), std::make_pair(c.width, c.height)) << c.parameter;
  }
}

TEST_F(Clipboard, PreviewOfTheClipboardAndTheSavedPictFile) {
  const std::string saved = file("thumb.pict");
  const RunResult r = headless({"--clipboard", picture("a.png", png(400, 300)), "--save-clipboard",
                                saved, "VeImg_PreviewImage", "SRC=clipboard: BORDER=3",
                                "VeImg_ImageInfo", "SRC=clipboard:"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], "");
  EXPECT_EQ(out[1].rfind("WIDTH=80 HEIGHT=60 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[1];

  // The saved file is a PICT file (header area, then the picture) any source can open.
  const RunResult again = headless(
      {"VeImg_ImageInfo", "SRC=" + saved, "VeImg_PreviewImage", "SRC=" + saved + " WIDTH=20"});
  EXPECT_EQ(lines(again.out).at(0), "WIDTH=80 HEIGHT=60 DEPTH=32 RESOLUTION=72") << again.err;
  EXPECT_EQ(lines(again.out).at(1), "");
}

TEST_F(Clipboard, CalcColorSwatchLandsOnTheClipboard) {
  const RunResult r =
      headless({"--save-clipboard", file("s.png"), "VeUtl_CalcColor", "COLOR=#3366CC SAMPLE",
                "VeImg_ImageInfo", "SRC=clipboard:", "VeUtl_CalcColor",
                "COLOR=#3366CC SAMPLE3D SAMPLE=40,20", "VeImg_ImageInfo", "SRC=clipboard:"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "51,102,204");
  EXPECT_EQ(out[1].rfind("WIDTH=16 HEIGHT=16 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[1];
  EXPECT_EQ(out[2], "51,102,204");
  EXPECT_EQ(out[3].rfind("WIDTH=40 HEIGHT=20 ", 0), 0u) << out[3];
  EXPECT_EQ(png_size(read_all(file("s.png"))), std::make_pair(40, 20));
}

// The colours of a PNG file at some points, read by an independent decoder: "r,g,b"
// each, in order; empty when the file cannot be read.
std::vector<std::string> colours_at(const std::string& png_file,
                                    const std::vector<std::pair<int, int>>& points) {
  std::string list;
  for (const auto& [x, y] : points)
    list += "(" + std::to_string(x) + "," + std::to_string(y) + "),";
  const std::string command = "/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" +
                              png_file +
                              "').convert('RGB'); [print('%d,%d,%d' % im.getpixel(p)) "
                              "for p in [" +
                              list + "]]\" 2>/dev/null";
  std::vector<std::string> out;
  FILE* f = ::popen(command.c_str(), "r");
  if (f == nullptr) return out;
  char line[64];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    std::string l(line);
    if (!l.empty() && l.back() == '\n') l.pop_back();
    out.push_back(l);
  }
  ::pclose(f);
  return out;
}

// Pictures 4096 pixels wide and more, whose rows do not fit one bitmap record of the
// clipboard's PICT: swatches, a grabbed picture and its recompression come back whole,
// every column the colour it was, on both sides of each band's edge.
TEST_F(Clipboard, PicturesWiderThanOneBandGoOnTheClipboardAndComeBack) {
  const RunResult r = headless(
      {"--save-clipboard", file("swatch.png"), "VeUtl_CalcColor", "COLOR=#3366CC SAMPLE=4096,10",
       "VeImg_ImageInfo", "SRC=clipboard:", "VeUtl_CalcColor", "COLOR=10,200,30 SAMPLE=6000,3",
       "VeImg_ImageInfo", "SRC=clipboard:"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto out = lines(r.out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "51,102,204");
  EXPECT_EQ(out[1].rfind("WIDTH=4096 HEIGHT=10 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[1];
  EXPECT_EQ(out[3].rfind("WIDTH=6000 HEIGHT=3 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[3];
  EXPECT_EQ(colours_at(file("swatch.png"), {{0, 0}, {4095, 1}, {4096, 1}, {5999, 2}}),
            std::vector<std::string>(4, "10,200,30"));

  const std::string wide = picture("wide.png", png(6000, 40));
  const std::vector<std::pair<int, int>> points = {
      {0, 0}, {4095, 7}, {4096, 7}, {4097, 39}, {5999, 39}};
  std::vector<std::string> expected;
  for (const auto& [x, y] : points)
    expected.push_back(std::to_string(shade(x, y)) + "," + std::to_string(y) + ",128");
  for (const char* codec : {"", "CODEC=tiff"}) {
    SCOPED_TRACE(codec);
    std::vector<std::string> calls = {"--save-clipboard", file("back.png"),  "VeImg_GrabImage",
                                      "SRC=" + wide,      "VeImg_ImageInfo", "SRC=clipboard:"};
    if (*codec)
      calls.insert(calls.end(),
                   {"VeImg_CompressImage", codec, "VeImg_ImageInfo", "SRC=clipboard:"});
    const RunResult g = headless(calls);
    ASSERT_EQ(g.status, 0) << g.err;
    out = lines(g.out);
    ASSERT_EQ(out.size(), *codec ? 4u : 2u);
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1].rfind("WIDTH=6000 HEIGHT=40 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[1];
    if (*codec) {
      EXPECT_EQ(out[2], "");
      EXPECT_EQ(out[3].rfind("WIDTH=6000 HEIGHT=40 ", 0), 0u) << out[3];
    }
    EXPECT_EQ(colours_at(file("back.png"), points), expected);
  }

  // The same through the X11 clipboard, and a lossy recompression of it there.
  XvfbDisplay display;
  if (!display.ok()) GTEST_SKIP() << "Xvfb is not available";
  const RunResult x =
      run_fmhost({"--window", "VeUtl_CalcColor", "COLOR=1,2,3 SAMPLE=4096,10", "VeImg_ImageInfo",
                  "SRC=clipboard:", "VeImg_GrabImage", "SRC=" + wide, "VeImg_ImageInfo",
                  "SRC=clipboard:", "VeImg_CompressImage", "CODEC=jpeg QUALITY=1024",
                  "VeImg_ImageInfo", "SRC=clipboard:"},
                 {{"DISPLAY", display.name()}});
  ASSERT_EQ(x.status, 0) << x.err;
  out = lines(x.out);
  ASSERT_EQ(out.size(), 6u);
  EXPECT_EQ(out[1].rfind("WIDTH=4096 HEIGHT=10 DEPTH=32 ", 0), 0u) << out[1];
  EXPECT_EQ(out[3].rfind("WIDTH=6000 HEIGHT=40 DEPTH=32 ", 0), 0u) << out[3];
  EXPECT_EQ(out[4], "");
  EXPECT_EQ(out[5].rfind("WIDTH=6000 HEIGHT=40 ", 0), 0u) << out[5];
}

// A grab holds its world, the recorded picture and the clipboard's bitmap at once: a
// composition beyond 32 megapixels is refused at once (a tiny file claiming 8192 x 8192
// as well as a WIDTH x HEIGHT that large), while a 24-megapixel photo at its natural
// size and a row of the widest picture a record holds still go on the clipboard.
TEST_F(Clipboard, GrabsBeyondTheirSizeLimitAreRefusedAtOnce) {
  velmora::testing::write_stripes(file("bomb.tif"), 8192, 8192);
  velmora::testing::write_stripes(file("photo.tif"), 6000, 4000);
  const RunResult r = headless(
      {"VeImg_GrabImage", "SRC=" + file("bomb.tif"), "VeImg_GrabImage",
       "SRC=" + file("bomb.tif") + " WIDTH=8192 HEIGHT=4097", "VeImg_GrabImage",
       "SRC=" + file("photo.tif"), "VeImg_ImageInfo", "SRC=clipboard:", "VeImg_GrabImage",
       "SRC=" + file("photo.tif") + " WIDTH=32767 HEIGHT=1", "VeImg_ImageInfo", "SRC=clipboard:"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 6u);
  EXPECT_EQ(out[0].rfind("ERROR=-108", 0), 0u) << out[0];
  EXPECT_EQ(out[1].rfind("ERROR=-108", 0), 0u) << out[1];
  EXPECT_EQ(out[2], "");
  EXPECT_EQ(out[3].rfind("WIDTH=6000 HEIGHT=4000 DEPTH=32 ", 0), 0u) << out[3];
  EXPECT_EQ(out[4], "");
  EXPECT_EQ(out[5].rfind("WIDTH=32767 HEIGHT=1 DEPTH=32 ", 0), 0u) << out[5];
}

// Runs a shell command with DISPLAY set; its output, or "" when it fails.
std::string on_display(const std::string& display, const std::string& command) {
  const std::string line = "DISPLAY=" + display + " " + command + " 2>/dev/null";
  FILE* p = ::popen(line.c_str(), "r");
  if (p == nullptr) return "";
  std::string out;
  char buf[4096];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  return ::pclose(p) == 0 ? out : "";
}

// Another program owns the clipboard and offers `file` as `target`: xclip serves it from
// the background until another owner takes the clipboard or the display goes.  Waits
// until the offer is really on the display.
bool offer_with_xclip(const std::string& display, const std::string& target,
                      const std::string& file) {
  const std::string command = "DISPLAY=" + display + " xclip -selection clipboard -t '" + target +
                              "' -i '" + file + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  for (int i = 0; i < 200; ++i) {
    const std::string targets = on_display(display, "xclip -selection clipboard -t TARGETS -o");
    if (targets.find(target) != std::string::npos) return true;
    ::usleep(50 * 1000);
  }
  return false;
}

// Pictures other programs put on the X11 clipboard are read: PNG, a bitmap, PICT bytes.
TEST_F(Clipboard, X11ClipboardReadsWhatOtherProgramsOffer) {
  if (std::system("command -v xclip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xclip";
  // PICT bytes for the last offer, made headless first (header area dropped).
  const std::string pict_file = file("t.pict");
  ASSERT_EQ(headless({"--save-clipboard", pict_file, "VeImg_PreviewImage",
                      "SRC=" + picture("p.png", png(400, 300))})
                .status,
            0);
  Bytes pict = read_all(pict_file);
  ASSERT_GT(pict.size(), 512u);
  pict.erase(pict.begin(), pict.begin() + 512);
  const std::string record = picture("record.pict", pict);

  XvfbDisplay display;
  if (!display.ok()) GTEST_SKIP() << "Xvfb is not available";
  struct Offer {
    std::string target, file, expected;
  } const offers[] = {
      {"image/png", picture("a.png", png(40, 30)),
       "WIDTH=40 HEIGHT=30 DEPTH=32 RESOLUTION=72 SIZE="},
      {"image/bmp", picture("b.bmp", bmp(33, 17)),
       "WIDTH=33 HEIGHT=17 DEPTH=32 RESOLUTION=72 SIZE="},
      {"Mac-PICT", record,
       "WIDTH=80 HEIGHT=60 DEPTH=32 RESOLUTION=72 SIZE=" + std::to_string(pict.size() + 512)},
  };
  for (const Offer& o : offers) {
    ASSERT_TRUE(offer_with_xclip(display.name(), o.target, o.file)) << o.target;
    const RunResult r = run_fmhost({"--window", "VeImg_ImageInfo", "SRC=clipboard:"},
                                   {{"DISPLAY", display.name()}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(o.expected, 0), 0u) << o.target << ": " << r.out;
  }
}

// With a display the X11 clipboard carries the picture from one call to the next.
TEST_F(Clipboard, X11ClipboardCarriesThePreviewToImageInfo) {
  XvfbDisplay display;
  if (!display.ok()) GTEST_SKIP() << "Xvfb is not available";
  const std::string p = picture("a.png", png(400, 300));
  const RunResult r =
      run_fmhost({"--window", "VeImg_ImageInfo", "SRC=clipboard:", "VeImg_PreviewImage", "SRC=" + p,
                  "VeImg_ImageInfo", "SRC=clipboard:", "VeUtl_CalcColor", "COLOR=1,2,3 SAMPLE=7,9",
                  "VeImg_ImageInfo", "SRC=clipboard:"},
                 {{"DISPLAY", display.name()}});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].rfind("ERROR=-104", 0), 0u) << out[0];  // a fresh display's clipboard
  EXPECT_EQ(out[1], "");
  EXPECT_EQ(out[2].rfind("WIDTH=80 HEIGHT=60 DEPTH=32 RESOLUTION=72 SIZE=", 0), 0u) << out[2];
  EXPECT_EQ(out[3], "1,2,3");
  EXPECT_EQ(out[4].rfind("WIDTH=7 HEIGHT=9 ", 0), 0u) << out[4];
}

#ifdef SILENT_OWNER_PATH
// A program that owns the clipboard but never answers must not hang the call: the read
// gives up after the owner's time (3 s a request, the toolkit alone waits 30 s for each
// of several), reads as an empty clipboard, and the clipboard works again afterwards.
TEST_F(Clipboard, AnOwnerThatNeverAnswersCostsSecondsNotMinutes) {
  XvfbDisplay display;
  if (!display.ok()) GTEST_SKIP() << "Xvfb is not available";
  const std::string log = file("owner.log");
  const pid_t owner = ::fork();
  if (owner == 0) {
    ::setenv("DISPLAY", display.name().c_str(), 1);
    ::execl(SILENT_OWNER_PATH, SILENT_OWNER_PATH, log.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(owner, 0);
  for (int i = 0; i < 200 && !stdfs::exists(log); ++i) ::usleep(50 * 1000);
  ASSERT_TRUE(stdfs::exists(log)) << "the owner did not take the clipboard";

  const auto start = std::chrono::steady_clock::now();
  const RunResult r =
      run_fmhost({"--window", "VeImg_ImageInfo", "SRC=clipboard:", "VeImg_PreviewImage",
                  "SRC=" + picture("a.png", png(400, 300)), "VeImg_ImageInfo", "SRC=clipboard:"},
                 {{"DISPLAY", display.name()}});
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ::kill(owner, SIGKILL);
  ::waitpid(owner, nullptr, 0);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 3u) << r.out;
  EXPECT_EQ(out[0].rfind("ERROR=-104", 0), 0u) << out[0];
  EXPECT_EQ(out[2].rfind("WIDTH=80 HEIGHT=60 ", 0), 0u) << out[2];
  EXPECT_LT(seconds, 20.0);
}
#endif

}  // namespace
