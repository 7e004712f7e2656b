// The water drop: its mask, the colour history and the mixing, on RGB and
// grey targets, inside a selection.
#include <gtest/gtest.h>

#include <memory>

#include "paint/WaterBrush.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;

TEST(WaterDrop, MaskShapes) {
  // Too small for margins: a full square without softening.
  EXPECT_EQ(paint::BuildWaterDropMask(3, 3, 1), std::vector<std::uint8_t>(9, 255));
  // 10 x 10 square: margins 2, the box filter over 4 x 4 cells / 4 / 2 / 2 / 4.
  const auto square = paint::BuildWaterDropMask(10, 10, 0);
  EXPECT_EQ(square[5 * 10 + 5], 255 * 16 / 2 / 2 / 4);  // window fully inside
  EXPECT_EQ(square[0], 0);                               // window rows and columns -2 .. 1
  EXPECT_EQ(square[2 * 10 + 2], 255 * 4 / 2 / 2 / 4);    // window rows 0..3 meets rows 2..3
  // Other shapes leave the mask empty.
  EXPECT_EQ(paint::BuildWaterDropMask(10, 10, 4), std::vector<std::uint8_t>(100, 0));
}

struct Water {
  paint::CWaterBrush brush;
  explicit Water(int strength) {
    brush.SetSize(4);
    brush.SetShape(0);
    brush.SetStrength(strength);
  }
};

// A target whose left half is 0 and right half 200.
std::unique_ptr<FakeDocument> HalfAndHalf(int type) {
  auto doc = std::make_unique<FakeDocument>(32, 8, type, RECT{0, 0, 32, 8});
  VrWA2000::WA* image = doc->target->PeekImage();
  const int bytes = type == kWAType24 ? 3 : 1;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 32 * bytes; ++x) image->Row(y)[x] = x / bytes < 16 ? 0 : 200;
  return doc;
}

TEST(WaterDrop, FirstDabMixesItsOwnAverageLaterDabsDragIt) {
  auto owned = HalfAndHalf(kWAType8Grey);
  FakeDocument& doc = *owned;
  Water water(1);
  // A 4 x 4 dab at (18, 4) covers 16..19 x 2..5: all 200, so the first dab
  // leaves it unchanged; its average (200) is remembered.
  ASSERT_TRUE(water.brush.ButtonDown(&doc, 18, 4));
  EXPECT_EQ(water.brush.HistoryCount(), 1);
  EXPECT_EQ(doc.Byte(18, 4), 200);
  // Moving left into the dark half drags the light colour along: the 4 x 4
  // mask is square with margins 0 (4 x 40 / 200 = 0), so every pixel takes
  // the running average.
  const int locks = doc.lock.entries;
  water.brush.DabAt(12, 4, true);
  EXPECT_GT(doc.lock.entries, locks);  // the target's buffer changes under the lock
  EXPECT_EQ(doc.Byte(12, 4), 200);
  EXPECT_EQ(doc.Byte(12, 1), 0);  // outside the dab
  water.brush.ButtonUp();
  EXPECT_EQ(doc.undoSteps.size(), 1u);
}

TEST(WaterDrop, HistoryHoldsFiveDabsPerStrengthStep) {
  auto owned = HalfAndHalf(kWAType8Grey);
  FakeDocument& doc = *owned;
  Water water(1);
  ASSERT_TRUE(water.brush.ButtonDown(&doc, 4, 4));
  for (int i = 0; i < 12; ++i) water.brush.DabAt(4, 4, false);
  EXPECT_EQ(water.brush.HistoryCount(), 5);
  water.brush.ButtonUp();
}

TEST(WaterDrop, RgbMixesEachChannelAndTheSelectionLimitsIt) {
  auto owned = HalfAndHalf(kWAType24);
  FakeDocument& doc = *owned;
  Water water(7);
  std::vector<std::uint8_t> selection(32 * 8, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 13; ++x) selection[y * 32 + x] = 255;  // columns 0..12 only
  water.brush.SetSelection(selection.data(), RECT{0, 0, 32, 8}, false);
  ASSERT_TRUE(water.brush.ButtonDown(&doc, 18, 4));
  water.brush.DabAt(12, 4, true);
  water.brush.ButtonUp();
  // Outside the selection nothing happened; the first dab picked nothing
  // up there, so the history average is 0: column 12 stays dark.
  EXPECT_EQ(doc.Byte(18, 4, 0), 200);
  EXPECT_EQ(doc.Byte(13, 4, 1), 0);
  EXPECT_EQ(doc.Byte(12, 4, 2), 0);
}

TEST(WaterDrop, PalettedImagesAndTheSmearAreRefused) {
  FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
  Water water(5);
  water.brush.SetManner(paint::kWaterSmear);
  EXPECT_FALSE(water.brush.ButtonDown(&doc, 4, 4));
  EXPECT_TRUE(doc.undoSteps.empty());
}

}  // namespace
