// The host program end to end: the real fmhost loading the real module.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fmhost_runner.hpp"

namespace {

// Names by function ID, as the English string table gives them.
constexpr std::array<const char*, 42> kNames = {"VeImg_DrawImage",
                                                "VeImg_GrabImage",
                                                "VeImg_SaveImage",
                                                "VeImg_ImageInfo",
                                                "VeImg_ExifInfo",
                                                "VeImg_PreviewImage",
                                                "VeImg_CompressImage",
                                                "VeImg_CompressImageDialog",
                                                "VeImg_CheckArea",
                                                "VeImg_GetMousePos",
                                                "VeImg_Effect",
                                                "VeUtl_Version",
                                                "VeUtl_Tag",
                                                "VeUtl_TagList",
                                                "VeUtl_VolumeCount",
                                                "VeUtl_GetVolume",
                                                "VeUtl_FolderItemCount",
                                                "VeUtl_GetFolderItem",
                                                "VeUtl_FileInfo",
                                                "VeUtl_RenameFile",
                                                "VeUtl_CopyFile",
                                                "VeUtl_MoveFile",
                                                "VeUtl_NewFolder",
                                                "VeUtl_DeleteFile",
                                                "VeUtl_EjectVolume",
                                                "VeUtl_CalcColor",
                                                "VeUtl_CalcPoint",
                                                "VeUtl_CalcRect",
                                                "VeUtl_OpenFileDialog",
                                                "VeUtl_OpenFolderDialog",
                                                "VeUtl_SaveFileDialog",
                                                "VeUtl_FindFile",
                                                "VeUtl_UploadFile",
                                                "VeUtl_DownloadFile",
                                                "VeUtl_LaunchApp",
                                                "VeUtl_QuitApp",
                                                "VeUtl_PickColor",
                                                "VeUtl_OpenProgress",
                                                "VeUtl_UpdateProgress",
                                                "VeUtl_CloseProgress",
                                                "VeUtl_Answer",
                                                "VeUtl_Ask"};

constexpr std::array<int, 42> kRegistrationOrder = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 28, 29, 30, 31, 14, 15, 16,
    17, 18, 19, 20, 21, 22, 23, 24, 32, 33, 34, 35, 36, 25, 26, 27, 37, 38, 39, 41, 40};

std::string temp_file(const std::string& name, const std::string& content) {
  const std::string path = ::testing::TempDir() + "fmhost_" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

int count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size())) {
    ++n;
  }
  return n;
}

TEST(HostList, AllFunctionsInRegistrationOrder) {
  const RunResult r = run_fmhost({"--list"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 42u);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const int id = kRegistrationOrder[i];
    const std::string name = kNames[static_cast<std::size_t>(id)];
    EXPECT_EQ(out[i], std::to_string(id) + " " + name + " " + name + "( Parameter )");
  }
}

TEST(HostList, JapaneseTableExchangesAskAndAnswer) {
  const RunResult r = run_fmhost({"--lang", "ja", "--list"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto out = lines(r.out);
  ASSERT_EQ(out.size(), 42u);
  EXPECT_EQ(out[40], "41 VeUtl_Answer VeUtl_Answer( 引数 )");
  EXPECT_EQ(out[41], "40 VeUtl_Ask VeUtl_Ask( 引数 )");
  EXPECT_EQ(out[0], "0 VeImg_DrawImage VeImg_DrawImage( 引数 )");
  // The name a function is called by follows the table: VeUtl_Ask is ID 40 here.
  const RunResult en = run_fmhost({"--list"});
  EXPECT_EQ(lines(en.out)[41], "40 VeUtl_Answer VeUtl_Answer( Parameter )");
}

TEST(HostInit, AnswerDependsOnHostVersion) {
  // A 64-bit module answers the first interface with 64-bit records, whatever newer
  // version the host has.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"49", "INIT=-1"},  {"50", "INIT=53"}, {"255", "INIT=53"},
      {"256", "INIT=-1"}, {"52", "INIT=53"}, {"71", "INIT=53"}};
  for (const auto& [version, expected] : cases) {
    const RunResult r = run_fmhost({"--init-only", "--host-version", version});
    EXPECT_EQ(r.status, 0) << version;
    EXPECT_EQ(r.out, expected + "\n") << version;
  }
  // Without --init-only a refusal ends the run before any call.
  const RunResult refused = run_fmhost({"--host-version", "49", "VeUtl_Version", ""});
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("-1"), std::string::npos) << refused.err;
}

