// The input box typed into from outside with xdotool, as a person at the keyboard
// would: real X key events through the X server, not the automation hook's steps.
#include <cstdlib>
#include <fstream>
#include <thread>

#include "dialog_helpers.hpp"

namespace {

class XdotoolInput : public DialogTest {
 protected:
  // Runs fmhost with one dialog titled `title`, presses `keys` in it through the X server
  // and answers fmhost's result.
  RunResult press_keys(const std::string& title, const std::string& keys,
                       std::vector<std::string> args) {
    RunResult r;
    std::thread host([&] { r = run_dialogs(std::move(args)); });
    // The keys go to whatever has the focus, as a keyboard's do (XTEST, not events sent
    // to one window).  The pause lets a loaded machine finish mapping the dialog and
    // placing its first focus before the first key arrives.
    const std::string x = "DISPLAY=" + display_->name() + " timeout 10 xdotool ";
    const std::string command = x + "search --sync --onlyvisible --name '^" + title +
                                "$' windowfocus --sync && sleep 1 && " + x + "key --delay 80 " +
                                keys;
    const int pressed = std::system(command.c_str());
    host.join();
    EXPECT_EQ(pressed, 0) << command;
    return r;
  }
};

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

TEST_F(XdotoolInput, ReturnPressesOkAndTabWalksTheButtonsInTemplateOrder) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
  const std::vector<std::string> save = {"--window", "VeUtl_Ask",
                                         "MESSAGE='Save changes?' CANCEL OTHER=Discard"};
  EXPECT_EQ(press_keys("Message", "Return", save).out, "OK\n");
  EXPECT_EQ(press_keys("Message", "Return", {"VeUtl_Ask", "MESSAGE='Delete it?' CANCEL"}).out,
            "OK\n");
  // OK, then Cancel, then Other: the order of the template, not of the places.
  EXPECT_EQ(press_keys("Message", "Tab Return", save).out, "CANCEL\n");
  EXPECT_EQ(press_keys("Message", "Tab Tab Return", save).out, "OTHER\n");
  EXPECT_EQ(press_keys("Message", "Tab Tab Tab Return", save).out, "OK\n");
  EXPECT_EQ(press_keys("Message", "Escape", save).out, "CANCEL\n");
  // Japanese: the same keys, the same answers.
  EXPECT_EQ(
      press_keys("メッセージ", "Return", {"--lang", "ja", "VeUtl_Answer", "MESSAGE=m CANCEL OTHER"})
          .out,
      "OK\n");
}

TEST_F(XdotoolInput, InputBoxReturnConfirmsTheDefaultAndEscapeCancels) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
  const std::vector<std::string> ask = {"VeUtl_Answer", "MESSAGE='Your name' DEFAULT=Sato"};
  EXPECT_EQ(press_keys("Input Message", "Return", ask).out, "Sato\n");
  EXPECT_EQ(press_keys("Input Message", "Escape", ask).out.rfind("ERROR=-128", 0), 0u);
  // From the field, Tab reaches OK and then Cancel.
  EXPECT_EQ(press_keys("Input Message", "Tab Tab Return", ask).out.rfind("ERROR=-128", 0), 0u);
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
