// The progress dialog shown for real under Xvfb: its texts and bar through the
// automation hook's report, Cancel and Escape, and the idle event after a script that
// takes a forgotten progress down with a full bar.
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "dialog_helpers.hpp"

namespace {

constexpr const char* kCancelled = "ERROR=-128 MESSAGE='The user cancelled.'";

class ProgressDialog : public DialogTest {
 protected:
  void TearDown() override {
    std::remove(script_path().c_str());
    DialogTest::TearDown();
  }
  std::string script_path() const {
    return "/tmp/velmora-progress-script-" + std::to_string(::getpid()) + ".txt";
  }
  // Runs the calls in `calls` as an fmhost script (an idle event follows its end).
  RunResult run_script(const std::vector<std::string>& calls, const std::string& ui) {
    std::ofstream out(script_path());
    for (const std::string& c : calls) out << c << "\n";
    out.close();
    return run({"--script", script_path()}, ui);
  }
  static std::vector<std::string> updates(int n, const std::string& parameter) {
    return std::vector<std::string>(static_cast<std::size_t>(n),
                                    "VeUtl_UpdateProgress " + parameter);
  }
};

TEST(ProgressHeadless, OpenAnswersNoDisplayAndTheOthersFindNothingOpen) {
  const auto start = std::chrono::steady_clock::now();
  const RunResult r = run_headless({"VeUtl_OpenProgress", "DIALOG", "VeUtl_OpenProgress", "VALUE=3",
                                    "VeUtl_UpdateProgress", "VALUE=5", "VeUtl_CloseProgress", ""});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'");
  EXPECT_EQ(out[1].rfind("ERROR=-7 ", 0), 0u);
  EXPECT_EQ(out[2], "");
  EXPECT_EQ(out[3], "");
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

TEST_F(ProgressDialog, ShowsTitleMessageAndTheValueShare) {
  std::vector<std::string> calls = {
      "VeUtl_OpenProgress DIALOG TITLE=Copying MESSAGE=Files MAX=200 VALUE=80"};
  const auto more = updates(150, "VALUE=80");
  calls.insert(calls.end(), more.begin(), more.end());
  calls.push_back("VeUtl_CloseProgress");
  const RunResult r = run_script(calls, "report");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const std::string& line : lines(r.out)) EXPECT_EQ(line, "");
  EXPECT_EQ(field(line_of("dialog"), "title"), "Copying");
  EXPECT_EQ(field(line_of("1003"), "text"), "Files");
  EXPECT_EQ(field(line_of("2"), "text"), "Cancel");
  EXPECT_EQ(field(line_of("1006"), "fraction"), "0.400000");
}

TEST_F(ProgressDialog, TemplateTextsStayWhenNoneAreGiven) {
  std::vector<std::string> calls = {"VeUtl_OpenProgress DIALOG"};
  const auto more = updates(150, "VALUE=3");
  calls.insert(calls.end(), more.begin(), more.end());
  const RunResult r = run_script(calls, "report");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const std::string& line : lines(r.out)) EXPECT_EQ(line, "");
  EXPECT_EQ(field(line_of("dialog"), "title"), "It is dealing...");
  EXPECT_EQ(field(line_of("1003"), "text"), "Please Wait...");
}

TEST_F(ProgressDialog, CancelAnswersUserCancelledUntilCloseAndTheNextOpenStartsClean) {
  std::vector<std::string> calls = {"VeUtl_OpenProgress DIALOG MAX=1000"};
  const auto more = updates(300, "VALUE=7");
  calls.insert(calls.end(), more.begin(), more.end());
  calls.push_back("VeUtl_CloseProgress");
  calls.push_back("VeUtl_OpenProgress DIALOG");
  calls.push_back("VeUtl_UpdateProgress VALUE=5");
  const RunResult r = run_script(calls, "2=click");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), calls.size());
  // Once cancelled, every update answers so until the close.
  std::size_t first = 0;
  while (first < 301 && out[first].empty()) ++first;
  ASSERT_LT(first, 301u) << "the Cancel click was never seen";
  EXPECT_GT(first, 0u);
  for (std::size_t i = first; i < 301; ++i) EXPECT_EQ(out[i], kCancelled) << i;
  EXPECT_EQ(out[301], "");  // Close
  EXPECT_EQ(out[302], "");  // a fresh Open
  EXPECT_EQ(out[303], "");
}

TEST_F(ProgressDialog, EscapeCancelsLikeTheButton) {
  std::vector<std::string> calls = {"VeUtl_OpenProgress DIALOG"};
  const auto more = updates(300, "VALUE=7");
  calls.insert(calls.end(), more.begin(), more.end());
  const RunResult r = run_script(calls, "key:Escape");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out).back(), kCancelled);
}

TEST_F(ProgressDialog, IdleEventAfterTheScriptClosesItShowingAFullBar) {
  // The script ends without closing: the idle event that follows closes it, and a value
  // at the maximum keeps the full bar up long enough for the report to see it.
  const RunResult r = run_script({"VeUtl_OpenProgress DIALOG MAX=10 VALUE=10"}, "report");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(field(line_of("1006"), "fraction"), "1.000000");
  EXPECT_EQ(report().find("timeout"), std::string::npos);
}

TEST_F(ProgressDialog, IdleEventWithoutAnOpenProgressChangesNothing) {
  const RunResult r = run({"--idle", "VeUtl_CloseProgress", "", "VeUtl_UpdateProgress", "VALUE=3",
                           "VeUtl_CloseProgress", ""},
                          "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"", "", ""}));
}

TEST_F(ProgressDialog, JapaneseTemplateAndShutdownWithTheDialogStillOpen) {
  std::vector<std::string> calls = {"VeUtl_OpenProgress DIALOG VALUE=20"};
  const auto more = updates(150, "VALUE=20");
  calls.insert(calls.end(), more.begin(), more.end());
  std::ofstream out(script_path());
  for (const std::string& c : calls) out << c << "\n";
  out.close();
  // Calls on the command line get no idle event: shutdown takes the dialog down.
  const RunResult r = run({"--lang", "ja", "--window", "VeUtl_OpenProgress", "DIALOG VALUE=20",
                           "VeUtl_UpdateProgress", "VALUE=30"},
                          "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"", ""}));
  const RunResult s = run({"--lang", "ja", "--window", "--script", script_path()}, "report");
  ASSERT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(field(line_of("dialog"), "title"), "処理中");
  EXPECT_EQ(field(line_of("dialog"), "transient"), "1");
  EXPECT_EQ(field(line_of("2"), "text"), "中止");
  EXPECT_EQ(field(line_of("1006"), "fraction"), "0.200000");
}

}  // namespace
