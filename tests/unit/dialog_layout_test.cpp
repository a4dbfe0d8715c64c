// The button box's layout rules and the cutting of dialog texts to their fields.
#include <gtest/gtest.h>

#include <algorithm>

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

// A text `length` pixels long on one line, broken into lines of `line` pixels wherever
// the width ends (as a text of many short words would be).
MeasureText flowing(int length, int line) {
  return [=](int width) {
    const int lines = width > 0 ? (length + width - 1) / width : 1;
    return WrappedText{std::max(lines, 1) * line, line};
  };
}
// A text of `lines` short lines (line feeds): the same height at any width.
MeasureText fixed_lines(int lines, int line) {
  return [=](int) { return WrappedText{lines * line, line}; };
}

ButtonBoxTexts texts(MeasureText message, MeasureText description = {}, bool icon = true) {
  ButtonBoxTexts t;
  t.has_icon = icon;
  t.message = std::move(message);
  t.description = std::move(description);
  return t;
}

TEST(ButtonBoxLayout, ShortTextsKeepEveryPlace) {
  const ButtonBoxLayout l =
      layout_button_box(template_places(), texts(flowing(100, 16), flowing(50, 14)));
  const ButtonBoxLayout t = template_places();
  EXPECT_TRUE(l.icon_shown);
  EXPECT_TRUE(l.description_shown);
  EXPECT_EQ(l.message.left, t.message.left);
  EXPECT_EQ(l.message.bottom, t.message.bottom);
  EXPECT_EQ(l.description.top, t.description.top);
  EXPECT_EQ(l.ok.top, t.ok.top);
  EXPECT_EQ(l.ok.left, t.ok.left);
  EXPECT_EQ(l.dialog.top, t.dialog.top);
  EXPECT_EQ(l.dialog.bottom, t.dialog.bottom);
  EXPECT_EQ(l.dialog.width(), t.dialog.width());
}

TEST(ButtonBoxLayout, WithoutIconTextsStartAtTheIconsLeftEdgeAndAreMeasuredThere) {
  int measured_at = 0;
  ButtonBoxTexts t = texts(
      [&](int width) {
        measured_at = width;
        return WrappedText{16, 16};
      },
      {}, false);
  const ButtonBoxLayout l = layout_button_box(template_places(), t);
  EXPECT_FALSE(l.icon_shown);
  EXPECT_FALSE(l.description_shown);
  EXPECT_EQ(l.message.left, 10);
  EXPECT_EQ(l.message.right, 351);
  EXPECT_EQ(l.description.left, 10);
  EXPECT_EQ(measured_at, 341);
}

TEST(ButtonBoxLayout, WrappedMessagePushesDescriptionAndButtonsAroundTheCentre) {
  // 271 wide: 600 pixels take 3 lines of 16, growth 32.
  const ButtonBoxLayout l =
      layout_button_box(template_places(), texts(flowing(600, 16), flowing(40, 14)));
  EXPECT_EQ(l.message.height(), 48);
  EXPECT_EQ(l.description.top, 29 + 32);
  EXPECT_EQ(l.description.height(), 16);  // one line: its own height
  EXPECT_EQ(l.ok.top, 58 + 32);
  EXPECT_EQ(l.cancel.top, 58 + 32);
  EXPECT_EQ(l.other.bottom, 81 + 32);
  EXPECT_EQ(l.dialog.top, 100 - 16);
  EXPECT_EQ(l.dialog.bottom, 193 + 16);
  EXPECT_LE(l.message.bottom, l.description.top);
}

TEST(ButtonBoxLayout, LinesOfLineFeedsGrowTheirTextThoughNoLineIsWide) {
  // Three short lines above a description, and five without one.
  const ButtonBoxLayout three =
      layout_button_box(template_places(), texts(fixed_lines(3, 16), flowing(40, 14)));
  EXPECT_EQ(three.message.height(), 48);
  EXPECT_LE(three.message.bottom, three.description.top);
  EXPECT_LE(three.description.bottom, three.ok.top);
  const ButtonBoxLayout five = layout_button_box(template_places(), texts(fixed_lines(5, 16)));
  EXPECT_EQ(five.message.height(), 80);
  EXPECT_FALSE(five.description_shown);
  EXPECT_LE(five.message.bottom, five.ok.top);
  EXPECT_EQ(five.dialog.height(), template_places().dialog.height() + 64);
}

