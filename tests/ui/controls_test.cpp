// The selection rule of separator combos and the four-thumb slider's
// arithmetic and thumb choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/LayerMenuPictograms.h"
#include "ui/SeparatorCombo.h"
#include "ui/Slider4.h"
#include "ui/SmallControlMath.h"

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

// The ball: angle to the second value over 6.283, distance to the first
// over the radius (w - 3 (w / 10)) / 2.
TEST(BallButton, ValuesFromThePointer) {
  EXPECT_EQ(BallRadius(100), 35);
  EXPECT_EQ(BallRadius(1), 1) << "never 0";
  EXPECT_EQ(BallRadius(0), 1);
  const struct {
    int dx, dy, w, max1, max2, first, second;
  } cases[] = {
      {35, 0, 100, 1, 4, 1, 0},    // on the rim to the right
      {0, 35, 100, 1, 4, 1, 1},    // a quarter turn
      {-35, 0, 100, 1, 4, 1, 2},   // half a turn
      {0, -35, 100, 1, 4, 1, 3},   // atan2 negative: + 6.283
      {1, -1000, 100, 1, 4, 1, 3},
      {10, 0, 100, 100, 360, 29, 0},  // (10 * 100 + 17) / 35
      {20, 20, 100, 100, 360, 81, 45},
      {300, 0, 100, 100, 360, 100, 0},  // capped at max1
      {1, 1, 1, 5, 4, 5, 1},            // r = 1: no division by zero
  };
  for (const auto& c : cases) {
    const BallValues v = BallValuesAt(c.dx, c.dy, c.w, c.max1, c.max2);
    EXPECT_EQ(v.first, c.first) << c.dx << "," << c.dy;
    EXPECT_EQ(v.second, c.second) << c.dx << "," << c.dy;
  }
}

TEST(Slider4, ANarrowSliderNeverDividesByZero) {
  Slider4 s;
  s.SetRange(0, 255);
  for (int width : {0, 7, 14, 15}) {
    EXPECT_GE(s.XToValue(3, width), 0) << width;
    EXPECT_LE(s.XToValue(30, width), 255) << width;
  }
}

TEST(SBComboBox, TheToolbarRecordRoundTripsAndRefusesOthers) {
  SBComboRecord r{120, 22, 40030};
  const std::vector<std::uint8_t> bytes = WriteSBComboRecord(r);
  EXPECT_EQ(bytes.size(), 1u + 13u + 8u);
  SBComboRecord back;
  ASSERT_TRUE(ReadSBComboRecord(bytes, &back));
  EXPECT_EQ(back.width, 120);
  EXPECT_EQ(back.height, 22);
  EXPECT_EQ(back.id, 40030u);
  std::vector<std::uint8_t> other = bytes;
  other[1] = 'X';
  EXPECT_FALSE(ReadSBComboRecord(other, &back));
  EXPECT_FALSE(ReadSBComboRecord(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1), &back));
  EXPECT_EQ(SBComboMode(0), 1);
  EXPECT_EQ(SBComboMode(6), 6);
}

}  // namespace
}  // namespace lumora
