#include "params/readers.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "params/builder.hpp"
#include "params/text_util.hpp"

namespace velmora::params {
namespace {

class Parsed {
 public:
  explicit Parsed(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
    scratch_.assign(text.size() + 1, 0);
    store.prepare();
    store.parse_first(buffer_.data(), scratch_.data());
  }
  Store store;

 private:
  std::vector<char> buffer_;
  std::vector<char> scratch_;
};

TEST(IntegerConversion, FollowsTheLanguageRules) {
  EXPECT_EQ(to_integer("-0x1F"), -31);
  EXPECT_EQ(to_integer("+0x10"), 10);
  EXPECT_EQ(to_integer("#FF"), 0);
  EXPECT_EQ(to_integer("1,000"), 1000);
  EXPECT_EQ(to_integer(""), 0);
  EXPECT_EQ(to_integer("12.5"), 125);
  EXPECT_EQ(to_integer("1a2"), 12);
  EXPECT_EQ(to_integer("  -7"), -7);
  EXPECT_EQ(to_integer("4294967297"), 1);  // wraps silently
}

TEST(IntegerConversion, ValidNumbers) {
  for (const char* ok : {"", "12", "-12", "+12", "1.5", "0x", "0xfF", " 3"}) {
    EXPECT_TRUE(is_valid_number(ok)) << ok;
  }
  for (const char* bad : {"1.2.3", "12 ", "0xG", "a", "--1", "1,2"}) {
    EXPECT_FALSE(is_valid_number(bad)) << bad;
  }
}

TEST(NumberList, BlanksAndEmptyPieces) {
  std::int32_t n[4] = {};
  EXPECT_EQ(number_list("1, 2", n, 4), 2);
  EXPECT_EQ(number_list("1 ,2", n, 4), 0);
  ASSERT_EQ(number_list("1,,2", n, 4), 3);
  EXPECT_EQ(n[1], 0);
  ASSERT_EQ(number_list("1,2,", n, 4), 3);
  EXPECT_EQ(n[2], 0);
  EXPECT_EQ(number_list("1,2,3,4,5", n, 4), 4);
}

TEST(Readers, PercentageBooleanKeyword) {
  Parsed p("W=50% N=-50% T=33% B1=YES B2=0 B3=OFF B4= F1=no F2=False K=note K2=NOT K3=NOTES");
  EXPECT_EQ(percentage(p.store, "W", 640), 320);
  EXPECT_EQ(percentage(p.store, "N", 640), -320);
  EXPECT_EQ(percentage(p.store, "T", 10), 3);
  EXPECT_EQ(percentage(p.store, "ABSENT", 10), 0);
  for (const char* k : {"B1", "B2", "B3", "B4"}) EXPECT_TRUE(boolean(p.store, k, false)) << k;
  for (const char* k : {"F1", "F2"}) EXPECT_FALSE(boolean(p.store, k, true)) << k;
  EXPECT_TRUE(boolean(p.store, "ABSENT", true));
  constexpr std::string_view list = "STOP,NOTE,CAUTION,QUESTION";
  EXPECT_EQ(keyword(p.store, "K", list), 2);
  EXPECT_EQ(keyword(p.store, "K2", list), 0);
  EXPECT_EQ(keyword(p.store, "K3", list), 0);
}

TEST(Readers, RectanglePointColour) {
  Parsed p("R=0,0,100,50 E=10,10,10,20 S=1,2,3 P=10,20,30 C=#ff8000 G=128 X=1,2 H=#12345");
  Rect r;
  ASSERT_TRUE(rect(p.store, "R", r));
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(r.bottom, 50);
  Rect e{1, 1, 1, 1};
  EXPECT_FALSE(rect(p.store, "E", e));
  EXPECT_EQ(e.left, 10);  // stored although empty
  Rect untouched{7, 7, 7, 7};
  EXPECT_FALSE(rect(p.store, "S", untouched));
  EXPECT_EQ(untouched.left, 7);

  Point pt;
  ASSERT_TRUE(point(p.store, "P", pt));
  EXPECT_EQ(pt.h, 10);
  EXPECT_EQ(pt.v, 20);

  RgbColor c;
  ASSERT_TRUE(color(p.store, "C", c));
  EXPECT_EQ(c.red, 255 * 257);
  EXPECT_EQ(c.green, 128 * 257);
  EXPECT_EQ(c.blue, 0);
  ASSERT_TRUE(color(p.store, "G", c));
  EXPECT_EQ(c.blue, 128 * 257);
  EXPECT_FALSE(color(p.store, "X", c));
  EXPECT_FALSE(color(p.store, "H", c));
}

TEST(Readers, FourCharacterCodes) {
  Parsed p("A=JPEG B=GIF C=JPEGS L=A,,B M=A,B, N=ABCDE,X");
  std::uint32_t code = 0;
  ASSERT_TRUE(four_cc(p.store, "A", code));
  EXPECT_EQ(code, 0x4A504547u);
  ASSERT_TRUE(four_cc(p.store, "B", code));
  EXPECT_EQ(code, 0x47494620u);
  EXPECT_FALSE(four_cc(p.store, "C", code));
  std::uint32_t codes[8];
  EXPECT_EQ(four_cc_list(p.store, "L", codes, 8), 3);
  EXPECT_EQ(codes[1], 0x20202020u);
  EXPECT_EQ(four_cc_list(p.store, "M", codes, 8), 3);
  EXPECT_EQ(codes[2], 0x20202020u);
  EXPECT_EQ(four_cc_list(p.store, "N", codes, 8), 0);
}

TEST(Readers, QueryKeys) {
  Parsed p("LEFT TOP=top RIGHT=12");
  bool has_value = true;
  std::int32_t n = 0;
  ASSERT_TRUE(query_or_integer(p.store, "LEFT", has_value, n));
  EXPECT_FALSE(has_value);
  ASSERT_TRUE(query_or_integer(p.store, "TOP", has_value, n));
  EXPECT_FALSE(has_value);
  ASSERT_TRUE(query_or_integer(p.store, "RIGHT", has_value, n));
  EXPECT_TRUE(has_value);
  EXPECT_EQ(n, 12);
  EXPECT_FALSE(query_or_integer(p.store, "BOTTOM", has_value, n));
}

TEST(Readers, BoundedText) {
  Parsed p("A=hello");
  char field[8];
  std::fill(std::begin(field), std::end(field), 'x');
  ASSERT_TRUE(bounded_text(p.store, "A", field, 5));
  EXPECT_EQ(std::string(field, 6), "hellox");  // five bytes, no terminator
  ASSERT_TRUE(bounded_text(p.store, "A", field, 7));
  EXPECT_STREQ(field, "hello");
}

TEST(Builder, IntegersCodesColours) {
  EXPECT_EQ(decimal(-2147483648LL), "-2147483648");
  EXPECT_EQ(decimal(0), "0");
  EXPECT_EQ(Builder().four_cc(0x54455854u).str(), "TEXT");
  EXPECT_EQ(Builder().four_cc(0x47494620u).str(), "GIF\\s");
  EXPECT_EQ(Builder().four_cc(0x41422743u).str(), "AB\\'C");
  EXPECT_EQ(Builder().color(RgbColor{65535, 128 * 257, 0}).str(), "255,128,0");
}

TEST(Escape, PathsQuotesAndDoubleByteCharacters) {
  EXPECT_EQ(escape("C:\\a\\b"), "C:\\\\a\\\\b");
  EXPECT_EQ(escape("a\tb'c"), "a\\tb\\'c");
  EXPECT_EQ(escape("\x95\x5C"), "\x95\x5C");
  EXPECT_EQ(escape("x \"y\""), "x \\\"y\\\"");
}

TEST(Escape, StopsAtTheLengthLimitEscapingTheEnd) {
  std::string text(240, 'a');
  for (int i = 0; i < 10; ++i) text.insert(static_cast<std::size_t>(i) * 24, "\\");
  ASSERT_EQ(text.size(), 250u);
  const std::string out = escape(text);
  EXPECT_EQ(out.size(), 255u);
  // The first five backslashes stay single, the last five are doubled.
  EXPECT_EQ(out.substr(0, 2), "\\a");
  EXPECT_NE(out.find("\\\\"), std::string::npos);
  // A full 255-byte text ending in a byte to escape is never grown past 255.
  const std::string full = std::string(254, 'b') + "'";
  EXPECT_EQ(escape(full).size(), 255u);
  EXPECT_EQ(escape(full), full);
}

TEST(TextUtil, CompareIgnoringCase) {
  EXPECT_EQ(compare_ignore_case("Path", "PATH"), 0);
  EXPECT_NE(compare_ignore_case("PATH_", "PATH"), 0);
  const char* sjis = "a\x95\x5C\x5C";
  EXPECT_FALSE(is_second_byte(sjis, sjis + 1));
  EXPECT_TRUE(is_second_byte(sjis, sjis + 2));
  EXPECT_FALSE(is_second_byte(sjis, sjis + 3));
}

}  // namespace
}  // namespace velmora::params
