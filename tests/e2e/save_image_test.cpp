// Writing pictures through the real fmhost: SaveImage by extension and destination,
// GrabImage onto the clipboard, CompressImage beside its source, and the compression
// settings dialog under Xvfb, driven through its widgets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_helpers.hpp"

namespace {

namespace stdfs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    out.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

std::string bytes_of(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class PictureFolder {
 public:
  PictureFolder() {
    std::string tmpl = (stdfs::temp_directory_path() / "velmora-save-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) return;
    dir_ = tmpl;
    const std::string script =
        (stdfs::path(VELMORA_TEST_DATA) / "image" / "make_pictures.py").string();
    ok_ = std::system(("python3 '" + script + "' '" + dir_.string() + "'").c_str()) == 0;
  }
  ~PictureFolder() {
    std::error_code ec;
    stdfs::remove_all(dir_, ec);
  }
  bool ok() const { return ok_; }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  const stdfs::path& dir() const { return dir_; }

 private:
  stdfs::path dir_;
  bool ok_ = false;
};

class SaveImage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pictures_.ok()); }

  RunResult host(std::vector<std::string> args) {
    return run_fmhost(std::move(args),
                      {{"VELMORA_LANG", "en"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  }
  std::vector<std::string> calls(std::vector<std::string> args) {
    const RunResult r = host(std::move(args));
    EXPECT_EQ(r.status, 0) << r.err;
    return lines(r.out);
  }
  std::string info(const std::string& name) {
    const auto out = calls({"VeImg_ImageInfo", "PATH='" + pictures_.path(name) + "'"});
    return out.empty() ? "" : out[0];
  }

  PictureFolder pictures_;
};

TEST_F(SaveImage, EachPictureExtensionWritesAFileTheReadersTakeBack) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "'";
  for (const std::string ext :
       {"jpg", "png", "bmp", "tif", "gif", "pct", "tga", "sgi", "psd", "qtif"}) {
    const std::string name = "saved." + ext;
    const auto out = calls({"VeImg_SaveImage", src + " WIDTH=50% HEIGHT=25% DEST='" +
                                                   pictures_.path(name) + "' EXTENSION=" + ext});
    ASSERT_EQ(out, std::vector<std::string>{name}) << ext;
    const std::string depth = ext == "gif" ? "8" : "32";
    EXPECT_EQ(info(name), "WIDTH=320 HEIGHT=120 DEPTH=" + depth + " RESOLUTION=72") << ext;
  }
  // FILETYPE stands in when EXTENSION is absent; the name is kept as given.
  const auto out = calls({"VeImg_SaveImage", src + " DEST='" + pictures_.path("typed.out") +
                                                 "' FILETYPE=JFIF QUALITY=LOW"});
  ASSERT_EQ(out, std::vector<std::string>{"typed.out"});
  EXPECT_EQ(bytes_of(pictures_.dir() / "typed.out").substr(0, 3), "\xFF\xD8\xFF");
}

TEST_F(SaveImage, SizeDepthAndRecordsShapeTheComposition) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "'";
  // WIDTH and HEIGHT as numbers size the composition itself; a grey depth is kept.
  auto out = calls({"VeImg_SaveImage", src + " WIDTH=100 HEIGHT=60 DEPTH=40 DEST='" +
                                           pictures_.path("grey.png") + "' EXTENSION=png"});
  EXPECT_EQ(out, std::vector<std::string>{"grey.png"});
  EXPECT_EQ(info("grey.png"), "WIDTH=100 HEIGHT=60 DEPTH=8 RESOLUTION=72");
  // A second record without a picture adds nothing and stops nothing.
  out = calls({"VeImg_SaveImage",
               src + " DEST='" + pictures_.path("two.png") + "' EXTENSION=png|DISPLAYMODE=Fill"});
  EXPECT_EQ(out, std::vector<std::string>{"two.png"});
  EXPECT_EQ(info("two.png"), "WIDTH=640 HEIGHT=480 DEPTH=32 RESOLUTION=72");
  // Depths a world cannot have.
  for (const char* depth : {"24", "12", "-1"}) {
    out = calls({"VeImg_SaveImage", src + " DEPTH=" + depth + " DEST='" +
                                        pictures_.path("bad.png") + "' EXTENSION=png"});
    EXPECT_EQ(out, std::vector<std::string>{"ERROR=-50 MESSAGE='The parameter is not valid.'"});
  }
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "bad.png"));
}

