// The spray tool: dots per step, where the dots land, how they blend, and
// the reach of the generator over large dabs.
#include <gtest/gtest.h>

#include "paint/AirBrush.h"
#include "scripted_random.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;
using painttest::ScriptedRandom;

TEST(AirBrush, DotsPerStep) {
  SeededBrushRandom random(1);
  struct Case {
    int density, width, count;
  } cases[] = {{50, 12, 2}, {0, 12, 1}, {99, 12, 144}, {150, 12, 144}, {-5, 4, 1}, {90, 20, 40}};
  for (const auto& c : cases) {
    paint::CAirBrush brush(random);
    brush.SetWidth(c.width, 0, 0);
    brush.SetDensity(c.density);
    ASSERT_TRUE(brush.BeginStroke());
    EXPECT_EQ(brush.SprayCount(), c.count) << c.density << " " << c.width;
  }
}

TEST(AirBrush, DotsLandWhereTheDrawsSayAndBlendTowardTheColour) {
  FakeDocument doc(32, 32, kWAType24, RECT{0, 0, 32, 32});
  // A 4 x 4 square at (10, 10): the dab spans 8..11 x 8..11. Draws: cell 0
  // (8, 8), cell 5 (9, 9), cell 15 (11, 11).
  ScriptedRandom random({0, 5, 15});
  paint::CAirBrush brush(random);
  brush.SetWidth(4, 0, 0);
  brush.SetDensity(81);  // 16 / 19 = 0 -> 1 dot a step
  brush.SetColours(0x00FF0000, 0);  // blue
  ASSERT_TRUE(brush.ButtonDown(&doc, 10, 10));
  brush.DabAt(10, 10, false);  // a second and third step at the same spot
  brush.DabAt(10, 10, false);
  brush.ButtonUp();
  for (int y = 6; y < 14; ++y) {
    for (int x = 6; x < 14; ++x) {
      const bool dot = (x == 8 && y == 8) || (x == 9 && y == 9) || (x == 11 && y == 11);
      EXPECT_EQ(doc.Byte(x, y, 0), dot ? 255 : 100) << x << "," << y;
      EXPECT_EQ(doc.Byte(x, y, 2), dot ? 0 : 100) << x << "," << y;
    }
  }
}

TEST(AirBrush, ReachesEveryCellOfTheLargestDab) {
  // 299 x 299 = 89401 cells, far above the 32767 a 15-bit draw could give:
  // the last cell is the bottom-right pixel of the dab.
  FakeDocument doc(400, 400, kWAType8Grey, RECT{0, 0, 400, 400});
  ScriptedRandom random({89400});
  paint::CAirBrush brush(random);
  brush.SetWidth(299, 0, 0);
  brush.SetDensity(0);  // 893 dots, all on the last cell
  brush.SetColours(0x000000FF, 0);  // red: grey 76
  ASSERT_TRUE(brush.ButtonDown(&doc, 200, 200));
  brush.ButtonUp();
  EXPECT_EQ(doc.Byte(200 - 149 + 298, 200 - 149 + 298), 76);
  EXPECT_EQ(doc.Byte(200, 200), 100);
}

TEST(AirBrush, SoftDotsAccumulate) {
  FakeDocument doc(64, 64, kWAType8Grey, RECT{0, 0, 64, 64});
  ScriptedRandom random({0});
  paint::CAirBrush brush(random);
  brush.SetWidth(16, 4, 0);  // a soft edge: the corner cell (0) ...
  brush.SetShape(paint::kShapeSquare);
  brush.SetDensity(0);
  brush.SetColours(0, 0);
  ASSERT_TRUE(brush.BeginStroke());
  // Pick the first non-zero, non-full cell of the soft mask as the target.
  const auto& mask = brush.BrushMask();
  std::uint32_t cell = 0;
  while (cell < mask.size() && (mask[cell] == 0 || mask[cell] == 255)) ++cell;
  ASSERT_LT(cell, mask.size());
  ScriptedRandom pick({cell});
  paint::CAirBrush sprayer(pick);
  sprayer.SetWidth(16, 4, 0);
  sprayer.SetDensity(0);
  sprayer.SetColours(0, 0);
  ASSERT_TRUE(sprayer.ButtonDown(&doc, 30, 30));
  CLayer* work = sprayer.GetWorkLayer();
  ASSERT_NE(work, nullptr);
  const int w = sprayer.DabWidth();
  const int lx = static_cast<int>(cell % w) + 30 - w / 2 - work->GetRect().left;
  const int ly = static_cast<int>(cell / w) + 30 - w / 2 - work->GetRect().top;
  const int a = mask[cell];
  // The step sprays several dots on one cell: coverage follows the rule.
  int c = 0;
  for (int i = 0; i < sprayer.SprayCount(); ++i) c = c == 0 ? a : (65025 - (255 - c) * (255 - a)) / 255;
  EXPECT_EQ(work->GetMask()->Row(ly)[lx], c);
  sprayer.ButtonUp();
}

}  // namespace
