// The eraser's actions through the real layer engine.
#include <gtest/gtest.h>

#include <cstring>

#include "paint/BrushRandom.h"
#include "paint/EraseBrush.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;

struct Eraser {
  SeededBrushRandom random{1};
  paint::CEraseBrush brush{random};
  Eraser(int action, int width) {
    brush.SetAction(action);
    brush.SetWidth(width, 0, 0);
  }
  bool Stroke(FakeDocument& doc, std::vector<POINT> points) {
    if (!brush.ButtonDown(&doc, points[0].x, points[0].y)) return false;
    for (std::size_t i = 1; i < points.size(); ++i) brush.MoveTo(points[i].x, points[i].y);
    brush.ButtonUp();
    return true;
  }
};

int MaskAt(FakeDocument& doc, int x, int y) {
  const RECT& r = doc.target->GetRect();
  return doc.target->PeekMask()->Row(y - r.top)[x - r.left];
}

TEST(Eraser, ClearPutsZeroIntoTheMaskAndKeepsTheColours) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  Eraser eraser(paint::kEraseClear, 4);
  eraser.brush.SetColours(0x112233, 0x445566);
  ASSERT_TRUE(eraser.Stroke(doc, {{8, 8}, {20, 8}}));
  EXPECT_EQ(MaskAt(doc, 10, 8), 0);
  EXPECT_EQ(MaskAt(doc, 10, 2), 255);
  EXPECT_EQ(doc.Byte(10, 8, 0), 100);  // the colour stays; only coverage goes
  EXPECT_EQ(doc.undoSteps, std::vector<int>{paint::kUndoPaint});
  // The user's colours are back: a "To foreground" stroke paints 0x112233.
  eraser.brush.SetAction(paint::kEraseToForeground);
  ASSERT_TRUE(eraser.Stroke(doc, {{4, 4}}));
  EXPECT_EQ(doc.Byte(4, 4, 2), 0x33);
  EXPECT_EQ(doc.Byte(4, 4, 0), 0x11);
}

TEST(Eraser, ClearRefusesALayerWithoutMask) {
  FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
  doc.target->SetMask(nullptr);
  LAYER_INFO info = doc.target->GetLayerInfo();
  info.lockTransparency = 0;
  doc.target->SetLayerInfo(info);
  Eraser eraser(paint::kEraseClear, 4);
  EXPECT_FALSE(eraser.Stroke(doc, {{8, 8}}));
  EXPECT_STREQ(eraser.brush.RefusalMessage(), paint::kMsgLayerHasNoMask);
  EXPECT_TRUE(doc.undoSteps.empty());
}

TEST(Eraser, ToBackgroundOnGreyPaintsItsLuminance) {
  FakeDocument doc(16, 16, kWAType8Grey, RECT{0, 0, 16, 16});
  Eraser eraser(paint::kEraseToBackground, 4);
  eraser.brush.SetColours(0, 0x00FF0000);  // blue background: 11 x 255 / 100 = 28
  ASSERT_TRUE(eraser.Stroke(doc, {{8, 8}}));
  EXPECT_EQ(doc.Byte(8, 8), 28);
  EXPECT_EQ(doc.Byte(2, 2), 100);
}

TEST(Eraser, ForegroundToBackgroundOnlyOverExactMatches) {
  FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
  // Column 7 holds the foreground colour exactly, column 8 one step off.
  VrWA2000::WA* image = doc.target->PeekImage();
  for (int y = 0; y < 16; ++y) {
    std::uint8_t* row = image->Row(y);
    row[21] = 30, row[22] = 20, row[23] = 10;  // blue, green, red of 0x1E140A
    row[24] = 30, row[25] = 20, row[26] = 11;
  }
  Eraser eraser(paint::kEraseForegroundToBackground, 6);
  eraser.brush.SetColours(0x001E140A, 0x00FFFFFF);
  ASSERT_TRUE(eraser.Stroke(doc, {{8, 8}}));
  EXPECT_EQ(doc.Byte(7, 8, 0), 255);
  EXPECT_EQ(doc.Byte(8, 8, 2), 11);
  EXPECT_EQ(doc.Byte(6, 8, 0), 100);
}

TEST(Eraser, LastActionBringsBackTheSnapshotUnderTheBrush) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  Eraser eraser(paint::kEraseLastAction, 4);
  EXPECT_FALSE(eraser.Stroke(doc, {{8, 8}}));  // nothing to restore yet
  doc.TakeSnapshot();
  // The last action painted the layer white.
  VrWA2000::WA* image = doc.target->PeekImage();
  for (int y = 0; y < 16; ++y) std::memset(image->Row(y), 255, 32 * 3);
  ASSERT_TRUE(eraser.Stroke(doc, {{8, 8}, {16, 8}}));
  EXPECT_EQ(doc.undoSteps.back(), paint::kUndoErase);
  for (int x = 4; x < 22; ++x) {
    const bool under = x >= 6 && x <= 16;  // dabs at 8 .. 15 cover x - 2 .. x + 1
    EXPECT_EQ(doc.Byte(x, 8, 1), under ? 100 : 255) << x;
  }
  EXPECT_EQ(doc.Byte(8, 2, 1), 255);
  EXPECT_EQ(MaskAt(doc, 8, 8), 255);
}

TEST(Eraser, LastActionReachesWhereAMovedLayerWas) {
  FakeDocument doc(64, 16, kWAType24, RECT{0, 0, 16, 16});
  doc.TakeSnapshot();
  doc.target->MoveTo(POINT{32, 0});  // the last action moved the layer away
  Eraser eraser(paint::kEraseLastAction, 4);
  ASSERT_TRUE(eraser.Stroke(doc, {{8, 8}}));
  // The layer grew back over the old place and took the old pixels there.
  EXPECT_LE(doc.target->GetRect().left, 6);
  EXPECT_EQ(doc.Byte(8, 8, 1), 100);
  EXPECT_EQ(MaskAt(doc, 8, 8), 255);
  EXPECT_EQ(MaskAt(doc, 2, 8), 0);
}

}  // namespace
