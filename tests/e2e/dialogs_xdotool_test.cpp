// The input box typed into from outside with xdotool, as a person at the keyboard
// would: real X key events through the X server, not the automation hook's steps.
#include <cstdlib>
#include <fstream>
#include <thread>

#include "dialog_helpers.hpp"

namespace {

using XdotoolInput = DialogTest;

TEST_F(XdotoolInput, TypedKeysReachTheFieldAndReturnConfirms) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
  RunResult r;
  // The hook only waits, then dismisses the dialog should xdotool never reach it.
  std::thread host([&] {
    r = run({"--window", "VeUtl_Answer", "MESSAGE='Your name' NEEDSOMETHING"}, "wait:8000",
            {{"VELMORA_UI_TIMEOUT", "1"}});
  });
  const std::string command =
      "DISPLAY=" + display_->name() +
      " timeout 10 xdotool search --sync --onlyvisible --name 'Input Message' "
      "windowfocus --sync type --delay 20 'Tanaka Hanako' && DISPLAY=" +
      display_->name() + " xdotool key Return";
  const int typed = std::system(command.c_str());
  host.join();
  EXPECT_EQ(typed, 0);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Tanaka Hanako\n");
}

TEST_F(XdotoolInput, EscapeKeyFromTheServerCancels) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
  RunResult r;
  std::thread host([&] {
    r = run({"VeUtl_Ask", "MESSAGE=Continue? OTHER"}, "wait:8000", {{"VELMORA_UI_TIMEOUT", "1"}});
  });
  const std::string command = "DISPLAY=" + display_->name() +
                              " timeout 10 xdotool search --sync --onlyvisible --name '^Message$' "
                              "windowfocus --sync && DISPLAY=" +
                              display_->name() + " xdotool key Escape";
  const int pressed = std::system(command.c_str());
  host.join();
  EXPECT_EQ(pressed, 0);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "CANCEL\n");
}

}  // namespace
