// The runner through the real host: envelopes, records, long parameters, the module's
// version data, and host failures that must never escape into the host.
#include <gtest/gtest.h>

#include <string>

#include "fmhost_runner.hpp"

namespace {

std::string first_line(const std::string& out) {
  return out.substr(0, out.find('\n'));
}

TEST(RunnerE2E, EnvelopeAndArgsThroughTheHost) {
  const RunResult r = run_fmhost({"VeUtl_CalcRect", "RECT=0,0,5,5 | RECT=1,1,0,0", "VeUtl_CalcRect",
                                  "RECT=0,0,0,0 | RECT=1,1,5,5", "VeUtl_CalcRect", "A=1|",
                                  "VeUtl_CalcRect", "A=1| B=2"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0], "ERROR=-50 MESSAGE='The parameter is not valid.' ARGS=2");
  EXPECT_EQ(out[1], "ERROR=-50 MESSAGE='The parameter is not valid.' ARGS=1");
  EXPECT_EQ(out[2], "ERROR=-50 MESSAGE='The parameter is not valid.'");
  EXPECT_EQ(out[3], "ERROR=-50 MESSAGE='The parameter is not valid.' ARGS=1");
}

TEST(RunnerE2E, VersionComesFromTheModulesOwnData) {
  const RunResult r =
      run_fmhost({"VeUtl_Version", "", "VeUtl_Version", "DEBUG=no", "VeUtl_Version", "DEBUG"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], "VERSION=2, 0, 1, 2");
  EXPECT_EQ(out[1], "VERSION=2, 0, 1, 2");
  EXPECT_EQ(out[2], "VERSION=2, 0, 1, 2 PLATFORM=x86");
}

TEST(RunnerE2E, ParametersOfAnyLength) {
  const std::string big = "RECT=1,2,30,40 WIDTH PAD='" + std::string(100000, 'x') + "'";
  for (const char* form : {"--idle", "--debug"}) {
    const RunResult r = run_fmhost({form, "VeUtl_CalcRect", big});
    ASSERT_EQ(r.status, 0) << form << r.err;
    EXPECT_EQ(r.out, "29\n") << form;
  }
  // A long answer comes back whole too.
  const std::string value(70000, 'v');
  const RunResult tag = run_fmhost({"VeUtl_Tag", "TAG=A A=" + value});
  EXPECT_EQ(tag.out, value + "\n");
}

TEST(RunnerE2E, JapaneseMessagesAndShiftJisAnswers) {
  const RunResult r = run_fmhost(
      {"--lang", "ja", "VeUtl_CalcPoint", "POINT=5", "VeUtl_Tag", "TAG=NAME NAME='表示\\\\x'"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], "ERROR=-50 MESSAGE='パラメータが正しくありません。'");
  EXPECT_EQ(out[1], "表示\\x");
}

// Every host text call may fail; whichever one does, the host gets an answer or nothing,
// never a crash, and at least the failures inside the call surface as -108.
TEST(RunnerE2E, HostTextFailuresNeverEscape) {
  int envelopes = 0;
  for (int n = 1; n <= 40; ++n) {
    const std::string spec = "text:" + std::to_string(n);
    const RunResult r = run_fmhost({"--fail", spec, "VeUtl_CalcRect", "RECT=0,0,3,3 WIDTH"});
    ASSERT_TRUE(r.status == 0 || r.status == 5) << spec << " status " << r.status << r.err;
    const std::string line = first_line(r.out);
    if (r.status == 0) {
      EXPECT_TRUE(line == "3" || line.empty() || line.rfind("ERROR=-108", 0) == 0)
          << spec << ": " << line;
    }
    if (line.rfind("ERROR=-108", 0) == 0) ++envelopes;
  }
  EXPECT_GT(envelopes, 0);
}

TEST(RunnerE2E, NothingIsLeftAllocatedAfterShutdown) {
  for (const char* form : {"--idle", "--debug"}) {
    const RunResult r = run_fmhost(
        {"--debug", form, "VeUtl_CalcRect", "RECT=0,0,0,0 | X", "VeUtl_TagList", "A B C"});
    ASSERT_EQ(r.status, 0) << form << r.err;
    EXPECT_EQ(r.err.find("not given back"), std::string::npos) << form << r.err;
    EXPECT_EQ(lines(r.out).size(), 2u) << form;
  }
}

}  // namespace