TEST_F(SaveImage, TypesWithoutExporterFailWithoutTouchingTheDestination) {
  std::ofstream(pictures_.dir() / "keep.mov") << "movie";
  const auto out = calls({"VeImg_SaveImage", "SRC='" + pictures_.path("photo.jpg") + "' DEST='" +
                                                 pictures_.path("keep.mov") + "' EXTENSION=mov"});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].rfind("ERROR=-2005", 0), 0u) << out[0];
  EXPECT_EQ(bytes_of(pictures_.dir() / "keep.mov"), "movie");

  // A folder is a destination that resolves: the export to it fails (no chooser), and
  // the folder stays.
  const stdfs::path folder = pictures_.dir() / "album.png";
  stdfs::create_directory(folder);
  std::ofstream(folder / "inside.txt") << "kept";
  const auto to_folder =
      calls({"VeImg_SaveImage", "SRC='" + pictures_.path("photo.jpg") + "' DEST='" +
                                    folder.string() + "' EXTENSION=png"});
  ASSERT_EQ(to_folder.size(), 1u);
  EXPECT_EQ(to_folder[0].rfind("ERROR=-54", 0), 0u) << to_folder[0];
  EXPECT_EQ(bytes_of(folder / "inside.txt"), "kept");
}

TEST_F(SaveImage, WithoutDestinationTheDialogNeedsADisplay) {
  const auto out =
      calls({"VeImg_SaveImage", "SRC='" + pictures_.path("photo.jpg") + "' EXTENSION=png",
             "VeImg_SaveImage",
             "SRC='" + pictures_.path("photo.jpg") + "' DEST='" + pictures_.path("x.png") + "'"});
  const std::string no_display =
      "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'";
  EXPECT_EQ(out, (std::vector<std::string>{no_display, no_display}));
}

TEST_F(SaveImage, GrabPutsTheCompositionOnTheClipboard) {
  const std::string saved = pictures_.path("clip.pct");
  const auto out = calls({"VeImg_GrabImage", "SRC='" + pictures_.path("picture.bmp") + "'",
                          "VeImg_ImageInfo", "SRC=clipboard:", "VeImg_GrabImage",
                          "SRC='" + pictures_.path("photo.jpg") + "' WIDTH=64 HEIGHT=48 DEPTH=8",
                          "VeImg_ImageInfo", "SRC=clipboard:", "--save-clipboard", saved});
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "");
  // The bitmap's natural size; SIZE counts the picture with its header area.
  EXPECT_EQ(info("picture.bmp").substr(0, 20), out[1].substr(0, 20));
  EXPECT_NE(out[1].find(" SIZE="), std::string::npos);
  EXPECT_EQ(out[3].substr(0, 35), "WIDTH=64 HEIGHT=48 DEPTH=8 RESOLUTI");
  EXPECT_EQ(info("clip.pct").substr(0, 18), "WIDTH=64 HEIGHT=48");
}

// The clipboard picture has the composition's depth, as the picture layer counts it
// (grey scales as their bit count), and can be read back and drawn again.
TEST_F(SaveImage, GrabbedPicturesKeepTheCompositionDepth) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "' WIDTH=40 HEIGHT=30";
  std::vector<std::string> args;
  for (const char* depth : {"1", "4", "16", "36", "40", "0"}) {
    args.insert(args.end(),
                {"VeImg_GrabImage", src + " DEPTH=" + depth, "VeImg_ImageInfo", "SRC=clipboard:"});
  }
  args.insert(args.end(), {"VeImg_SaveImage", "SRC=clipboard: DEST='" +
                                                  pictures_.path("again.png") + "' EXTENSION=png"});
  const auto out = calls(args);
  ASSERT_EQ(out.size(), 13u);
  const char* expected[] = {"DEPTH=1 ", "DEPTH=4 ", "DEPTH=16 ",
                            "DEPTH=4 ", "DEPTH=8 ", "DEPTH=32 "};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(out[2 * i], "") << i;
    EXPECT_EQ(out[2 * i + 1].rfind(std::string("WIDTH=40 HEIGHT=30 ") + expected[i], 0), 0u)
        << out[2 * i + 1];
  }
  EXPECT_EQ(out[12], "again.png");
  EXPECT_EQ(info("again.png"), "WIDTH=40 HEIGHT=30 DEPTH=32 RESOLUTION=72");
}