TEST(HostStrings, NumberedStringsAndBufferSize) {
  EXPECT_EQ(run_fmhost({"--string", "128"}).out, "Velmora's FileMaker Plug-in 2\n");
  EXPECT_EQ(run_fmhost({"--string", "131"}).out, "VImg1YnYYnn\n");
  EXPECT_EQ(run_fmhost({"--string", "130"}).out, "\n");
  const RunResult description = run_fmhost({"--string", "129"});
  // The description holds a line feed; it is printed as it is.
  EXPECT_EQ(description.out,
            "The graphics file of the various formats is taken in, and it lets me indicate it "
            "directly in the window.\nAnd, the function which is convenient for control of a "
            "file is full, too.\n");
  EXPECT_EQ(run_fmhost({"--string", "128", "--buffer", "10"}).out, "Velmora's\n");
  EXPECT_EQ(run_fmhost({"--buffer", "10", "--string", "131"}).out, "VImg1YnYY\n");
  EXPECT_EQ(run_fmhost({"--string", "128", "--buffer", "1"}).out, "\n");
  const RunResult ja = run_fmhost({"--lang", "ja", "--string", "129"});
  EXPECT_EQ(ja.out.rfind("様々なフォーマットの画像ファイル", 0), 0u) << ja.out;
}

TEST(HostCalls, PairsRunInOrderOneLineEach) {
  const RunResult r =
      run_fmhost({"VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH", "VeUtl_TagList",
                  "NAME='a' kind=file", "VeUtl_CalcRect", "RECT=10,20,110,220 HEIGHT"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"100", "NAME KIND", "200"}));
}

