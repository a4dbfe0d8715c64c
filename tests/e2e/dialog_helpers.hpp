// Running fmhost with dialogs under a private Xvfb, driven by the automation hook, and
// reading the state reports the hook writes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fmhost_runner.hpp"
#include "xvfb_display.hpp"

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = std::make_unique<XvfbDisplay>();
    ASSERT_TRUE(display_->ok()) << "Xvfb could not be started";
    report_path_ = "/tmp/velmora-dialog-report-" + std::to_string(::getpid()) + ".txt";
    std::remove(report_path_.c_str());
  }
  void TearDown() override { std::remove(report_path_.c_str()); }

  // Runs fmhost with `args`, the dialogs driven by `script`.
  RunResult run(std::vector<std::string> args, const std::string& script,
                std::vector<std::pair<std::string, std::string>> env = {}) {
    env.emplace_back("DISPLAY", display_->name());
    env.emplace_back("WAYLAND_DISPLAY", "");
    env.emplace_back("VELMORA_UI_SCRIPT", script);
    env.emplace_back("VELMORA_UI_REPORT", report_path_);
    env.emplace_back("VELMORA_UI_TIMEOUT", "10");
    // The colour chooser remembers colours in the user's settings: not from a test.
    env.emplace_back("GSETTINGS_BACKEND", "memory");
    return run_fmhost(std::move(args), std::move(env));
  }

  // Runs fmhost with dialogs that something outside drives; the hook only waits, and
  // dismisses a dialog that nothing reached.
  RunResult run_dialogs(std::vector<std::string> args) {
    return run(std::move(args), "wait:9000", {{"VELMORA_UI_TIMEOUT", "1"}});
  }

  std::string report() const {
    std::ifstream in(report_path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // The `n`th (0-based) report's line for control `id` or the dialog line ("dialog").
  std::string line_of(const std::string& id, int n = 0) const {
    std::istringstream in(report());
    std::string line;
    int dialogs = -1;
    while (std::getline(in, line)) {
      if (line.rfind("dialog ", 0) == 0) ++dialogs;
      if (dialogs != n) continue;
      if (id == "dialog" && line.rfind("dialog ", 0) == 0) return line;
      if (line.rfind("control " + id + " ", 0) == 0) return line;
    }
    return {};
  }

  // The value of `key=` in a report line: up to the next blank, or between quotes.
  static std::string field(const std::string& line, const std::string& key) {
    const std::string marker = " " + key + "=";
    const std::size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    std::size_t start = at + marker.size();
    if (start < line.size() && line[start] == '\'') {
      const std::size_t end = line.find('\'', start + 1);
      return line.substr(start + 1, end - start - 1);
    }
    return line.substr(start, line.find(' ', start) - start);
  }
  static int number(const std::string& line, const std::string& key) {
    return std::atoi(field(line, key).c_str());
  }

  std::unique_ptr<XvfbDisplay> display_;
  std::string report_path_;
};

// Headless runs: no display variable at all.
inline RunResult run_headless(std::vector<std::string> args) {
  return run_fmhost(std::move(args), {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
}
