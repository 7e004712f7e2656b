// Scaled drawing of layers: the box and interpolation samplers on worked
// examples, clipping, the mask members, the nearest stretch of the palette
// types, and the fast walk checked byte for byte against the reference walk.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/layers/Layer.h"
#include "engine/geometry/ScaledDraw.h"
#include "engine/layers/layer_support.h"
#include "support/random_buffers.h"

namespace {

using namespace lumora;
using lumora::testing::AllBytes;
using lumora::testing::BufferFromBytes;
using lumora::testing::PatternBuffer;
using lumora::testing::RandomBuffer;
using lumora::testing::SameBuffers;
using lumora::testing::SolidBuffer;

CLayerPtr LayerAround(VrWA2000::WA* image, VrWA2000::WA* mask = nullptr) {
  return CLayerPtr::Adopt(new CLayer(image, POINT{0, 0}, mask != nullptr ? 1 : 0, mask, 0));
}

WAPtr Blank(int type, int w, int h) { return WAPtr::Adopt(NewWA(type, w, h, nullptr)); }

TEST(ScaledDraw, SameSizeIsAnExactCopy) {
  std::mt19937 rng(1);
  WAPtr image = RandomBuffer(kWAType24, 13, 9, rng);
  CLayerPtr layer = LayerAround(image.get());
  WAPtr dst = Blank(kWAType24, 13, 9);
  EXPECT_EQ(layer->DrawScaled24(dst.get(), RECT{0, 0, 13, 9}), kLayerOk);
  for (int y = 0; y < 9; ++y)
    ASSERT_EQ(0, std::memcmp(dst->Row(y), image->Row(y), 39)) << "row " << y;
}

TEST(ScaledDraw, HalvingAveragesThreeByThreeBlocksWithTheBorderRepeated) {
  // Pixel (c, r) holds 10 c + r.
  WAPtr image = PatternBuffer(kWAType8Grey, 8, 8, [](int y, int x) { return 10 * x + y; });
  CLayerPtr layer = LayerAround(image.get());
  WAPtr dst = Blank(kWAType8Grey, 4, 4);
  EXPECT_EQ(layer->DrawScaled8(dst.get(), RECT{0, 0, 4, 4}), kLayerOk);
  // Centre (0, 0): columns 0, 0, 1 and rows 0, 0, 1: (30 + 3) / 9.
  EXPECT_EQ(dst->Row(0)[0], 3);
  // Centre (2, 2): a full block, mean 22; centre (6, 4): 64.
  EXPECT_EQ(dst->Row(1)[1], 22);
  EXPECT_EQ(dst->Row(2)[3], 64);
}

TEST(ScaledDraw, EnlargingInterpolatesAndTheLastColumnHasFractionZero) {
  const std::uint8_t row[4] = {0, 225, 0, 0};
  WAPtr image = BufferFromBytes(kWAType8Grey, 2, 1, row, 4);
  CLayerPtr layer = LayerAround(image.get());
  WAPtr dst = Blank(kWAType8Grey, 3, 1);
  layer->DrawScaled8(dst.get(), RECT{0, 0, 3, 1});
  // Positions 0, 10/16 and 21/16 (clamped to the last pixel, fraction 0).
  EXPECT_EQ(std::vector<int>(dst->Row(0), dst->Row(0) + 3), (std::vector<int>{0, 150, 225}));
}

TEST(ScaledDraw, UniformSourceStaysUniformInBothPaths) {
  WAPtr image = SolidBuffer(kWAType24, 40, 30, 200);
  CLayerPtr layer = LayerAround(image.get());
  for (const RECT& rect : {RECT{0, 0, 7, 5}, RECT{0, 0, 90, 70}, RECT{0, 0, 13, 60}}) {
    WAPtr dst = Blank(kWAType24, rect.right, rect.bottom);
    layer->DrawScaled24(dst.get(), rect);
    EXPECT_TRUE(AllBytes(dst.get(), 200)) << rect.right << "x" << rect.bottom;
  }
}

TEST(ScaledDraw, ClippingNeverShiftsThePicture) {
  std::mt19937 rng(2);
  WAPtr image = RandomBuffer(kWAType24, 50, 40, rng);
  CLayerPtr layer = LayerAround(image.get());
  for (const RECT& rect : {RECT{-6, -3, 14, 12}, RECT{-30, -20, 90, 70}}) {
    WAPtr big = Blank(kWAType24, 200, 200);
    RECT moved = rect;
    moved.left += 100, moved.right += 100, moved.top += 100, moved.bottom += 100;
    layer->DrawScaled24(big.get(), moved);
    WAPtr small = Blank(kWAType24, 10, 8);
    layer->DrawScaled24(small.get(), rect);
    for (int y = 0; y < 8; ++y) {
      ASSERT_EQ(0, std::memcmp(small->Row(y), big->Row(100 + y) + 300, 30)) << "row " << y;
    }
  }
}

TEST(ScaledDraw, MaskBlendsTheSampleOverTheDestination) {
  WAPtr image = SolidBuffer(kWAType8Grey, 4, 1, 255);
  const std::uint8_t masks[4] = {255, 0, 128, 51};
  WAPtr mask = BufferFromBytes(kWAType8Grey, 4, 1, masks, 4);
  CLayerPtr layer = LayerAround(image.get(), mask.get());
  WAPtr dst = SolidBuffer(kWAType8Grey, 4, 1, 10);
  layer->DrawScaled8(dst.get(), RECT{0, 0, 4, 1});
  // (d (255 - m) + v m) / 255 with d = 10, v = 255.
  EXPECT_EQ(std::vector<int>(dst->Row(0), dst->Row(0) + 4), (std::vector<int>{255, 10, 132, 59}));
}

TEST(ScaledDraw, MaskMembersDrawTheMaskAndNeedOne) {
  WAPtr image = SolidBuffer(kWAType24, 20, 20, 9);
  WAPtr mask = SolidBuffer(kWAType8Grey, 20, 20, 255);
  CLayerPtr masked = LayerAround(image.get(), mask.get());
  for (const RECT& rect : {RECT{0, 0, 5, 5}, RECT{0, 0, 50, 45}}) {
    WAPtr wide = Blank(kWAType24, rect.right, rect.bottom);
    EXPECT_EQ(masked->DrawMaskScaled24(wide.get(), rect), kLayerOk);
    EXPECT_TRUE(AllBytes(wide.get(), 255));
    WAPtr narrow = Blank(kWAType8Grey, rect.right, rect.bottom);
    EXPECT_EQ(masked->DrawMaskScaled8(narrow.get(), rect), kLayerOk);
    EXPECT_TRUE(AllBytes(narrow.get(), 255));
  }
  CLayerPtr plain = LayerAround(image.get());
  WAPtr dst = SolidBuffer(kWAType24, 5, 5, 77);
  EXPECT_EQ(plain->DrawMaskScaled24(dst.get(), RECT{0, 0, 5, 5}), kLayerNotLayerable);
  EXPECT_EQ(plain->DrawMaskScaled8(dst.get(), RECT{0, 0, 5, 5}), kLayerNotLayerable);
  EXPECT_TRUE(AllBytes(dst.get(), 77));
}

TEST(ScaledDraw, EmptyRectsAndUnfitBuffersDrawNothing) {
  WAPtr image = SolidBuffer(kWAType24, 8, 8, 9);
  CLayerPtr layer = LayerAround(image.get());
  WAPtr dst = SolidBuffer(kWAType24, 8, 8, 1);
  EXPECT_EQ(layer->DrawScaled24(dst.get(), RECT{0, 0, 0, 5}), kLayerOk);
  EXPECT_EQ(layer->DrawScaled24(dst.get(), RECT{20, 20, 30, 30}), kLayerOk);
  EXPECT_TRUE(AllBytes(dst.get(), 1));
  // A 24-bit image cannot be drawn into a 1-byte destination, nor without one.
  WAPtr grey = SolidBuffer(kWAType8Grey, 8, 8, 1);
  EXPECT_EQ(layer->DrawScaled8(grey.get(), RECT{0, 0, 8, 8}), kLayerNullBuffer);
  EXPECT_EQ(layer->DrawScaled24(nullptr, RECT{0, 0, 8, 8}), kLayerNullBuffer);
  EXPECT_TRUE(AllBytes(grey.get(), 1));
}

// The fast walk against the reference walk on random pictures.
struct WalkCase {
  int srcW, srcH;
  RECT rect;
  int dstW, dstH;
  bool wide;
  int srcType;
  int maskW, maskH;  // 0: no mask
};

TEST(ScaledDraw, FastWalkMatchesReferenceWalk) {
  const WalkCase cases[] = {
      {37, 29, {0, 0, 37, 29}, 37, 29, true, kWAType24, 37, 29},        // box 1 x 1
      {64, 48, {0, 0, 32, 24}, 32, 24, true, kWAType24, 64, 48},        // halving
      {100, 77, {-5, 3, 20, 17}, 18, 15, true, kWAType24, 0, 0},        // box 5 x 5, clipped
      {7, 5, {2, -4, 40, 33}, 30, 30, true, kWAType24, 7, 5},           // enlarging
      {90, 6, {0, 0, 11, 20}, 11, 20, false, kWAType8Grey, 90, 6},      // reduce x, enlarge y
      {300, 1200, {0, 0, 1, 2}, 1, 2, false, kWAType8Grey, 300, 1200},  // boxes of 301 x 601
      {40, 40, {-10, -10, 23, 23}, 13, 13, true, kWAType8Grey, 0, 0},   // grey into 24 bits
      {50, 50, {0, 0, 9, 9}, 9, 9, true, kWAType24, 31, 44},            // mask smaller than image
      {50, 50, {0, 0, 70, 80}, 70, 80, false, kWAType8Grey, 20, 60},    // and when enlarging
  };
  std::mt19937 rng(3);
  for (const WalkCase& c : cases) {
    WAPtr source = RandomBuffer(c.srcType, c.srcW, c.srcH, rng);
    WAPtr mask = c.maskW > 0 ? RandomBuffer(kWAType8Grey, c.maskW, c.maskH, rng) : WAPtr();
    const int dstType = c.wide ? kWAType24 : kWAType8Grey;
    WAPtr fast = RandomBuffer(dstType, c.dstW, c.dstH, rng);
    WAPtr reference = WAPtr::Adopt(CloneWA(fast.get()));
    scaled::ScaledDraw draw{fast.get(), c.rect, source.get(), mask.get(), c.wide};
    ASSERT_TRUE(scaled::DrawScaledFast(draw));
    draw.dst = reference.get();
    ASSERT_TRUE(scaled::DrawScaledReference(draw));
    EXPECT_TRUE(SameBuffers(fast.get(), reference.get())) << c.srcW << "x" << c.srcH;
  }
}

TEST(ScaledDraw, BoxAverageRepeatsEdgesAndDividesByTheBoxSize) {
  const std::uint8_t bytes[6] = {10, 20, 30, 40, 50, 60};  // one row of two RGB pixels
  WAPtr image = BufferFromBytes(kWAType24, 2, 1, bytes, 6);
  lumora::RefPtr<VrWA2000::ReadWA::Access> access =
      lumora::RefPtr<VrWA2000::ReadWA::Access>::Adopt(image->GetReadAccess());
  // Columns -1, 0, 1 read pixels 0, 0, 1; the three rows all read row 0.
  EXPECT_EQ(BoxAverage24(access.get(), 0, 0, 2, 1, 3, 3, 0), (10 + 10 + 40) / 3);
  EXPECT_EQ(BoxAverage24(access.get(), 1, 0, 2, 1, 3, 1, 2), (60 + 60 + 30) / 3);
  EXPECT_EQ(BoxAverage8(access.get(), 5, 0, 6, 1, 1, 1), 60);
}

// ---- Nearest stretch of the palette types ----

TEST(StretchImage, EightBitTakesTheNearestPixel) {
  WAPtr image = PatternBuffer(kWAType8Palette, 6, 4, [](int y, int x) { return 10 * y + x; });
  CLayerPtr layer = LayerAround(image.get());
  WAPtr dst = Blank(kWAType8Palette, 3, 2);
  EXPECT_EQ(layer->StretchImage(dst.get(), RECT{0, 0, 3, 2}), kLayerOk);
  EXPECT_EQ(std::vector<int>(dst->Row(1), dst->Row(1) + 3), (std::vector<int>{20, 22, 24}));
}

TEST(StretchImage, FourBitNibblesAndOneBitRowsOfTenPixels) {
  const std::uint8_t nibbles[2] = {0x12, 0x34};  // pixels 1, 2, 3, 4
  WAPtr four = BufferFromBytes(kWAType4Bit, 4, 1, nibbles, 2);
  CLayerPtr layer4 = LayerAround(four.get());
  WAPtr dst4 = Blank(kWAType4Bit, 8, 1);
  EXPECT_EQ(layer4->StretchImage4(dst4.get(), RECT{0, 0, 8, 1}), kLayerOk);
  EXPECT_EQ(std::vector<int>(dst4->Row(0), dst4->Row(0) + 4),
            (std::vector<int>{0x11, 0x22, 0x33, 0x44}));

  const std::uint8_t bits[1] = {0xA5};  // 1 0 1 0 0 1 0 1
  WAPtr one = BufferFromBytes(kWAType1Bit, 5, 1, bits, 1);
  CLayerPtr layer1 = LayerAround(one.get());
  WAPtr dst1 = Blank(kWAType1Bit, 16, 1);
  EXPECT_EQ(layer1->StretchImage1(dst1.get(), RECT{0, 0, 10, 1}), kLayerOk);
  // Pixels 1 1 0 0 1 1 0 0 0 0: the second byte holds two pixels (both 0)
  // in its top bits, the rest of the row is untouched.
  EXPECT_EQ(dst1->Row(0)[0], 0xCC);
  EXPECT_EQ(dst1->Row(0)[1], 0x00);
  const std::uint8_t ones[1] = {0xFF};
  WAPtr set = BufferFromBytes(kWAType1Bit, 5, 1, ones, 1);
  CLayerPtr setLayer = LayerAround(set.get());
  setLayer->StretchImage1(dst1.get(), RECT{0, 0, 10, 1});
  EXPECT_EQ(dst1->Row(0)[1], 0xC0);
}

TEST(StretchImage, RefusesDifferentTypesAndMissingBuffers) {
  WAPtr image = SolidBuffer(kWAType8Palette, 4, 4, 3);
  CLayerPtr layer = LayerAround(image.get());
  WAPtr other = Blank(kWAType4Bit, 4, 4);
  EXPECT_EQ(layer->StretchImage(other.get(), RECT{0, 0, 4, 4}), kLayerNullBuffer);
  EXPECT_EQ(layer->StretchImage(nullptr, RECT{0, 0, 4, 4}), kLayerNullBuffer);
  EXPECT_EQ(layer->StretchImage(nullptr, RECT{0, 0, 0, 4}), kLayerOk);  // empty first
  CLayerPtr empty = CLayerPtr::Adopt(new CLayer());
  EXPECT_EQ(empty->StretchImage(other.get(), RECT{0, 0, 4, 4}), kLayerNullBuffer);
}

}  // namespace
