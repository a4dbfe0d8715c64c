// The button box (VeUtl_Ask) and the input box (VeUtl_Answer) shown for real under
// Xvfb and driven through their widgets.
#include <algorithm>
#include <chrono>

#include "dialog_helpers.hpp"

namespace {

TEST(MessageDialogsHeadless, AnswerNoDisplayAtOnceAndCheckMessageFirst) {
  const auto start = std::chrono::steady_clock::now();
  const RunResult r = run_headless(
      {"VeUtl_Ask", "MESSAGE=hello", "VeUtl_Answer", "MESSAGE=hello", "VeUtl_Ask", "OK=Yes"});
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'");
  EXPECT_EQ(out[1].rfind("ERROR=-7 ", 0), 0u);
  EXPECT_EQ(out[2].rfind("ERROR=-50 ", 0), 0u);  // the missing message is found first
  EXPECT_LT(seconds.count(), 10.0);
}

TEST(MessageDialogsHeadless, WindowOptionWithoutDisplayFails) {
  const RunResult r = run_headless({"--window", "VeUtl_Ask", "MESSAGE=x"});
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("no display"), std::string::npos);
}

using ButtonBox = DialogTest;

TEST_F(ButtonBox, EachButtonAnswersItsKeyword) {
  const RunResult r = run({"--window", "VeUtl_Ask", "MESSAGE=a CANCEL OTHER", "VeUtl_Ask",
                           "MESSAGE=b CANCEL OTHER", "VeUtl_Ask", "MESSAGE=c CANCEL OTHER"},
                          "1=click|2=click|1002=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"OK", "CANCEL", "OTHER"}));
}

TEST_F(ButtonBox, CancelAndOtherShowOnlyWhenAskedWithTemplateOrOwnLabels) {
  const RunResult r =
      run({"VeUtl_Ask", "MESSAGE=one", "VeUtl_Ask", "MESSAGE=two CANCEL OTHER=Later OK=Fine",
           "VeUtl_Ask", "MESSAGE=three CANCEL=Stop OTHER=other"},
          "report;1=click|report;1=click|report;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(field(line_of("dialog", 0), "title"), "Message");
  EXPECT_EQ(field(line_of("2", 0), "visible"), "0");
  EXPECT_EQ(field(line_of("1002", 0), "visible"), "0");
  EXPECT_EQ(field(line_of("1", 1), "text"), "Fine");
  EXPECT_EQ(field(line_of("2", 1), "visible"), "1");
  EXPECT_EQ(field(line_of("2", 1), "text"), "Cancel");
  EXPECT_EQ(field(line_of("1002", 1), "text"), "Later");
  EXPECT_EQ(field(line_of("2", 2), "text"), "Stop");
  // Only the exact word keeps the template's label; other letter case is a label.
  EXPECT_EQ(field(line_of("1002", 2), "text"), "other");
}

TEST_F(ButtonBox, EscapeAnswersCancelEvenWithOnlyOk) {
  const RunResult r = run({"VeUtl_Ask", "MESSAGE=esc"}, "key:Escape");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "CANCEL\n");
}

TEST_F(ButtonBox, IconsByKeywordAndTextsTakeTheIconsRoomWithout) {
  const RunResult r = run({"VeUtl_Ask", "MESSAGE=m ICON=caution", "VeUtl_Ask",
                           "MESSAGE=m ICON=Stop", "VeUtl_Ask", "MESSAGE=m ICON=loud"},
                          "report;1=click|report;1=click|report;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(field(line_of("1005", 0), "icon"), "dialog-warning");
  EXPECT_EQ(field(line_of("1005", 0), "visible"), "1");
  EXPECT_EQ(field(line_of("1005", 1), "icon"), "dialog-error");
  const std::string icon_with = line_of("1005", 0);
  EXPECT_GT(number(line_of("1003", 0), "x"), number(icon_with, "x") + number(icon_with, "w") - 1);
  EXPECT_EQ(field(line_of("1005", 2), "visible"), "0");
  EXPECT_EQ(number(line_of("1003", 2), "x"), number(icon_with, "x"));
  // The right edge stays: the text is wider by the distance it moved.
  EXPECT_EQ(number(line_of("1003", 2), "x") + number(line_of("1003", 2), "w"),
            number(line_of("1003", 0), "x") + number(line_of("1003", 0), "w"));
}

// A control's place as the report gives it, within its parent of pw x ph.
struct Placed {
  std::string id;
  int x = 0, y = 0, w = 0, h = 0, pw = 0, ph = 0;
  bool intersects(const Placed& o) const {
    return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
  }
};

class ButtonBoxLayout : public DialogTest {
 protected:
  std::vector<Placed> shown_controls(int n) const {
    std::vector<Placed> out;
    for (const char* id : {"1", "2", "1002", "1003", "1004", "1005", "1007"}) {
      const std::string line = line_of(id, n);
      if (line.empty() || field(line, "visible") != "1") continue;
      out.push_back({id, number(line, "x"), number(line, "y"), number(line, "w"), number(line, "h"),
                     number(line, "pw"), number(line, "ph")});
    }
    return out;
  }
  // Every shown control lies inside the dialog, none overlaps another, and the dialog's
  // right margin is its left one.
  void expect_tidy(int n) const {
    const std::vector<Placed> shown = shown_controls(n);
    ASSERT_GE(shown.size(), 2u) << report();
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const Placed& a = shown[i];
      EXPECT_GE(a.x, 0) << a.id;
      EXPECT_GE(a.y, 0) << a.id;
      EXPECT_LE(a.x + a.w, a.pw) << "control " << a.id << " leaves dialog " << n;
      EXPECT_LE(a.y + a.h, a.ph) << "control " << a.id << " leaves dialog " << n;
      for (std::size_t j = i + 1; j < shown.size(); ++j) {
        EXPECT_FALSE(a.intersects(shown[j]))
            << "controls " << a.id << " and " << shown[j].id << " overlap in dialog " << n;
      }
    }
    int left = shown.front().x, right = 0;
    for (const Placed& p : shown) {
      left = std::min(left, p.x);
      right = std::max(right, p.x + p.w);
    }
    EXPECT_NEAR(shown.front().pw - right, left, 1) << "dialog " << n;
  }
};

TEST_F(ButtonBoxLayout, TextsOfSeveralLinesPushTheButtonsDownAndTheDialogGrows) {
  const RunResult r =
      run({"VeUtl_Ask", "MESSAGE=short DESCRIPTION=small", "VeUtl_Ask",
           "MESSAGE='Line one\\nLine two\\nLine three' DESCRIPTION='Below the message' CANCEL",
           "VeUtl_Ask", "MESSAGE='One\\nTwo\\nThree\\nFour\\nFive' ICON=note OTHER", "VeUtl_Ask",
           "MESSAGE='This message is far too long for one line of the static text, so it wraps "
           "onto more lines and the dialog grows' DESCRIPTION='And so does this description, which "
           "is long enough to need a second line of its own below the message' CANCEL OTHER"},
          "report;1=click|report;1=click|report;1=click|report;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  for (int n = 0; n < 4; ++n) expect_tidy(n);
  const int base = number(line_of("dialog", 0), "h");
  EXPECT_EQ(field(line_of("1003", 1), "text"), "Line one\\nLine two\\nLine three");
  for (int n = 1; n < 4; ++n) {
    EXPECT_GT(number(line_of("dialog", n), "h"), base) << n;
    EXPECT_GT(number(line_of("1003", n), "h"), 2 * number(line_of("1003", 0), "h") * 3 / 4) << n;
    // The buttons move down by what the dialog grew.
    EXPECT_NEAR(number(line_of("1", n), "y") - number(line_of("1", 0), "y"),
                number(line_of("dialog", n), "h") - base, 1)
        << n;
  }
  // Five lines are more than three.
  EXPECT_GT(number(line_of("1003", 2), "h"), number(line_of("1003", 1), "h"));
}

TEST_F(ButtonBoxLayout, LongLabelsWidenButtonsAndDialogWithinItsMargins) {
  const std::string label(30, 'W');
  const RunResult r = run({"VeUtl_Ask", "MESSAGE=m", "VeUtl_Ask",
                           "MESSAGE=m OK=" + label + " CANCEL='" + std::string(30, 'x') +
                               "' OTHER='Do something else entirely'",
                           "VeUtl_Ask", "MESSAGE=m OK='Save and close the document now'"},
                          "report;1=click|report;1=click|report;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  for (int n = 0; n < 3; ++n) expect_tidy(n);
  EXPECT_EQ(field(line_of("1", 1), "text"), label);
  EXPECT_GT(number(line_of("dialog", 1), "w"), number(line_of("dialog", 0), "w"));
  EXPECT_GT(number(line_of("1", 1), "w"), number(line_of("1", 0), "w"));
  // Alone, a long OK finds room where the hidden buttons would be.
  EXPECT_GT(number(line_of("1", 2), "w"), number(line_of("1", 0), "w"));
  EXPECT_EQ(number(line_of("dialog", 2), "w"), number(line_of("dialog", 0), "w"));
}

TEST_F(ButtonBoxLayout, JapaneseTextsAreMeasuredInTheirOwnFont) {
  const RunResult r = run({"--lang", "ja", "VeUtl_Answer", "MESSAGE=確認", "VeUtl_Answer",
                           "MESSAGE='変更を保存しますか？\\n保存しないと変更は失われます。' "
                           "DESCRIPTION='この操作は取り消せません。' CANCEL OTHER=破棄"},
                          "report;1=click|report;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  expect_tidy(0);
  expect_tidy(1);
  EXPECT_GT(number(line_of("dialog", 1), "h"), number(line_of("dialog", 0), "h"));
}

TEST_F(ButtonBox, DescriptionHiddenWhenEmptyAndOwnedByTheDocumentWindow) {
  const RunResult r = run({"--window", "VeUtl_Ask", "MESSAGE=m"}, "report;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(field(line_of("1004"), "visible"), "0");
  EXPECT_EQ(field(line_of("dialog"), "transient"), "1");
}

TEST_F(ButtonBox, JapaneseTemplateAndSwappedNames) {
  // In Japanese the button box is registered as VeUtl_Answer.
  const RunResult r = run({"--lang", "ja", "VeUtl_Answer", "MESSAGE=m CANCEL"}, "report;2=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "CANCEL\n");
  EXPECT_EQ(field(line_of("dialog"), "title"), "メッセージ");
  EXPECT_EQ(field(line_of("2"), "text"), "キャンセル");
}

TEST_F(ButtonBoxLayout, InputBoxPromptOfSeveralLinesPushesTheFieldDown) {
  const RunResult r = run({"VeUtl_Answer", "MESSAGE=Name", "VeUtl_Answer",
                           "MESSAGE='Please type the name of the customer whose records should "
                           "be exported to the new file, as it is written on the invoice'",
                           "VeUtl_Answer", "MESSAGE='Name\\nas on the invoice'"},
                          "report;2=click|report;2=click|report;2=click");
  ASSERT_EQ(r.status, 0) << r.err;
  for (int n = 0; n < 3; ++n) expect_tidy(n);
  for (int n = 1; n < 3; ++n) {
    EXPECT_GT(number(line_of("1007", n), "y"), number(line_of("1007", 0), "y")) << n;
    EXPECT_GT(number(line_of("dialog", n), "h"), number(line_of("dialog", 0), "h")) << n;
  }
}

using InputBox = DialogTest;

TEST_F(InputBox, TypedTextComesBackAndCancelIsAnError) {
  const RunResult r = run({"VeUtl_Answer", "MESSAGE='Your name' DEFAULT=abc", "VeUtl_Answer",
                           "MESSAGE=x", "VeUtl_Answer", "MESSAGE=x", "VeUtl_Answer", "MESSAGE=x",
                           "VeUtl_Answer", "MESSAGE=x DEFAULT=keep"},
                          "report;1007=text:hello world;1=click|2=click|key:Escape|close|1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0], "hello world");
  EXPECT_EQ(out[1], "ERROR=-128 MESSAGE='The user cancelled.'");
  EXPECT_EQ(out[2].rfind("ERROR=-128", 0), 0u);
  EXPECT_EQ(out[3].rfind("ERROR=-128", 0), 0u);
  EXPECT_EQ(out[4], "keep");
  EXPECT_EQ(field(line_of("1007"), "text"), "abc");
  EXPECT_EQ(field(line_of("1003"), "text"), "Your name");
  EXPECT_EQ(field(line_of("dialog"), "title"), "Input Message");
}

TEST_F(InputBox, EmptyFieldWithoutNeedSomethingIsAnEmptyAnswer) {
  const RunResult r = run({"VeUtl_Answer", "MESSAGE=x",
                           "VeUtl_Calc"
                           "Point",
                           "1,2"},
                          "1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out).at(0), "");
}

TEST_F(InputBox, NeedSomethingEnablesOkOnlyWithText) {
  const RunResult r = run({"VeUtl_Answer", "MESSAGE=x NEEDSOMETHING"},
                          "report;key:Return;1007=text:a;report;1007=text:;report;"
                          "1007=text:ok;key:Return");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ok\n");  // Return on the empty field kept the dialog open
  EXPECT_EQ(field(line_of("1", 0), "sensitive"), "0");
  EXPECT_EQ(field(line_of("1", 1), "sensitive"), "1");
  EXPECT_EQ(field(line_of("1", 2), "sensitive"), "0");
}

TEST_F(InputBox, PasswordMasksOnlyWhenSet) {
  const RunResult r = run({"VeUtl_Answer", "MESSAGE=x PASSWORD", "VeUtl_Answer",
                           "MESSAGE=x PASSWORD=NO OK=Go CANCEL=Stop"},
                          "report;1007=text:secret;1=click|report;2=click");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out).at(0), "secret");
  EXPECT_EQ(field(line_of("1007", 0), "masked"), "1");
  EXPECT_EQ(field(line_of("1007", 1), "masked"), "0");
  EXPECT_EQ(field(line_of("1", 1), "text"), "Go");
  EXPECT_EQ(field(line_of("2", 1), "text"), "Stop");
}

TEST_F(InputBox, LongAnswerIsCutTo254BytesAndJapaneseComesBackWhole) {
  const std::string typed(300, 'x');
  const RunResult r = run({"VeUtl_Answer", "MESSAGE=x", "VeUtl_Answer", "MESSAGE=x"},
                          "1007=text:" + typed + ";1=click|1007=text:日本語;1=click");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], std::string(254, 'x'));
  EXPECT_EQ(out[1], "日本語");
}

}  // namespace
