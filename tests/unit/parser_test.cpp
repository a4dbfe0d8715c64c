#include "params/parser.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora::params {
namespace {

// Owns the text and scratch area a store points into.
class Parsed {
 public:
  explicit Parsed(std::string text) : text_(std::move(text)) {
    buffer_.assign(text_.begin(), text_.end());
    buffer_.push_back('\0');
    scratch_.assign(text_.size() + 1, '\x7F');
    store.prepare();
    store.parse_first(buffer_.data(), scratch_.data());
  }
  Store store;
  std::string value(const char* key) const {
    const char* v = store.value(key);
    return v ? v : "<absent>";
  }
  std::string item(int i) const {
    const char* v = store.item(i);
    return v ? v : "<none>";
  }

 private:
  std::string text_;
  std::vector<char> buffer_;
  std::vector<char> scratch_;
};

TEST(Parser, EmptyAndBlankTextsGiveOneEmptyRecord) {
  for (const char* text : {"", "   \t\r\n"}) {
    Parsed p(text);
    EXPECT_EQ(p.store.item_count(), 1) << text;
    EXPECT_EQ(p.item(1), "");
    EXPECT_EQ(p.store.key_count(), 0);
    EXPECT_FALSE(p.store.next_record());
  }
}

TEST(Parser, KeysAreUpperCasedAndValuesKeepTheirCase) {
  Parsed p("a=1 B=Two");
  EXPECT_EQ(p.value("A"), "1");
  EXPECT_EQ(p.value("b"), "Two");
  EXPECT_EQ(p.item(1), "a=1");
  EXPECT_STREQ(p.store.key_name(1), "A");
  EXPECT_EQ(p.store.key_count(), 2);
}

TEST(Parser, EqualsRules) {
  Parsed spaced("KEY = 5");
  EXPECT_EQ(spaced.value("KEY"), "KEY");
  EXPECT_EQ(spaced.store.key_count(), 1);
  EXPECT_EQ(spaced.store.item_count(), 3);

  Parsed empty("KEY=");
  EXPECT_EQ(empty.value("KEY"), "");
  Parsed leading("=5");
  EXPECT_EQ(leading.store.key_count(), 0);
  Parsed chained("A=b=c");
  EXPECT_EQ(chained.value("A"), "b=c");
  Parsed bad("MY-KEY=5 9LIVES");
  EXPECT_EQ(bad.store.key_count(), 0);
  EXPECT_EQ(bad.store.item_count(), 2);
}

TEST(Parser, QuotesAndEscapes) {
  Parsed quoted("NAME='a b' X=\"c|d\"");
  EXPECT_EQ(quoted.value("NAME"), "a b");
  EXPECT_EQ(quoted.value("X"), "c|d");

  Parsed quoted_key("'my key'=1");
  EXPECT_EQ(quoted_key.value("MY"), "1");
  EXPECT_EQ(quoted_key.item(1), "my key=1");

  Parsed escapes("PATH=C:\\new\\temp Q=C:\\\\new\\\\temp S=a\\sb\\|c\\=d");
  EXPECT_EQ(escapes.value("PATH"), "C:\new\temp");
  EXPECT_EQ(escapes.value("Q"), "C:\\new\\temp");
  EXPECT_EQ(escapes.value("S"), "a b|c=d");

  Parsed unclosed("A='x y");
  EXPECT_EQ(unclosed.value("A"), "x y");
  Parsed trailing_backslash("A=x\\");
  EXPECT_EQ(trailing_backslash.value("A"), "x");
  Parsed quoted_trailing_backslash("A='x\\");
  EXPECT_EQ(quoted_trailing_backslash.value("A"), "x");
}

TEST(Parser, SecondByteOfDoubleByteCharacterIsNotAnEscapeOrEquals) {
  // 0x95 0x5C is one character whose second byte is a backslash.
  Parsed p(
      "A=\x95\x5C"
      "n");
  EXPECT_EQ(p.value("A"),
            "\x95\x5C"
            "n");
  // Its second byte may equal "=" too: 0x81 0x3D.
  Parsed q("\x81=B=1");
  EXPECT_EQ(q.store.key_count(), 0);  // the name starts with a non-letter anyway
  Parsed r("A\x81=1");
  EXPECT_EQ(r.store.key_count(), 0);
  EXPECT_EQ(r.item(1), "A\x81=1");
  // Nor a bar: 0x83 0x7C ends neither the item nor the record; a bar of its own does.
  Parsed t("PATH=C:\\\\\x83\x8C\x83\x7C\x81\x5B\x83\x67 B=1|C=2");
  EXPECT_EQ(t.value("PATH"), "C:\\\x83\x8C\x83\x7C\x81\x5B\x83\x67");
  EXPECT_EQ(t.value("B"), "1");
  EXPECT_EQ(t.value("C"), "<absent>");
  EXPECT_TRUE(t.store.next_record());
  EXPECT_EQ(t.value("C"), "2");
}

TEST(Parser, RepeatedKeys) {
  Parsed p("A=1 B=2 A=3");
  EXPECT_EQ(p.value("A"), "3");
  EXPECT_EQ(p.store.key_count(), 2);
  Parsed bare("ZOOM FADE ZOOM");
  EXPECT_EQ(bare.value("ZOOM"), "ZOOM");
  EXPECT_EQ(bare.store.key_count(), 2);
}

TEST(Parser, RecordsKeepOrForgetEarlierKeys) {
  Parsed single("A=1 | B=2");
  EXPECT_EQ(single.store.record_number(), 1);
  ASSERT_TRUE(single.store.next_record());
  EXPECT_EQ(single.store.record_number(), 2);
  EXPECT_EQ(single.value("A"), "1");
  EXPECT_EQ(single.value("B"), "2");
  EXPECT_FALSE(single.store.next_record());

  Parsed doubled("A=1 || B=2");
  ASSERT_TRUE(doubled.store.next_record());
  EXPECT_EQ(doubled.value("A"), "<absent>");
  EXPECT_EQ(doubled.value("B"), "2");
  EXPECT_EQ(doubled.store.key_count(), 1);

  Parsed trailing_bar("A=1 |");
  EXPECT_TRUE(trailing_bar.store.rest_empty());
  EXPECT_FALSE(trailing_bar.store.next_record());

  Parsed two("A=1|B=2");
  EXPECT_FALSE(two.store.rest_empty());
}

TEST(Parser, TrailingBlankMakesAnEmptyItem) {
  Parsed p("A=1 ");
  EXPECT_EQ(p.store.item_count(), 2);
  EXPECT_EQ(p.item(2), "");
}

TEST(Parser, FortyFirstKeyIsIgnoredAndItemsGrow) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "K" + std::to_string(i) + "=" + std::to_string(i) + " ";
  Parsed p(text);
  EXPECT_EQ(p.store.key_count(), kMaxKeys);
  EXPECT_EQ(p.value("K39"), "39");
  EXPECT_EQ(p.value("K40"), "<absent>");
  EXPECT_EQ(p.store.item_count(), 61);
  EXPECT_EQ(p.item(60), "K59=59");
  // A key already known is still replaced when the table is full.
  Parsed q(text + "K0=new");
  EXPECT_EQ(q.value("K0"), "new");
}

TEST(Parser, LongParameterWithManyEscapesStaysIntact) {
  std::string text = "P='";
  for (int i = 0; i < 20000; ++i) text += "a\\\\";
  text += "'";
  Parsed p(text);
  const std::string v = p.value("P");
  ASSERT_EQ(v.size(), 40000u);
  EXPECT_EQ(v.substr(0, 4), "a\\a\\");
}

}  // namespace
}  // namespace velmora::params
