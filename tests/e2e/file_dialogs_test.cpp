// The file and folder choosers under Xvfb, on a private drive table, driven through the
// chooser's own widgets.
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "dialog_helpers.hpp"

namespace {

namespace fs = std::filesystem;

class FileDialogs : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    std::string tmpl = "/tmp/velmora-filedlg-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    fs::create_directories(root_ / "c" / "Data" / "sub");
    fs::create_directories(root_ / "share" / "dir");
    fs::create_directories(root_ / "outside");
    for (const char* name : {"c/Data/a.txt", "share/dir/f.txt", "outside/o.txt"}) {
      std::ofstream(root_ / name) << "x";
    }
  }
  void TearDown() override {
    fs::remove_all(root_);
    DialogTest::TearDown();
  }

  std::string host(const std::string& relative) const { return (root_ / relative).string(); }

  RunResult choose(std::vector<std::string> args, const std::string& script) {
    return run(std::move(args), script,
               {{"VELMORA_DRIVES", "C=" + host("c") + ";//srv/pub=" + host("share")},
                {"LANG", "C.UTF-8"},
                {"LANGUAGE", ""},
                {"LC_ALL", "C.UTF-8"}});
  }

  // The type list of a report line: "[label][label]...".
  static std::string filters(const std::string& line) {
    const std::size_t start = line.find(" filters=");
    const std::size_t end = line.find(" folder=");
    if (start == std::string::npos || end == std::string::npos) return {};
    return line.substr(start + 9, end - start - 9);
  }

  fs::path root_;
};

TEST_F(FileDialogs, OpenFileAnswersTheChosenFileInWindowsForm) {
  const RunResult r = choose({"--window", "VeUtl_OpenFileDialog",
                              "MESSAGE='Pick a file' PATH='C:\\\\Data' SHOWINVISIBLE=1",
                              "VeUtl_OpenFileDialog", "FILETYPE=TEXT"},
                             "report;file:" + host("c/Data/a.txt") + ";response:accept|" +
                                 "report;file:" + host("share/dir/f.txt") + ";response:accept");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"C:\\\\Data\\\\a.txt", "srv::pub:dir:f.txt"}));
  const std::string first = line_of("dialog", 0);
  EXPECT_EQ(field(first, "name"), "open-file");
  EXPECT_EQ(field(first, "title"), "Pick a file");
  EXPECT_EQ(field(first, "transient"), "1");
  EXPECT_EQ(field(first, "folder"), host("c/Data"));
  EXPECT_EQ(field(first, "hidden"), "1");
  EXPECT_EQ(field(line_of("dialog", 1), "hidden"), "0");
  EXPECT_EQ(filters(line_of("dialog", 1)), "[plain text document][All Files]");
}

TEST_F(FileDialogs, FolderChooserAnswersWithAFinalSeparator) {
  const RunResult r = choose({"VeUtl_OpenFolderDialog", "MESSAGE='Where to?'",
                              "VeUtl_OpenFolderDialog", "", "VeUtl_OpenFolderDialog", ""},
                             "report;file:" + host("c/Data/sub") + ";response:accept|" +
                                 "file:" + host("share/dir") + ";response:accept|" +
                                 "file:" + host("outside") + ";response:accept");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                              "C:\\\\Data\\\\sub\\\\",
                              "srv::pub:dir:", "ERROR=-120 MESSAGE='The folder was not found.'"}));
  EXPECT_EQ(field(line_of("dialog", 0), "name"), "open-folder");
  EXPECT_EQ(field(line_of("1003", 0), "text"), "Where to?");
}