TEST(ButtonBoxLayout, DescriptionGrowthAddsUpAndTheDialogTakesAllOfIt) {
  // Description: 300 pixels in 271 take 2 lines of 13, growth 13 (odd).
  const ButtonBoxLayout l =
      layout_button_box(template_places(), texts(flowing(50, 16), flowing(300, 13)));
  EXPECT_EQ(l.description.height(), 26);
  EXPECT_EQ(l.ok.top, 58 + 13);
  EXPECT_EQ(l.dialog.top, 100 - 6);
  EXPECT_EQ(l.dialog.bottom, 193 + 7);  // the buttons keep their distance to the edge
  // Both texts long and no icon: the texts are 341 wide.
  const ButtonBoxLayout both =
      layout_button_box(template_places(), texts(flowing(700, 16), flowing(300, 13), false));
  EXPECT_EQ(both.message.height(), 48);
  EXPECT_EQ(both.description.top, 29 + 32);
  EXPECT_EQ(both.ok.top, 58 + 32);  // 300 fits in 341: the description needs one line
}

TEST(ButtonBoxLayout, LineTallerThanItsBoxGrowsByWhatTheBoxLacked) {
  // One line of a script 20 pixels high in a 16-pixel box.
  const ButtonBoxLayout l = layout_button_box(template_places(), texts(fixed_lines(1, 20)));
  EXPECT_EQ(l.message.height(), 20);
  EXPECT_EQ(l.ok.top, 58 + 4);
  EXPECT_LE(l.message.bottom, l.description.top);
}

TEST(ButtonBoxLayout, LongLabelsWidenTheirButtonsAndThenTheDialog) {
  ButtonBoxTexts t = texts(flowing(100, 16));
  t.cancel_shown = t.other_shown = true;
  t.ok_width = 200;
  const ButtonBoxLayout l = layout_button_box(template_places(), t);
  // Cancel keeps its distance of 25 to OK; Other needs 25 to Cancel: 59 are missing.
  EXPECT_EQ(l.dialog.width(), template_places().dialog.width() + 59);
  EXPECT_EQ(l.ok.width(), 200);
  EXPECT_EQ(l.ok.right, 351 + 59);
  EXPECT_EQ(l.cancel.right + 25, l.ok.left);
  EXPECT_EQ(l.other.right + 25, l.cancel.left);
  EXPECT_EQ(l.other.left, 10);
  EXPECT_EQ(l.message.right, 351 + 59);
  // Only OK shown: a wide OK fits beside where the hidden buttons would be.
  ButtonBoxTexts alone = texts(flowing(100, 16));
  alone.ok_width = 200;
  alone.cancel_width = alone.other_width = 400;  // hidden: never counted
  const ButtonBoxLayout a = layout_button_box(template_places(), alone);
  EXPECT_EQ(a.dialog.width(), template_places().dialog.width());
  EXPECT_EQ(a.ok.left, 151);
}

TEST(InputBoxLayout, LongPromptPushesFieldAndButtonsDown) {
  InputBoxLayout t;
  t.dialog = {100, 100, 450, 190};
  t.message = {10, 10, 330, 26};
  t.edit = {10, 31, 330, 52};
  t.ok = {160, 57, 235, 80};
  t.cancel = {255, 57, 330, 80};
  const InputBoxLayout short_one = layout_input_box(t, flowing(200, 16));
  EXPECT_EQ(short_one.edit.top, 31);
  EXPECT_EQ(short_one.dialog.height(), 90);
  // 320 wide: 700 pixels take 3 lines, growth 32.
  const InputBoxLayout l = layout_input_box(t, flowing(700, 16));
  EXPECT_EQ(l.message.height(), 48);
  EXPECT_EQ(l.edit.top, 31 + 32);
  EXPECT_EQ(l.ok.top, 57 + 32);
  EXPECT_EQ(l.cancel.bottom, 80 + 32);
  EXPECT_EQ(l.dialog.top, 100 - 16);
  EXPECT_EQ(l.dialog.bottom, 190 + 16);
  EXPECT_LE(l.message.bottom, l.edit.top);
}

TEST(ButtonBoxLayout, UnmeasuredTextsKeepTheirSize) {
  const ButtonBoxLayout l = layout_button_box(
      template_places(),
      texts([](int) { return WrappedText{}; }, [](int) { return WrappedText{}; }));
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
