// The button box's layout rules and the cutting of dialog texts to their fields.
#include <gtest/gtest.h>

#include "dialogs/button_box_layout.hpp"
#include "dialogs/dialog_text.hpp"

namespace velmora::dialogs {
namespace {

ButtonBoxLayout template_places() {
  ButtonBoxLayout l;
  l.dialog = {100, 100, 462, 193};
  l.icon = {10, 11, 40, 43};
  l.message = {80, 11, 351, 27};
  l.description = {80, 29, 351, 45};
  l.ok = {276, 58, 351, 81};
  l.cancel = {176, 58, 251, 81};
  l.other = {10, 58, 85, 81};
  return l;
}

TEST(ButtonBoxLayout, ShortTextsKeepEveryPlace) {
  const ButtonBoxLayout l = layout_button_box(template_places(), true, true, {100, 16}, {50, 14});
  const ButtonBoxLayout t = template_places();
  EXPECT_TRUE(l.icon_shown);
  EXPECT_TRUE(l.description_shown);
  EXPECT_EQ(l.message.left, t.message.left);
  EXPECT_EQ(l.message.bottom, t.message.bottom);
  EXPECT_EQ(l.description.top, t.description.top);
  EXPECT_EQ(l.ok.top, t.ok.top);
  EXPECT_EQ(l.dialog.top, t.dialog.top);
  EXPECT_EQ(l.dialog.bottom, t.dialog.bottom);
}

TEST(ButtonBoxLayout, WithoutIconTextsStartAtTheIconsLeftEdge) {
  const ButtonBoxLayout l = layout_button_box(template_places(), false, false, {10, 16}, {});
  EXPECT_FALSE(l.icon_shown);
  EXPECT_FALSE(l.description_shown);
  EXPECT_EQ(l.message.left, 10);
  EXPECT_EQ(l.message.right, 351);
  EXPECT_EQ(l.description.left, 10);
}

TEST(ButtonBoxLayout, LongMessageGrowsByWholeLinesAroundTheCentre) {
  // 271 wide: 600 / 271 + 1 = 3 lines of 16, growth 32.
  const ButtonBoxLayout l = layout_button_box(template_places(), true, true, {600, 16}, {40, 14});
  EXPECT_EQ(l.message.height(), 48);
  EXPECT_EQ(l.description.top, 29 + 32);
  EXPECT_EQ(l.description.height(), 16);  // one line: its own height
  EXPECT_EQ(l.ok.top, 58 + 32);
  EXPECT_EQ(l.cancel.top, 58 + 32);
  EXPECT_EQ(l.other.bottom, 81 + 32);
  EXPECT_EQ(l.dialog.top, 100 - 16);
  EXPECT_EQ(l.dialog.bottom, 193 + 16);
}

TEST(ButtonBoxLayout, LongDescriptionAddsItsGrowthAndOddGrowthIsHalvedDown) {
  // Description: 300 / 271 + 1 = 2 lines of 13, growth 13 (odd).
  const ButtonBoxLayout l = layout_button_box(template_places(), true, true, {50, 16}, {300, 13});
  EXPECT_EQ(l.description.height(), 26);
  EXPECT_EQ(l.ok.top, 58 + 13);
  EXPECT_EQ(l.dialog.top, 100 - 6);
  EXPECT_EQ(l.dialog.bottom, 193 + 6);
  // Both texts long: the growths add up.
  const ButtonBoxLayout both =
      layout_button_box(template_places(), false, true, {700, 16}, {300, 13});
  // Without the icon the texts are 341 wide: 700 / 341 + 1 = 3 lines.
  EXPECT_EQ(both.message.height(), 48);
  EXPECT_EQ(both.description.top, 29 + 32);
  EXPECT_EQ(both.ok.top, 58 + 32 + 0);  // 300 fits in 341: the description needs one line
}

TEST(ButtonBoxLayout, UnmeasuredTextsKeepTheirSize) {
  const ButtonBoxLayout l = layout_button_box(template_places(), true, true, {0, 0}, {0, 0});
  EXPECT_EQ(l.message.height(), template_places().message.height());
  EXPECT_EQ(l.ok.top, template_places().ok.top);
}

TEST(DialogText, CutsToTheFieldWithoutSplittingDoubleByteCharacters) {
  EXPECT_EQ(cut_to_field("abc", 31), "abc");
  EXPECT_EQ(cut_to_field(std::string(40, 'a'), 31), std::string(30, 'a'));
  EXPECT_EQ(cut_to_field("abc", 0), "");
  // 29 single bytes and a two-byte character would need 31 bytes: the character goes.
  const std::string native = std::string(29, 'a') + "\x82\xa0" + "b";
  EXPECT_EQ(cut_to_field(native, 31), std::string(29, 'a'));
  const std::string fits = std::string(28, 'a') + "\x82\xa0" + "b";
  EXPECT_EQ(cut_to_field(fits, 31), std::string(28, 'a') + "\x82\xa0");
}

}  // namespace
}  // namespace velmora::dialogs