TEST_F(FileDialogs, JapaneseNamesKeepTheirSecondBytes) {
  // 表 and ソ end in 0x5C in the native code page: no separator, never escaped.
  fs::create_directories(root_ / "c" / "表示");
  std::ofstream(root_ / "c" / "表示" / "ソ.txt") << "x";
  const RunResult r = choose({"VeUtl_OpenFileDialog", "", "VeUtl_OpenFolderDialog", ""},
                             "file:" + host("c/表示/ソ.txt") +
                                 ";response:accept|file:" + host("c/表示") + ";response:accept");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"C:\\\\表示\\\\ソ.txt", "C:\\\\表示\\\\"}));
}

TEST_F(FileDialogs, SaveStartsOnTheDefaultName) {
  const RunResult r = choose(
      {"VeUtl_SaveFileDialog", "DEFAULT='C:\\\\Data\\\\new.txt' MESSAGE=Save",
       "VeUtl_SaveFileDialog", "DEFAULT=other.txt EXTENSION=txt", "VeUtl_SaveFileDialog", ""},
      "report;response:accept|file:" + host("c/Data/sub/other.txt") + ";response:accept|" +
          "file:" + host("outside/o.txt") + ";response:accept");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out),
            (std::vector<std::string>{"C:\\\\Data\\\\new.txt", "C:\\\\Data\\\\sub\\\\other.txt",
                                      "ERROR=-120 MESSAGE='The folder was not found.'"}));
  const std::string first = line_of("dialog", 0);
  EXPECT_EQ(field(first, "name"), "save-file");
  EXPECT_EQ(field(first, "title"), "Save");
  EXPECT_EQ(field(first, "folder"), host("c/Data"));
}

TEST_F(FileDialogs, TypeListsFollowTheKeys) {
  const RunResult r =
      choose({"VeUtl_OpenFileDialog", "EXTENSION='jpg,.png,xyz'", "VeUtl_SaveFileDialog",
              "FILETYPE=JPEG,GIF,jpeg,PICS", "VeUtl_OpenFileDialog", "SHOWALL=1 EXTENSION=jpg",
              "VeUtl_OpenFileDialog", ""},
             "report;response:cancel|report;response:cancel|report;response:cancel|"
             "report;response:cancel");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(filters(line_of("dialog", 0)), "[JPEG image][PNG image][カスタム(*.xyz)][All Files]");
  EXPECT_EQ(filters(line_of("dialog", 1)), "[JPEG image][GIF image][All Files]");
  EXPECT_EQ(filters(line_of("dialog", 2)), "[All Files]");
  // The built-in picture types the system describes, in their order.
  const std::string built_in = filters(line_of("dialog", 3));
  EXPECT_LT(built_in.find("[GIF image]"), built_in.find("[PNG image]")) << built_in;
  EXPECT_LT(built_in.find("[PNG image]"), built_in.find("[JPEG image]")) << built_in;
  ASSERT_GE(built_in.size(), 11u);
  EXPECT_EQ(built_in.substr(built_in.size() - 11), "[All Files]");
}

TEST_F(FileDialogs, CancelAndTooLongPathsAreUserCancelled) {
  fs::path deep = root_ / "c";
  std::string native = "C:";
  while (native.size() < 260) {
    deep /= std::string(60, 'd');
    native += "\\" + std::string(60, 'd');
  }
  fs::create_directories(deep);
  const RunResult r =
      choose({"VeUtl_OpenFileDialog", "", "VeUtl_SaveFileDialog", "", "VeUtl_OpenFolderDialog", "",
              "VeUtl_OpenFolderDialog", ""},
             "response:cancel|key:Escape|close|file:" + deep.string() + ";response:accept");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 4u) << r.out;
  for (const std::string& line : out) EXPECT_EQ(line, "ERROR=-128 MESSAGE='The user cancelled.'");
}

TEST(FileDialogsHeadless, NoDisplayAnswersAtOnce) {
  const RunResult r = run_headless(
      {"VeUtl_OpenFileDialog", "", "VeUtl_OpenFolderDialog", "", "VeUtl_SaveFileDialog", ""});
  const std::string no_display =
      "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'";
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{no_display, no_display, no_display}));
}

}  // namespace
