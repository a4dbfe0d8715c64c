// CalcPoint, CalcRect and CalcColor through the runner's handler loop.
#include <gtest/gtest.h>

#include "run_handlers.hpp"

namespace velmora {
namespace {

using testing::run;

constexpr int kCalcColor = 25;
constexpr int kCalcPoint = 26;
constexpr int kCalcRect = 27;

struct Case {
  const char* parameter;
  const char* expected;
};

TEST(CalcRect, QueriesSettersAndOperations) {
  const Case cases[] = {
      {"RECT=10,20,110,220", "10,20,110,220"},
      {"10,20,110,220 WIDTH", "100"},
      {"RECT=10,20,110,220 WIDTH=50", "10,20,60,220"},
      {"RECT=10,20,110,220 HEIGHT=-5", "0,0,0,0"},
      {"RECT=10,20,110,220 TOPLEFT", "10,20"},
      {"RECT=10,20,110,220 BOTTOMRIGHT", "110,220"},
      {"RECT=10,20,110,220 TOPLEFT=0,0", "0,0,110,220"},
      {"RECT=0,0,100,100 OFFSET=5,7 LEFT", "0"},
      {"RECT=0,0,100,100 INSET=10", "10,10,90,90"},
      {"RECT=0,0,100,100 INSET=10,20", "10,20,90,80"},
      {"RECT=0,0,100,100 INSET=60", "0,0,0,0"},
      {"RECT=0,0,100,100 INSET=-5", "-5,-5,105,105"},
      {"RECT=0,0,100,100 INTERSECT=50,50,200,200 OFFSET=10,10", "50,50,110,110"},
      {"RECT=0,0,10,10 UNION=20,20,30,30", "0,0,30,30"},
      {"RECT=0,0,10,10 INTERSECT=20,20,30,30", "0,0,0,0"},
      {"RECT=0,0,10,10 INTERSECT=0,0,0,0", "0,0,10,10"},
      {"RECT=0,0,100,100 INSIDE=0,0,100,100", "True"},
      {"RECT=0,0,100,100 INSIDE=1,0,100,100", "False"},
      {"RECT=0,0,100,100 WIDTH=0 INSIDE=0,0,200,200", "False"},
      {"RECT=0,0,100,100 LEFT=left", "0"},
      {"RECT=0,0,100,100 LEFT=40000", "-25536,0,100,100"},
      {"RECT=0,0,10,10 TOPLEFT=x", "0,0,10,10"},
  };
  for (const Case& c : cases) EXPECT_EQ(run(kCalcRect, c.parameter), c.expected) << c.parameter;
}

TEST(CalcRect, EmptyStartIsRefused) {
  for (const char* p : {"RECT=0,0,0,0", "RECT=10,10,5,5", "", "RECT=1,2,3"}) {
    EXPECT_EQ(run(kCalcRect, p).rfind("ERROR=-50", 0), 0u) << p;
  }
}

TEST(CalcPoint, Cases) {
  const Case cases[] = {
      {"POINT=10,20 ADD=5,5 SUB=1,2", "14,23"},
      {"10,20 H", "10"},
      {"POINT=10,20 V=-3", "10,-3"},
      {"POINT=10,20 INSIDE=0,0,10,30", "False"},
      {"POINT=10,20 INSIDE=10,20,11,21", "True"},
      {"POINT=10,20 INSIDE=0,0,0,0", "10,20"},
      {"POINT=32767,0 ADD=1,0", "-32768,0"},
  };
  for (const Case& c : cases) EXPECT_EQ(run(kCalcPoint, c.parameter), c.expected) << c.parameter;
  EXPECT_EQ(run(kCalcPoint, "POINT=5").rfind("ERROR=-50", 0), 0u);
}

TEST(CalcColor, Cases) {
  const Case cases[] = {
      {"COLOR=#FF8000", "255,128,0"},
      {"COLOR=#ff8000", "255,128,0"},
      {"COLOR=255,128,0", "255,128,0"},
      {"COLOR=128", "128,128,128"},
      {"10,20,30 INVERT", "245,235,225"},
      {"COLOR=300,0,0", "44,0,0"},
      {"COLOR=0,0,0 RED=300", "255,0,0"},
      {"COLOR=9,9,9 RED=-5", "0,9,9"},
      {"COLOR=#FF8000 RED", "255"},
      {"COLOR=#FF8000 BLUE=16 GREEN", "128"},
      {"COLOR=255,255,255 DARKEN", "127,127,127"},
      {"COLOR=0,0,0 LIGHTEN", "127,127,127"},
      {"COLOR=255,255,255 LIGHTEN", "255,255,255"},
      {"COLOR=0,0,0 LIGHTEN DARKEN", "63,63,63"},
      {"COLOR=#FF0000 INVERT", "0,255,255"},
      {"COLOR=#FF0000 INVERT=0", "0,255,255"},
      {"COLOR=1,1,1 DARKEN", "0,0,0"},
  };
  for (const Case& c : cases) EXPECT_EQ(run(kCalcColor, c.parameter), c.expected) << c.parameter;
  for (const char* p : {"COLOR=#FF800", "COLOR=10,20"}) {
    EXPECT_EQ(run(kCalcColor, p).rfind("ERROR=-50", 0), 0u) << p;
  }
}

TEST(CalcColor, SwatchWithoutHostWindowIsOutOfMemory) {
  EXPECT_EQ(run(kCalcColor, "COLOR=#3366CC SAMPLE").rfind("ERROR=-108", 0), 0u);
}

}  // namespace
}  // namespace velmora
