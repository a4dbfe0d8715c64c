// The runner's record loop, envelope and Tag/TagList/Version handlers.
#include "host/runner.hpp"

#include <gtest/gtest.h>

#include "files/version_block.hpp"
#include "run_handlers.hpp"

namespace velmora {
namespace {

using testing::run;

constexpr int kVersion = 11;
constexpr int kTag = 12;
constexpr int kTagList = 13;
constexpr int kCalcRect = 27;

TEST(Envelope, MessagesAndArgs) {
  EXPECT_EQ(run(kCalcRect, "RECT=0,0,0,0"), "ERROR=-50 MESSAGE='The parameter is not valid.'");
  // A failure in the second record carries the record number.
  EXPECT_EQ(run(kCalcRect, "RECT=0,0,5,5 | RECT=1,1,0,0"),
            "ERROR=-50 MESSAGE='The parameter is not valid.' ARGS=2");
  // A failure in the first of two records ends with ARGS=1.
  EXPECT_EQ(run(kCalcRect, "RECT=0,0,0,0 | RECT=1,1,5,5"),
            "ERROR=-50 MESSAGE='The parameter is not valid.' ARGS=1");
  // A trailing bar adds nothing.
  EXPECT_EQ(run(kCalcRect, "RECT=0,0,0,0 |"), "ERROR=-50 MESSAGE='The parameter is not valid.'");
  // A code without a message, and positive codes, stand alone.
  EXPECT_EQ(run(kCalcRect, "RECT=0,0,5,5 | RECT=1,1,0,0 | RECT=1,1,5,5").substr(0, 9), "ERROR=-50");
  EXPECT_EQ(run(99, "A"), "ERROR=-50 MESSAGE='The parameter is not valid.'");
}

TEST(Envelope, NotImplementedFunctionsSayAsMuch) {
  // Every function is built now; the envelope a missing one would get is still defined.
  const params::Store none;
  EXPECT_EQ(host::build_envelope(kNotImplemented, none, false),
            "ERROR=-4 MESSAGE='This function is not implemented yet.'");
}

TEST(Runner, LastRecordsAnswerWins) {
  EXPECT_EQ(run(kCalcRect, "RECT=0,0,5,5 | RECT=1,1,9,9"), "1,1,9,9");
}

TEST(Runner, ParameterLongerThan32KWorks) {
  std::string big = "RECT=1,2,3,4 PAD='" + std::string(70000, 'x') + "'";
  EXPECT_EQ(run(kCalcRect, big), "1,2,3,4");
}

TEST(Tag, PicksItemsOutOfAnswers) {
  EXPECT_EQ(run(kTag, "TAG=SIZE NAME='a.txt' KIND=file SIZE=1200"), "1200");
  EXPECT_EQ(run(kTag, "SIZE NAME='a.txt' SIZE=1200"), "1200");
  EXPECT_EQ(run(kTag, "SIZE"), "<none>");
  EXPECT_EQ(run(kTag, "TAG=PATH PATH='C:\\\\Data\\\\a.txt'"), "C:\\\\Data\\\\a.txt");
  EXPECT_EQ(run(kTag, "TAG=NAME NAME='C:\\\\x'"), "C:\\x");
  EXPECT_EQ(run(kTag, "TAG=path PATH=x"), "x");
  EXPECT_EQ(run(kTag, "TAG=SIZE SIZE"), "SIZE");
  EXPECT_EQ(run(kTag, "TAG=MISSING A=1"), "<none>");
}

TEST(TagList, NamesInOrder) {
  EXPECT_EQ(run(kTagList, "NAME='a' KIND=file"), "NAME KIND");
  EXPECT_EQ(run(kTagList, ""), "<none>");
  EXPECT_EQ(run(kTagList, "a=1 b c=2 a=3"), "A B C");
}

TEST(Version, FromTheVersionBlock) {
  using namespace std::string_view_literals;
  using namespace std::string_literals;
  // Assembled at run time: the marker must not appear in this program's own file.
  std::string block = "VELMORA-VERSION-";
  block += "BLOCK"s + '\0' + "Translation=0409,04B0"s + '\0';
  block += "StringFileInfo\\040904b0\\FileVersion=2, 0, 1, 2"s + '\0' + '\0';
  EXPECT_EQ(files::file_version_from_block(block), "2, 0, 1, 2");
  EXPECT_EQ(files::file_version_from_block("Translation=0409,04b0\0"sv), "");
  EXPECT_EQ(files::file_version_from_block("StringFileInfo\\040904b0\\FileVersion=1\0"sv), "");
  // The test program carries no version block of the module.
  EXPECT_EQ(run(kVersion, ""), "VERSION=unknown");
  EXPECT_EQ(run(kVersion, "DEBUG"), "VERSION=unknown PLATFORM=x86");
  EXPECT_EQ(run(kVersion, "DEBUG=NO"), "VERSION=unknown");
}

}  // namespace
}  // namespace velmora
