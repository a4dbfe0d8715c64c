// What the user reads on the dialogs in either language: every window has a title, the
// system dialogs' buttons speak the module's language, and Japanese texts are drawn with
// glyphs, not with the boxes of characters no font has.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "dialog_helpers.hpp"

namespace {

namespace fs = std::filesystem;

class DialogNames : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    std::string tmpl = "/tmp/velmora-names-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
  }
  void TearDown() override {
    fs::remove_all(root_);
    DialogTest::TearDown();
  }

  // The choosers and the colour picker in `lang`, each reported and cancelled; the
  // process's own locale is neutral, so that nothing comes from GTK's translations.
  RunResult show_all(const std::string& lang) {
    return run({"--lang", lang, "VeUtl_OpenFileDialog", "", "VeUtl_SaveFileDialog", "",
                "VeUtl_OpenFolderDialog", "MESSAGE='Where to?'", "VeUtl_PickColor", "",
                "VeUtl_OpenFileDialog", "MESSAGE='Own title'"},
               "report;response:cancel|report;response:cancel|report;response:cancel|"
               "report;response:cancel|report;response:cancel",
               {{"VELMORA_DRIVES", "C=" + root_.string()},
                {"LANG", "C.UTF-8"},
                {"LC_ALL", "C.UTF-8"},
                {"LANGUAGE", ""}});
  }

  fs::path root_;
};

TEST_F(DialogNames, SystemDialogsHaveTitlesAndButtonsInEnglish) {
  const RunResult r = show_all("en");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::vector<std::string>> expected = {{"Open", "Open", "Cancel"},
                                                          {"Save As", "Save", "Cancel"},
                                                          {"Browse For Folder", "Select", "Cancel"},
                                                          {"Color", "Select", "Cancel"}};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(field(line_of("dialog", n), "title"), expected[n][0]) << n;
    EXPECT_EQ(field(line_of("1", n), "text"), expected[n][1]) << n;
    EXPECT_EQ(field(line_of("2", n), "text"), expected[n][2]) << n;
  }
  EXPECT_EQ(field(line_of("1003", 2), "text"), "Where to?");  // the instruction stays
  EXPECT_EQ(field(line_of("dialog", 4), "title"), "Own title");
}

TEST_F(DialogNames, SystemDialogsHaveTitlesAndButtonsInJapanese) {
  const RunResult r = show_all("ja");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::vector<std::string>> expected = {
      {"開く", "開く", "キャンセル"},
      {"名前を付けて保存", "保存", "キャンセル"},
      {"フォルダーの参照", "選択", "キャンセル"},
      {"色の設定", "選択", "キャンセル"}};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(field(line_of("dialog", n), "title"), expected[n][0]) << n;
    EXPECT_EQ(field(line_of("1", n), "text"), expected[n][1]) << n;
    EXPECT_EQ(field(line_of("2", n), "text"), expected[n][2]) << n;
  }
  EXPECT_EQ(field(line_of("dialog", 4), "title"), "Own title");
}

// ---- glyphs ----------------------------------------------------------------------

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
};

bool read_png(const fs::path& path, Picture& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  const bool ok = png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  for (std::uint32_t& p : out.pixels) p &= 0xFFFFFF;
  return ok;
}

// How many pixels are not the lightest colour of the picture (the text's ink).
int ink(const Picture& p) {
  std::uint32_t lightest = 0;
  for (std::uint32_t v : p.pixels) {
    const int sum = int(v >> 16 & 0xFF) + int(v >> 8 & 0xFF) + int(v & 0xFF);
    const int best = int(lightest >> 16 & 0xFF) + int(lightest >> 8 & 0xFF) + int(lightest & 0xFF);
    if (sum > best) lightest = v;
  }
  int count = 0;
  for (std::uint32_t v : p.pixels) count += v != lightest;
  return count;
}

int differing(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height + 1;
  int count = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
  return count;
}

TEST_F(DialogNames, JapaneseLabelsAreDrawnWithGlyphsNotBoxes) {
  // The second message is made of user-defined characters, which no font has: the check
  // must tell its boxes from glyphs.
  const std::string dir = root_.string() + "/";
  auto shots = [&](const std::string& id, const std::string& name) {
    return "snapshot:" + id + ":" + dir + name + ".png;glyphs:" + id + ":" + dir + name +
           "-glyphs.png;boxes:" + id + ":" + dir + name + "-boxes.png;";
  };
  const RunResult r =
      run({"--lang", "ja", "VeUtl_Answer", "MESSAGE=日本語の表示 CANCEL", "VeUtl_Answer",
           "MESSAGE=\xEE\x80\x80\xEE\x80\x81\xEE\x80\x82\xEE\x80\x83\xEE\x80\x84\xEE\x80\x85"},
          "report;" + shots("2", "cancel") + shots("1003", "message") + "1=click|report;" +
              shots("1003", "private") + "1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(field(line_of("2", 0), "text"), "キャンセル");
  EXPECT_EQ(field(line_of("2", 0), "unknown"), "0");
  EXPECT_EQ(field(line_of("1003", 0), "unknown"), "0");
  EXPECT_EQ(field(line_of("1003", 1), "unknown"), "6");

  auto load = [&](const std::string& name) {
    Picture p;
    EXPECT_TRUE(read_png(root_ / (name + ".png"), p)) << name;
    return p;
  };
  for (const std::string name : {"cancel", "message", "private"}) {
    // The control itself draws its text.
    EXPECT_GT(ink(load(name)), 20) << name;
    const Picture glyphs = load(name + "-glyphs"), boxes = load(name + "-boxes");
    ASSERT_GT(ink(glyphs), 20) << name;
    // Glyphs and boxes share little of their ink; boxes drawn twice are the same boxes.
    if (name == "private") {
      EXPECT_EQ(differing(glyphs, boxes), 0) << name;
    } else {
      EXPECT_GT(differing(glyphs, boxes), ink(glyphs) / 2) << name;
    }
  }
}

}  // namespace