TEST_F(SaveImage, ARectangleGivesTheCompositionItsSize) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "'";
  const auto out = calls({"VeImg_GrabImage", "5,5,45,35 " + src, "VeImg_ImageInfo",
                          "SRC=clipboard:", "VeImg_SaveImage",
                          src + " DESTRECT=10,20,110,70 DISPLAYMODE=ScaleToFit DEST='" +
                              pictures_.path("rect.png") + "' EXTENSION=png"});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1].substr(0, 28), "WIDTH=40 HEIGHT=30 DEPTH=32 ");
  EXPECT_EQ(out[2], "rect.png");
  EXPECT_EQ(info("rect.png"), "WIDTH=100 HEIGHT=50 DEPTH=32 RESOLUTION=72");
}

class CompressImage : public SaveImage {};

TEST_F(CompressImage, APictFileBecomesAJpegBesideIt) {
  // A PICT source first, made by the plug-in itself.
  ASSERT_EQ(calls({"VeImg_SaveImage", "SRC='" + pictures_.path("photo.jpg") + "' DEST='" +
                                          pictures_.path("photo.pct") + "' EXTENSION=pct"}),
            std::vector<std::string>{"photo.pct"});
  const auto out = calls({"VeImg_CompressImage",
                          "SRC='" + pictures_.path("photo.pct") + "' EXTENSION=jpg QUALITY=900"});
  EXPECT_EQ(out, std::vector<std::string>{""});
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "photo.pct"));
  EXPECT_EQ(bytes_of(pictures_.dir() / "photo.jpg").substr(0, 3), "\xFF\xD8\xFF");
  EXPECT_EQ(info("photo.jpg"), "WIDTH=640 HEIGHT=480 DEPTH=32 RESOLUTION=72");
}

TEST_F(CompressImage, OutputTypeCodecAndDepthAndTheSourceKeptOnFailure) {
  // No output type: PICT, beside the source, which goes.
  auto out = calls({"VeImg_CompressImage", "SRC='" + pictures_.path("phys.png") + "'"});
  EXPECT_EQ(out, std::vector<std::string>{""});
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "phys.png"));
  EXPECT_EQ(info("phys.pct"), "WIDTH=50 HEIGHT=20 DEPTH=32 RESOLUTION=96");
  // Same name as the source: replaced in place; the codec's depth is kept.
  out = calls({"VeImg_CompressImage",
               "SRC='" + pictures_.path("single.tif") + "' EXTENSION=tiff CODEC=tiff DEPTH=36"});
  EXPECT_EQ(out, std::vector<std::string>{""});
  EXPECT_EQ(info("single.tif").find("DEPTH=4 "), info("single.tif").find("DEPTH="));
  // A type without exporter or an unknown codec: the source stays as it was.
  const std::string before = bytes_of(pictures_.dir() / "photo.jpg");
  out = calls({"VeImg_CompressImage", "SRC='" + pictures_.path("photo.jpg") + "' EXTENSION=mov",
               "VeImg_CompressImage", "SRC='" + pictures_.path("photo.jpg") + "' CODEC=cvid",
               "VeImg_CompressImage", "SRC='" + pictures_.path("nothing.jpg") + "'"});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].rfind("ERROR=-2005", 0), 0u) << out[0];
  EXPECT_EQ(out[1].rfind("ERROR=-8961", 0), 0u) << out[1];
  EXPECT_EQ(out[2].rfind("ERROR=-43", 0), 0u) << out[2];
  EXPECT_EQ(bytes_of(pictures_.dir() / "photo.jpg"), before);
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "photo.mov"));
}

