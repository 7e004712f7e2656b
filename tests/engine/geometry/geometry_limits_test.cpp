// Sizes and rects beyond the image limits are refused before any work: a
// 1-bit resample to 65536 x 32767 ends at once instead of running for
// minutes, and a scaled draw onto a rect spanning the whole 32-bit range
// writes nothing.
#include <gtest/gtest.h>

#include <limits>

#include "engine/geometry/Resample.h"
#include "engine/geometry/ScaledDraw.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/layers/layer_support.h"
#include "engine/pixels/Fillwa.h"

namespace {

using namespace lumora;
using lumora::testing::AllBytes;

constexpr LONG kMin = std::numeric_limits<LONG>::min();
constexpr LONG kMax = std::numeric_limits<LONG>::max();

WAPtr NewBuffer(int type, int width, int height) {
  return WAPtr::Adopt(NewWA(type, width, height, nullptr));
}

TEST(GeometryLimits, ResampleRefusesSizesBeyondTheLimits) {
  WAPtr source = NewBuffer(kWAType1Bit, 16, 16);
  const int sizes[][2] = {{65536, 32767}, {kMaxImageSide + 1, 1}, {1, kMaxImageSide + 1},
                          {kMax, kMax},   {kMin, 1},             {0, 1}};
  for (const auto& s : sizes) {
    EXPECT_EQ(ResampleImage(source.get(), s[0], s[1], false, false, nullptr, 0, nullptr), nullptr)
        << s[0] << "x" << s[1];
  }
  WAPtr widest = WAPtr::Adopt(
      ResampleImage(source.get(), kMaxImageSide, 1, false, false, nullptr, 0, nullptr));
  ASSERT_TRUE(widest);
  EXPECT_EQ(widest->GetW(), kMaxImageSide);
}

TEST(GeometryLimits, ScaledDrawRefusesRectsBeyondTheCoordinates) {
  WAPtr source = NewBuffer(kWAType24, 4, 4);
  WAPtr dst = NewBuffer(kWAType24, 8, 8);
  const RECT rects[] = {{kMin, 0, kMax, 8}, {0, kMin, 8, kMax}, {kMin, kMin, kMax, kMax},
                        {0, 0, kMaxImageSide + 1, 8}};
  for (const RECT& r : rects) {
    const scaled::ScaledDraw draw{dst.get(), r, source.get(), nullptr, true};
    EXPECT_FALSE(scaled::DrawScaledFast(draw));
    EXPECT_FALSE(scaled::DrawScaledReference(draw));
    EXPECT_TRUE(AllBytes(dst.get(), 0));
  }
  WAPtr palette = NewBuffer(kWAType4Bit, 4, 4);
  WAPtr paletteDst = NewBuffer(kWAType4Bit, 8, 8);
  EXPECT_FALSE(scaled::StretchNearest(paletteDst.get(), rects[2], palette.get()));
  FillWA(source.get(), 9, 9, 9);
  const scaled::ScaledDraw widest{dst.get(), RECT{0, 0, kMaxImageSide, 8}, source.get(), nullptr,
                                  true};
  EXPECT_TRUE(scaled::DrawScaledFast(widest));
  EXPECT_TRUE(AllBytes(dst.get(), 9));
}

}  // namespace
