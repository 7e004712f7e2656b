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

TEST(WaterSmear, ProfileIsABumpOverTheBrush) {
  const auto profile = paint::SmearProfile(8, 8);  // h = 4
  EXPECT_EQ(profile[0], 0);
  EXPECT_EQ(profile[4], 4096);                      // a = 16, b = 0
  EXPECT_EQ(profile[2], 4 * 4096 / (4 + 4));        // a = 4, b = 4
  EXPECT_EQ(profile[6], 4 * 4096 / (4 + 4));        // a = (6 - 8)^2, b = 4
  EXPECT_EQ(profile[8], 0);
}

std::vector<std::uint8_t> Pixels(FakeDocument& doc) {
  VrWA2000::WA* image = doc.target->PeekImage();
  std::vector<std::uint8_t> out;
  const int bytes = image->GetW() * (image->GetType() == kWAType24 ? 3 : 1);
  for (int y = 0; y < image->GetH(); ++y) out.insert(out.end(), image->Row(y), image->Row(y) + bytes);
  return out;
}

struct Smear {
  paint::CWaterBrush brush;
  explicit Smear(int width) {
    brush.SetSize(width);
    brush.SetManner(paint::kWaterSmear);
    brush.SetStrength(10);
  }
};

TEST(WaterSmear, FirstDabNothingThenColourIsDraggedAlong) {
  auto owned = HalfAndHalf(kWAType8Grey);
  FakeDocument& doc = *owned;
  const auto before = Pixels(doc);
  Smear smear(8);
  ASSERT_TRUE(smear.brush.ButtonDown(&doc, 14, 4));
  EXPECT_EQ(Pixels(doc), before);
  const int locks = doc.lock.entries;
  smear.brush.MoveTo(22, 4);  // rightwards: the dark half is pushed right
  EXPECT_GT(doc.lock.entries, locks);
  smear.brush.ButtonUp();
  int darkened = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 16; x < 32; ++x) darkened += doc.Byte(x, y) < 200;
  EXPECT_GT(darkened, 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_LE(doc.Byte(x, y), 200);
  for (int y = 0; y < 8; ++y) EXPECT_EQ(doc.Byte(31, y), 200);  // beyond every dab
}

TEST(WaterSmear, UniformAreasStayAndTheSelectionLimits) {
  FakeDocument doc(32, 16, kWAType24, RECT{0, 0, 32, 16});
  Smear flat(8);
  ASSERT_TRUE(flat.brush.ButtonDown(&doc, 8, 8));
  flat.brush.MoveTo(20, 8);
  flat.brush.ButtonUp();
  EXPECT_EQ(Pixels(doc), std::vector<std::uint8_t>(32 * 3 * 16, 100));
  auto owned = HalfAndHalf(kWAType8Grey);
  FakeDocument& half = *owned;
  const auto before = Pixels(half);
  Smear limited(8);
  std::vector<std::uint8_t> none(4, 0);
  limited.brush.SetSelection(none.data(), RECT{0, 0, 2, 2}, false);  // selects nothing here
  ASSERT_TRUE(limited.brush.ButtonDown(&half, 14, 4));
  limited.brush.MoveTo(22, 4);
  limited.brush.ButtonUp();
  EXPECT_EQ(Pixels(half), before);
}

TEST(Water, BothMannersRefusePalettedImages) {
  for (int manner : {paint::kWaterDrop, paint::kWaterSmear}) {
    // A one-layer document over an indexed image.
    FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
    VrWA2000::WA* indexed = new VrWA2000::WA(kWAType8Palette, 16, 16, static_cast<const PALETTEENTRY*>(nullptr), false);
    doc.stack = CLayersManagerPtr::Adopt(new CLayersManager(&doc.lock, indexed));
    indexed->Release();
    ASSERT_NE(doc.stack->GetActiveLayer(), nullptr);
    paint::CWaterBrush brush;
    brush.SetManner(manner);
    EXPECT_FALSE(brush.ButtonDown(&doc, 4, 4));
    EXPECT_STREQ(brush.RefusalMessage(), paint::kMsgNoPalettedImages);
    EXPECT_TRUE(doc.undoSteps.empty());
  }
}

}  // namespace