// Recompressing or saving holds the whole picture: a file claiming more pixels than that
// may hold (a PNG of 8192 x 4097 holding one compressed row) is refused at once, and kept.
TEST_F(CompressImage, PicturesTooLargeToHoldAreRefusedAtOnceAndKept) {
  const std::string bomb = pictures_.path("vast.png");
  const std::string script =
      "import struct, zlib, sys\n"
      "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + "
      "struct.pack('>I', zlib.crc32(t + d))\n"
      "h = struct.pack('>IIBBBBB', 8192, 4097, 8, 2, 0, 0, 0)\n"
      "open(sys.argv[1], 'wb').write(b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', h) + "
      "chunk(b'IDAT', zlib.compress(bytes(100))) + chunk(b'IEND', b''))\n";
  ASSERT_EQ(std::system(("/usr/bin/python3 -c \"" + script + "\" '" + bomb + "'").c_str()), 0);
  const std::string before = bytes_of(bomb);
  const auto out =
      calls({"VeImg_ImageInfo", "SRC='" + bomb + "'", "VeImg_CompressImage",
             "SRC='" + bomb + "' CODEC=jpeg", "VeImg_PreviewImage",
             "SRC='" + bomb + "' WIDTH=8192 HEIGHT=8192", "VeImg_PreviewImage",
             "SRC='" + bomb + "' WIDTH=4096 HEIGHT=4096", "VeImg_SaveImage",
             "SRC='" + bomb + "' DEST='" + pictures_.path("copy.png") + "' EXTENSION=png"});
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].rfind("WIDTH=8192 HEIGHT=4097 ", 0), 0u) << out[0];
  EXPECT_EQ(out[1].rfind("ERROR=-108", 0), 0u) << out[1];
  // A thumbnail as large as the picture would not fit the clipboard; a smaller one does
  // (the missing rows read as damage).
  EXPECT_EQ(out[2].rfind("ERROR=-108", 0), 0u) << out[2];
  EXPECT_EQ(out[3].rfind("ERROR=-108", 0), std::string::npos) << out[3];
  // Saved at its natural size it would be held whole and every pixel encoded.
  EXPECT_EQ(out[4].rfind("ERROR=-108", 0), 0u) << out[4];
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "copy.png"));
  EXPECT_EQ(bytes_of(bomb), before);
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "vast.pct"));
}

TEST_F(CompressImage, ADottedFolderNameIsNeverTakenForTheExtension) {
  const stdfs::path folder = pictures_.dir() / "my.pictures";
  stdfs::create_directory(folder);
  stdfs::copy_file(pictures_.dir() / "picture.bmp", folder / "scan");
  const auto out = calls(
      {"VeImg_CompressImage", "SRC='" + (folder / "scan").string() + "' EXTENSION=png CODEC=png"});
  EXPECT_EQ(out, std::vector<std::string>{""});
  // No extension to replace: written over the same name, as PNG.
  EXPECT_EQ(bytes_of(folder / "scan").substr(1, 3), "PNG");
  EXPECT_FALSE(stdfs::exists(pictures_.dir() / "my.png"));
}

TEST_F(CompressImage, TheClipboardPictureIsRecompressedInPlace) {
  EXPECT_EQ(calls({"VeImg_CompressImage", ""}),
            std::vector<std::string>{"ERROR=-104 MESSAGE='The clipboard holds no picture.'"});
  const std::string saved = pictures_.path("after.png");
  const auto out =
      calls({"--clipboard", pictures_.path("photo.jpg"), "VeImg_CompressImage", "CODEC=gif DEPTH=2",
             "VeImg_ImageInfo", "SRC=clipboard:", "--save-clipboard", saved});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], "");
  // The recompressed picture has the depth of the settings.
  EXPECT_EQ(out[1].substr(0, 29), "WIDTH=640 HEIGHT=480 DEPTH=2 ");
  EXPECT_TRUE(stdfs::exists(saved));
  const auto more =
      calls({"--clipboard", pictures_.path("photo.jpg"), "VeImg_CompressImage",
             "CODEC=png DEPTH=40", "VeImg_ImageInfo", "SRC=clipboard:", "VeImg_CompressImage",
             "CODEC=jpeg", "VeImg_ImageInfo", "SRC=clipboard:"});
  ASSERT_EQ(more.size(), 4u);
  EXPECT_EQ(more[1].substr(0, 29), "WIDTH=640 HEIGHT=480 DEPTH=8 ") << more[1];
  // A grey picture's default depth is its own.
  EXPECT_EQ(more[3].substr(0, 29), "WIDTH=640 HEIGHT=480 DEPTH=8 ") << more[3];
}

