// Thumbnail sizes and work buffers: the layer drawn where it lies, over the
// stack's transparency pattern.
#include <gtest/gtest.h>

#include "engine/layers/LayerThumbnail.h"
#include "engine/pixels/Dib.h"
#include "stack_support.h"

namespace {

using lumora::testing::Add;
using lumora::testing::ColourLayer;
using lumora::testing::EmptyStack;
using lumora::testing::PixelAt;
using lumora::testing::Px;

TEST(ThumbnailSize, KeepsTheAspectAndAtLeastThreePixels) {
  struct Case {
    SIZE box;
    int width, height;
    SIZE expected;
  } cases[] = {
      {{60, 40}, 6000, 4000, {60, 40}},  {{32, 32}, 100, 400, {8, 32}},   {{32, 32}, 400, 100, {32, 8}},
      {{32, 32}, 30000, 1, {32, 3}},     {{32, 32}, 1, 30000, {3, 32}},  {{32, 32}, 50, 50, {32, 32}},
      {{0, 32}, 10, 10, {0, 0}},         {{32, 32}, 0, 10, {0, 0}},
  };
  for (const Case& c : cases) {
    const SIZE size = lumora::ThumbnailSize(c.box, c.width, c.height);
    EXPECT_EQ(size.cx, c.expected.cx) << c.width << "x" << c.height;
    EXPECT_EQ(size.cy, c.expected.cy) << c.width << "x" << c.height;
  }
}

// A 2 x 2 checker of black and white at 24 bits.
std::vector<std::uint8_t> CheckerDib(const VrWA2000::WA*) {
  WAPtr checker = WAPtr::Adopt(NewWA(kWAType24, 2, 2, nullptr));
  std::fill_n(checker->Row(0), 3, 255);
  std::fill_n(checker->Row(1) + 3, 3, 255);
  return ImageToDIBBytes(checker.get(), RECT{0, 0, 2, 2});
}

class ThumbnailBuffer : public ::testing::Test {
 protected:
  void SetUp() override { lumora::SetPatternDibLoader(CheckerDib); }
  void TearDown() override { lumora::SetPatternDibLoader(nullptr); }
};

TEST_F(ThumbnailBuffer, LayerLiesWhereItsRectIsOverThePattern) {
  CLayersManagerPtr stack = EmptyStack(100, 50);
  ASSERT_EQ(stack->UpdateComposite(kWAType24), 0);
  CLayer* layer = Add(*stack, ColourLayer(RECT{50, 0, 100, 50}, 10, 20, 30));
  const WAPtr buffer = lumora::DrawThumbnailBuffer(*stack, *layer, SIZE{52, 27}, false);
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer->GetW(), 50);
  EXPECT_EQ(buffer->GetH(), 25);
  EXPECT_EQ(PixelAt(buffer.get(), 0, 0), (Px{255, 255, 255}));
  EXPECT_EQ(PixelAt(buffer.get(), 1, 0), (Px{0, 0, 0}));
  EXPECT_EQ(PixelAt(buffer.get(), 0, 1), (Px{0, 0, 0}));
  EXPECT_EQ(PixelAt(buffer.get(), 24, 24), (Px{255, 255, 255}));
  EXPECT_EQ(PixelAt(buffer.get(), 23, 24), (Px{0, 0, 0}));
  for (int x : {25, 40, 49}) EXPECT_EQ(PixelAt(buffer.get(), x, 12), (Px{10, 20, 30})) << x;
}

TEST_F(ThumbnailBuffer, MaskThumbnailsNeedAMaskAndLayersTheStack) {
  CLayersManagerPtr stack = EmptyStack(20, 20);
  CLayer* plain = Add(*stack, ColourLayer(RECT{0, 0, 20, 20}, 1, 2, 3));
  EXPECT_FALSE(lumora::DrawThumbnailBuffer(*stack, *plain, SIZE{12, 12}, true));
  CLayer* masked = Add(*stack, ColourLayer(RECT{0, 0, 20, 20}, 1, 2, 3, 200));
  const WAPtr mask = lumora::DrawThumbnailBuffer(*stack, *masked, SIZE{12, 12}, true);
  ASSERT_TRUE(mask);
  EXPECT_EQ(PixelAt(mask.get(), 5, 5), (Px{200, 200, 200}));
  CLayerPtr outside = ColourLayer(RECT{0, 0, 20, 20}, 1, 2, 3);
  EXPECT_FALSE(lumora::DrawThumbnailBuffer(*stack, *outside, SIZE{12, 12}, false));
  EXPECT_FALSE(lumora::DrawThumbnailBuffer(*stack, *plain, SIZE{2, 12}, false));
}

}  // namespace
