// The selection rule of separator combos and the four-thumb slider's
// arithmetic and thumb choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/LayerMenuPictograms.h"
#include "ui/SeparatorCombo.h"
#include "ui/Slider4.h"

namespace lumora {
namespace {

TEST(SeparatorCombo, ASeparatorIsSkippedByOneStepAndRefusedOtherwise) {
  const std::vector<std::string> items = {"Normal", "Dissolve", "_", "Multiply", "_", "Darken"};
  EXPECT_EQ(SettleSeparatorChoice(items, 1, 2), 3) << "down onto it: the next item";
  EXPECT_EQ(SettleSeparatorChoice(items, 3, 2), 1) << "up onto it: the item before";
  EXPECT_EQ(SettleSeparatorChoice(items, 0, 2), 0) << "a jump (a click) keeps the selection";
  EXPECT_EQ(SettleSeparatorChoice(items, 5, 4), 3);
  EXPECT_EQ(SettleSeparatorChoice(items, 0, 3), 3) << "an item stays chosen";
  EXPECT_EQ(SettleSeparatorChoice({"A", "_"}, 0, 1), 0) << "no item after a last separator";
}

TEST(Slider4, ValuesAndPixelsMapWithSevenPixelMargins) {
  Slider4 s;
  s.SetRange(0, 255);
  const int width = 269;  // 255 pixels between the margins
  EXPECT_EQ(s.ValueToX(0, width), 7);
  EXPECT_EQ(s.ValueToX(255, width), 262);
  EXPECT_EQ(s.ValueToX(128, width), 135);
  EXPECT_EQ(s.XToValue(7, width), 0);
  EXPECT_EQ(s.XToValue(0, width), 0) << "clamped to the range";
  EXPECT_EQ(s.XToValue(400, width), 255);
  for (int v = 0; v <= 255; v += 17) EXPECT_EQ(s.XToValue(s.ValueToX(v, width), width), v);
  // Half a pixel rounds: 100 wide leaves 86 pixels for 255 values.
  EXPECT_EQ(s.ValueToX(1, 100), 7);
  EXPECT_EQ(s.ValueToX(2, 100), 8);
}

TEST(Slider4, ADragMovesTheNearestThumbOfTheNearerPair) {
  Slider4 s;
  s.SetValues({20, 60, 200, 240});
  s.Press(false);
  s.MoveTo(50);
  EXPECT_EQ(s.Values(), (std::array<int, 4>{20, 50, 200, 240})) << "the low end was nearest";
  s.MoveTo(150);
  EXPECT_EQ(s.Values(), (std::array<int, 4>{20, 150, 200, 240})) << "the pair stays the drag's";
  s.Release();
  s.Press(false);
  s.MoveTo(230);
  EXPECT_EQ(s.Values(), (std::array<int, 4>{20, 150, 200, 230}));
  s.Release();
}

TEST(Slider4, CoincidingThumbsMoveTogetherAndCtrlSplitsThem) {
  Slider4 s;
  s.SetValues({0, 0, 255, 255});
  s.Press(false);
  s.MoveTo(30);
  EXPECT_EQ(s.Values(), (std::array<int, 4>{30, 30, 255, 255}));
  s.Release();
  s.Press(true);
  s.MoveTo(40);
  s.MoveTo(20);
  EXPECT_EQ(s.Values(), (std::array<int, 4>{20, 40, 255, 255})) << "with Ctrl the pair spreads both ways";
  s.Release();
  s.Press(true);
  s.MoveTo(250);
  EXPECT_EQ(s.Values(), (std::array<int, 4>{20, 40, 250, 255}));
}

// Each align pictogram's boxes meet its reference line on the named side;
// each distribute pictogram's three boxes step by equal amounts.
TEST(LayerMenuPictograms, EachShowsItsAlignment) {
  const int w = 13, h = 13;
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const Pictogram p = LayerMenuPictogram(i, w, h);
    ASSERT_EQ(p.boxes.size(), 2u);
    ASSERT_EQ(p.lines.size(), 1u);
    const bool vertical = i < 3;
    const int kind = i % 3;
    const int line = vertical ? p.lines[0].first.y : p.lines[0].first.x;
    for (const RECT& b : p.boxes) {
      const int lo = vertical ? b.top : b.left, hi = (vertical ? b.bottom : b.right) - 1;
      const int mid = lo + (hi - lo) / 2;
      EXPECT_EQ(kind == 0 ? lo : kind == 1 ? mid : hi, line);
      EXPECT_GE(b.left, 0);
      EXPECT_LE(b.right, w);
      EXPECT_GE(b.top, 0);
      EXPECT_LE(b.bottom, h);
    }
    EXPECT_NE(vertical ? p.boxes[0].bottom - p.boxes[0].top : p.boxes[0].right - p.boxes[0].left,
              vertical ? p.boxes[1].bottom - p.boxes[1].top : p.boxes[1].right - p.boxes[1].left)
        << "two sizes, so the alignment shows";
  }
  for (int i = 6; i < 12; ++i) {
    SCOPED_TRACE(i);
    const Pictogram p = LayerMenuPictogram(i, w, h);
    ASSERT_EQ(p.boxes.size(), 3u);
    const bool vertical = i < 9;
    const auto at = [&](int k) { return vertical ? p.boxes[k].top : p.boxes[k].left; };
    EXPECT_EQ(at(1) - at(0), at(2) - at(1));
    EXPECT_GT(at(1), at(0));
  }
  EXPECT_TRUE(LayerMenuPictogram(12, w, h).boxes.empty());
}

}  // namespace
}  // namespace lumora
