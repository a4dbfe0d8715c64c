// VeUtl_PickColor with GTK's colour chooser under Xvfb.
#include "dialog_helpers.hpp"

namespace {

using PickColor = DialogTest;

TEST_F(PickColor, StartsOnTheGivenColourAndAnswersTheChoice) {
  const RunResult r = run({"--window", "VeUtl_PickColor", "COLOR=10,20,30 MESSAGE='Pick one'",
                           "VeUtl_PickColor", "COLOR=#336699", "VeUtl_PickColor", "COLOR=10,20"},
                          "report;response:ok|report;color:#ff8000;response:ok|report;response:ok");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"10,20,30", "255,128,0", "255,255,255"}));
  EXPECT_EQ(field(line_of("dialog", 0), "title"), "Pick one");
  EXPECT_EQ(field(line_of("dialog", 0), "color"), "10,20,30");
  EXPECT_EQ(field(line_of("dialog", 0), "transient"), "1");
  EXPECT_EQ(field(line_of("dialog", 1), "color"), "51,102,153");
  EXPECT_EQ(field(line_of("dialog", 1), "title"), "Color");  // the usual title, not the program's
  // An invalid colour starts on white.
  EXPECT_EQ(field(line_of("dialog", 2), "color"), "255,255,255");
}

TEST_F(PickColor, CancelAndEscapeAreUserCancelled) {
  const RunResult r =
      run({"VeUtl_PickColor", "COLOR=1,2,3", "VeUtl_PickColor", ""}, "response:cancel|key:Escape");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], "ERROR=-128 MESSAGE='The user cancelled.'");
  EXPECT_EQ(out[1], "ERROR=-128 MESSAGE='The user cancelled.'");
}

TEST(PickColorHeadless, NoDisplayAnswersAtOnce) {
  const RunResult r = run_headless({"VeUtl_PickColor", "COLOR=1,2,3"});
  EXPECT_EQ(r.out, "ERROR=-7 MESSAGE='No display is available for windows or dialogs.'\n");
}

}  // namespace