class CompressDialog : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    ASSERT_TRUE(pictures_.ok());
  }
  PictureFolder pictures_;
};

TEST_F(CompressDialog, AnswersTheSettingsChosenInItsWidgets) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "'";
  const RunResult r = run({"VeImg_CompressImageDialog", src, "VeImg_CompressImageDialog",
                           src + " CODEC=png QUALITY=1024 DEPTH=8"},
                          "report;1102=click;1309=click;1202=text:300;1=click|report;1=click",
                          {{"VELMORA_LANG", "en"}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"CODEC=png\\s QUALITY=300 DEPTH=40",
                                                    "CODEC=png\\s QUALITY=1024 DEPTH=8"}));
  EXPECT_EQ(field(line_of("dialog", 0), "name"), "compression");
  EXPECT_EQ(field(line_of("dialog", 0), "title"), "Compression Settings");
  EXPECT_EQ(field(line_of("1101", 0), "text"), "Photo - JPEG");
  EXPECT_EQ(field(line_of("1202", 0), "text"), "512");
  EXPECT_EQ(field(line_of("1202", 1), "text"), "1024");
  EXPECT_EQ(field(line_of("1309", 0), "text"), "256 Grays");
}

TEST_F(CompressDialog, CancelAndEscapeAnswerMinus128) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "'";
  const RunResult r = run({"VeImg_CompressImageDialog", src, "VeImg_CompressImageDialog", src},
                          "2=click|key:Escape", {{"VELMORA_LANG", "en"}});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string cancelled = "ERROR=-128 MESSAGE='The user cancelled.'";
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{cancelled, cancelled}));
}

TEST_F(CompressDialog, JapaneseTextsWhenTheInterfaceIsJapanese) {
  const RunResult r =
      run({"VeImg_CompressImageDialog", "SRC='" + pictures_.path("photo.jpg") + "'"},
          "report;2=click", {{"VELMORA_LANG", "ja"}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(field(line_of("dialog", 0), "title"), "圧縮設定");
  EXPECT_EQ(field(line_of("1309", 0), "text"), "256 階調グレイ");
  EXPECT_EQ(field(line_of("2", 0), "text"), "キャンセル");
  EXPECT_EQ(lines(r.out).at(0).rfind("ERROR=-128 ", 0), 0u);
}

TEST_F(CompressDialog, SaveWithoutDestinationAsksWhereAndTakesTheTypeFromTheName) {
  const std::string src = "SRC='" + pictures_.path("photo.jpg") + "' WIDTH=20 HEIGHT=10";
  const RunResult r = run({"VeImg_SaveImage", src, "VeImg_SaveImage", src},
                          "file:" + pictures_.path("chosen.png") +
                              ";response:accept|2=click;"
                              "response:cancel",
                          {{"VELMORA_LANG", "en"}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out),
            (std::vector<std::string>{"chosen.png", "ERROR=-128 MESSAGE='The user cancelled.'"}));
  EXPECT_EQ(bytes_of(pictures_.dir() / "chosen.png").substr(1, 3), "PNG");
}

TEST(CompressDialogHeadless, RefusesAtOnce) {
  PictureFolder pictures;
  ASSERT_TRUE(pictures.ok());
  const RunResult r =
      run_headless({"VeImg_CompressImageDialog", "SRC='" + pictures.path("photo.jpg") + "'"});
  EXPECT_EQ(lines(r.out),
            std::vector<std::string>{
                "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'"});
}

}  // namespace