TEST(HostCalls, NamesMatchWithoutRegardToCase) {
  const RunResult r = run_fmhost({"veutl_calcrect", "RECT=0,0,5,5 WIDTH"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "5\n");
}

TEST(HostCalls, JapaneseTextSurvivesTheCall) {
  // "表" is 0x95 0x5C in code page 932: its second byte is a backslash.  The host's native
  // text is UTF-8 here, so this holds only because the module asks for code page 932.
  for (const char* version : {"53", "71"}) {
    const RunResult r = run_fmhost({"--host-version", version, "VeUtl_Tag", "TAG=N N='表示ソ'"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "表示ソ\n") << version;
  }
  // What code page 932 cannot hold arrives as '?'.
  EXPECT_EQ(run_fmhost({"VeUtl_Tag", "TAG=N N=😀x"}).out, "?x\n");
}

TEST(HostCalls, NoResultPrintsAnEmptyLine) {
  const RunResult r = run_fmhost({"VeUtl_Tag", "TAG=MISSING A=1", "VeUtl_TagList", "A=1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\nA\n");
}

// 64-bit hosts never send the legacy call form and have no handles to carry it.
TEST(HostLegacy, OnlyThirtyTwoBitHostsHaveIt) {
  const RunResult r = run_fmhost({"--legacy", "VeUtl_CalcRect", "RECT=10,20,110,220 WIDTH"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("32-bit"), std::string::npos) << r.err;
}

TEST(HostScript, CommentsBlankLinesAndEmptyParameters) {
  const std::string script =
      "# a comment\n"
      "\n"
      "VeUtl_CalcRect RECT=10,20,110,220 WIDTH\r\n"
      "   \n"
      "VeUtl_TagList  B=1 c=2\n"
      "VeUtl_TagList\n"
      "VeUtl_TagList \n"
      "VeUtl_Tag TAG=X X='a  b'";
  const std::string path = temp_file("script.txt", script);
  const RunResult r = run_fmhost({"--script", path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"100", "B C", "", "", "a  b"}));

  // The same from standard input, named or implied.
  EXPECT_EQ(run_fmhost({"--script", "-"}, {}, script).out, r.out);
  EXPECT_EQ(run_fmhost({}, {}, script).out, r.out);
  EXPECT_EQ(run_fmhost({"--script", "/nonexistent/script"}).status, 2);
}

TEST(HostScript, StopsAtAnUnknownFunction) {
  const RunResult r =
      run_fmhost({}, {}, "VeUtl_CalcRect RECT=0,0,3,3 WIDTH\nVeUtl_Nothing x\nVeUtl_Version x\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, "3\n");
  EXPECT_NE(r.err.find("VeUtl_Nothing"), std::string::npos) << r.err;
}

// Runs fmhost on a pseudo-terminal so that it shows its prompt; answers what it wrote
// there (prompt, echo and results together) and its exit status.
RunResult run_on_terminal(const std::string& typed) {
  RunResult r;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execl(FMHOST_PATH, FMHOST_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return r;
  (void)!write(master, typed.data(), typed.size());
  char buf[4096];
  for (int idle_rounds = 0; idle_rounds < 100;) {  // gives up after 10 s of silence
    pollfd p{master, POLLIN, 0};
    const int ready = poll(&p, 1, 100);
    if (ready == 0) {
      ++idle_rounds;
      continue;
    }
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;  // the child closed the terminal
    r.out.append(buf, static_cast<std::size_t>(n));
  }
  // The terminal closes a little before the process ends.
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 100 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i) usleep(100000);
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    r.status = -1;
  } else {
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  close(master);
  return r;
}

TEST(HostPrompt, RunsLinesUntilQuit) {
  const RunResult r = run_on_terminal(
      "VeUtl_CalcRect RECT=0,0,4,7 HEIGHT\nNope x\nVeUtl_TagList q=1\nquit\n"
      "VeUtl_TagList never=1\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_GE(count(r.out, "fmhost> "), 4) << r.out;
  EXPECT_NE(r.out.find("fmhost> 7\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("unknown function Nope"), std::string::npos) << r.out;  // and goes on
  EXPECT_NE(r.out.find("fmhost> Q\r\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("NEVER"), std::string::npos) << r.out;
}

TEST(HostIdle, EventsFollowCallsAndScripts) {
  const auto idle_lines = [](const RunResult& r) { return count(r.err, "FMXT_UserNotIdle"); };
  EXPECT_EQ(idle_lines(run_fmhost({"--debug", "VeUtl_Version", "", "VeUtl_Version", ""})), 0);
  EXPECT_EQ(idle_lines(run_fmhost({"--debug", "--idle", "VeUtl_Version", "", "VeUtl_Version", ""})),
            2);
  EXPECT_EQ(idle_lines(run_fmhost({"--debug", "--idle", "--idle-level", "2", "VeUtl_Version", ""})),
            0);
  // A script ends with one idle event of level 1.
  EXPECT_EQ(idle_lines(run_fmhost({"--debug"}, {}, "VeUtl_Version\nVeUtl_Version\n")), 1);
  // Without --debug the module keeps quiet.
  EXPECT_EQ(idle_lines(run_fmhost({"--idle", "VeUtl_Version", ""})), 0);
}

TEST(HostFaults, MemoryFailuresReachTheEnvelope) {
  // The first block is the module's work block for the call (from its own heap, which
  // our host makes fail through its services table).
  const RunResult block = run_fmhost({"--fail", "block:1", "VeUtl_CalcRect", "RECT=0,0,3,3 WIDTH",
                                      "VeUtl_CalcRect", "RECT=0,0,3,3 WIDTH"});
  EXPECT_EQ(block.status, 0);
  const auto out = lines(block.out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].rfind("ERROR=-108", 0), 0u) << out[0];
  EXPECT_EQ(out[1], "3");  // only the Nth call fails

  const RunResult env =
      run_fmhost({"VeUtl_CalcRect", "RECT=0,0,3,3 WIDTH"}, {{"FMWRAPPER_FAIL", "block:1"}});
  EXPECT_EQ(env.out.rfind("ERROR=-108", 0), 0u) << env.out;
}

TEST(HostUsage, ExitCodes) {
  EXPECT_EQ(run_fmhost({"--bogus"}).status, 2);
  EXPECT_EQ(run_fmhost({"VeUtl_Version"}).status, 2);  // a name without its parameter
  EXPECT_EQ(run_fmhost({"--host-version", "x"}).status, 2);
  EXPECT_EQ(run_fmhost({"--string", "256"}).status, 2);
  EXPECT_EQ(run_fmhost({"--lang", "fr"}).status, 2);
  EXPECT_EQ(run_fmhost({"--script"}).status, 2);

  const RunResult unknown = run_fmhost({"VeUtl_CalcRect", "RECT=0,0,3,3 WIDTH", "Nope", "x"});
  EXPECT_EQ(unknown.status, 4);
  EXPECT_EQ(unknown.out, "3\n");
  EXPECT_NE(unknown.err.find("unknown function Nope"), std::string::npos) << unknown.err;

  const RunResult missing = run_fmhost({"--module", "/nonexistent/VELMORA2.fmx", "--list"});
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.err.find("/nonexistent/VELMORA2.fmx"), std::string::npos);

  // A library that is not a module: it loads but has no entry.
  std::string not_module = FMHOST_PATH;
  not_module = not_module.substr(0, not_module.rfind('/') + 1) + "libFMWrapper.so";
  const RunResult no_entry = run_fmhost({"--module", not_module, "--list"});
  EXPECT_EQ(no_entry.status, 3);
  EXPECT_NE(no_entry.err.find("FMExternCallProc"), std::string::npos) << no_entry.err;

  const RunResult help = run_fmhost({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--script FILE"), std::string::npos);
}

TEST(HostUsage, ParameterMayLookLikeAnOption) {
  const RunResult r = run_fmhost({"VeUtl_TagList", "--list"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines(r.out).size(), 1u);
}

}  // namespace
