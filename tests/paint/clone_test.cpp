// The clone tool: common and artistic cloning from a marked source layer.
#include <gtest/gtest.h>

#include "paint/BrushRandom.h"
#include "paint/CloneBrush.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;

// A target whose left half (x < 16) holds a ramp: blue = 10 x, green = y.
void PaintRamp(FakeDocument& doc) {
  VrWA2000::WA* image = doc.target->PeekImage();
  for (int y = 0; y < image->GetH(); ++y)
    for (int x = 0; x < 16; ++x) {
      image->Row(y)[x * 3] = static_cast<std::uint8_t>(10 * x);
      image->Row(y)[x * 3 + 1] = static_cast<std::uint8_t>(y);
      image->Row(y)[x * 3 + 2] = 7;
    }
}

TEST(Clone, WithoutASourceNothingStarts) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  SeededBrushRandom random(1);
  paint::CClone clone(random, 4);
  EXPECT_FALSE(clone.StartStroke(&doc, 8, 8));
  EXPECT_STREQ(clone.RefusalMessage(), paint::kMsgNoCloneSource);
  EXPECT_TRUE(doc.undoSteps.empty());
}

TEST(Clone, CommonCopiesTheSourceDisplacedByTheFirstOffset) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  PaintRamp(doc);
  SeededBrushRandom random(1);
  paint::CClone clone(random, 4);
  clone.SetWidth(4, 0, 0);
  ASSERT_TRUE(clone.MarkSource(doc.target, POINT{4, 8}));
  ASSERT_TRUE(clone.StartStroke(&doc, 20, 8));  // offset (-16, 0)
  clone.MoveTo(24, 8);
  clone.ButtonUp();
  EXPECT_EQ(clone.ImageOffset().x, -16);
  // Spacing divisor 4: threshold (16 + 16) / 4 / 4 = 2, so the walk 20 .. 23
  // dabs at 20 and 22, covering 18 .. 23; each pixel takes the source 16
  // to its left.
  for (int x = 18; x <= 23; ++x) {
    EXPECT_EQ(doc.Byte(x, 8, 0), 10 * (x - 16)) << x;
    EXPECT_EQ(doc.Byte(x, 7, 1), 7) << x;
  }
  EXPECT_EQ(doc.Byte(24, 8, 0), 100);
  // A second stroke keeps the measured offset.
  ASSERT_TRUE(clone.StartStroke(&doc, 28, 2));
  clone.ButtonUp();
  EXPECT_EQ(doc.Byte(28, 2, 0), 120);
}

// Common cloning lays its dabs with the paint brush's mask rules: no first
// dab when the mask turns with the stroke, the turned mask after it.
TEST(Clone, CommonTurnsTheMaskWithTheStrokeAsThePaintBrushDoes) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  PaintRamp(doc);
  SeededBrushRandom random(1);
  paint::CClone clone(random, 4);
  clone.SetWidth(4, 0, 0);
  clone.SetRotationMode(paint::kRotateWithStroke);
  ASSERT_TRUE(clone.MarkSource(doc.target, POINT{4, 8}));
  // A click alone lays only the first dab: nothing.
  ASSERT_TRUE(clone.StartStroke(&doc, 20, 8));
  clone.ButtonUp();
  EXPECT_EQ(doc.Byte(20, 8, 0), 100) << "the first dab has no direction yet";
  // A drag: the dabs after the first clone (the offset measured at the click).
  ASSERT_TRUE(clone.StartStroke(&doc, 20, 8));
  clone.MoveTo(26, 8);
  clone.ButtonUp();
  EXPECT_EQ(doc.Byte(23, 8, 0), 10 * (23 - 16)) << "later dabs clone";
}

TEST(Clone, SourceOutsideItsLayerLeavesTheTarget) {
  FakeDocument doc(40, 16, kWAType24, RECT{0, 0, 40, 16});
  PaintRamp(doc);
  // The source is a small layer over (0, 0, 4, 16) of the same image.
  CLayerPtr small = lumora::testing::ColourLayer(RECT{0, 0, 4, 16}, 50, 60, 70);
  SeededBrushRandom random(1);
  paint::CClone clone(random, 6);
  clone.SetWidth(6, 0, 0);
  ASSERT_TRUE(clone.MarkSource(small.get(), POINT{2, 8}));
  ASSERT_TRUE(clone.StartStroke(&doc, 30, 8));  // offset (-28, 0): dab 27..32 reads -1..4
  clone.ButtonUp();
  EXPECT_EQ(doc.Byte(27, 8, 0), 100);  // source x -1: outside, untouched
  EXPECT_EQ(doc.Byte(28, 8, 0), 50);
  EXPECT_EQ(doc.Byte(31, 8, 2), 70);
  EXPECT_EQ(doc.Byte(32, 8, 0), 100);  // source x 4: outside
}

TEST(Clone, ArtisticPaintsEachDabInTheColourUnderItsCentre) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  PaintRamp(doc);
  SeededBrushRandom random(1);
  paint::CClone clone(random, 4);
  clone.SetWidth(4, 0, 0);
  clone.SetCloneMode(paint::kCloneArtistic);
  clone.SetPressureSource([] { return 255; });
  ASSERT_TRUE(clone.MarkSource(doc.target, POINT{5, 8}));
  ASSERT_TRUE(clone.StartStroke(&doc, 21, 8));  // offset (-16, 0); centre 21 samples x 5
  clone.ButtonUp();
  for (int x = 19; x <= 22; ++x) EXPECT_EQ(doc.Byte(x, 8, 0), 50) << x;
}

TEST(Clone, DifferentTypesAreRefused) {
  FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
  CLayerPtr grey = lumora::testing::GreyLayer(RECT{0, 0, 8, 8}, 5);
  SeededBrushRandom random(1);
  paint::CClone clone(random, 4);
  ASSERT_TRUE(clone.MarkSource(grey.get(), POINT{1, 1}));
  EXPECT_FALSE(clone.StartStroke(&doc, 8, 8));
  EXPECT_STREQ(clone.RefusalMessage(), paint::kMsgDifferentTypes);
}

}  // namespace
