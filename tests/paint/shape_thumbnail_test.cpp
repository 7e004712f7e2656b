// The shape lists' pictures of custom shapes: the box, the aspect ratio,
// the area means and bilinear blend, the inversion and the face colour.
#include <gtest/gtest.h>

#include <functional>

#include "engine/pixels/WAccess.h"
#include "paint/ShapeThumbnail.h"

namespace {

WAPtr Grey(int w, int h, const std::function<int(int, int)>& value) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType8Grey, w, h, nullptr));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image->Row(y)[x] = static_cast<std::uint8_t>(value(x, y));
  return image;
}

int At(const paint::ShapeThumbLevels& levels, int x, int y) { return levels[static_cast<std::size_t>(y * 32 + x)]; }

TEST(ShapeThumbnail, OnlyGreyImagesGiveAPicture) {
  WAPtr colour = WAPtr::Adopt(NewWA(kWAType24, 8, 8, nullptr));
  EXPECT_FALSE(paint::RenderShapeThumbnail(colour.get()).has_value());
  EXPECT_FALSE(paint::RenderShapeThumbnail(nullptr).has_value());
}

// A full shape is black in its box, the rest is face; the longer side
// fills the box and the shorter one is centred.
TEST(ShapeThumbnail, BoxInsideTheMarginKeepsTheAspectRatio) {
  struct Case {
    int w, h, left, top, right, bottom;
  };
  for (const Case& c : {Case{40, 40, 6, 6, 26, 26}, Case{40, 10, 6, 13, 26, 18}, Case{7, 70, 15, 6, 17, 26},
                        Case{1, 500, 15, 6, 16, 26}}) {
    const auto levels = paint::RenderShapeThumbnail(Grey(c.w, c.h, [](int, int) { return 255; }).get());
    ASSERT_TRUE(levels.has_value());
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
        ASSERT_EQ(At(*levels, x, y), inside ? 0 : 255) << c.w << "x" << c.h << " at " << x << "," << y;
      }
  }
  const auto empty = paint::RenderShapeThumbnail(Grey(40, 40, [](int, int) { return 0; }).get());
  ASSERT_TRUE(empty.has_value());
  for (std::uint8_t level : *empty) ASSERT_EQ(level, 255);
}

TEST(ShapeThumbnail, SamplesBlendAreaMeansWithSixteenthWeights) {
  // 40 -> 20: every sample sits on an even column (no fraction) and means
  // a 3 x 3 window; at the half's edge the window holds 3 of 9 bright.
  const auto halves = paint::RenderShapeThumbnail(Grey(40, 40, [](int x, int) { return x < 20 ? 255 : 0; }).get());
  ASSERT_TRUE(halves.has_value());
  EXPECT_EQ(At(*halves, 6 + 9, 10), 0);
  EXPECT_EQ(At(*halves, 6 + 10, 10), 255 - 3 * 255 / 9);
  EXPECT_EQ(At(*halves, 6 + 11, 10), 255);
  // 30 -> 20: sample 1 lies 8/16 past column 1 (window 1): (8 x 7 x 15 +
  // 16 x 8 x 15) / 225 = 12 on the top row.
  const auto ramp = paint::RenderShapeThumbnail(Grey(30, 30, [](int x, int) { return 8 * x; }).get());
  ASSERT_TRUE(ramp.has_value());
  EXPECT_EQ(At(*ramp, 6 + 1, 6), 255 - (8 * 7 * 15 + 16 * 8 * 15) / 225);
  EXPECT_EQ(At(*ramp, 6 + 0, 6), 255);
}

TEST(ShapeThumbnail, LevelsScaleTheButtonFace) {
  paint::ShapeThumbLevels levels;
  levels.fill(255);
  levels[0] = 0;
  levels[1] = 128;
  const std::vector<std::uint8_t> px = paint::ShapeThumbnailPixels(levels, 200, 100, 50);
  ASSERT_EQ(px.size(), 32u * 32u * 3u);
  EXPECT_EQ((std::vector<int>{px[0], px[1], px[2]}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ((std::vector<int>{px[3], px[4], px[5]}), (std::vector<int>{50 * 128 / 255, 100 * 128 / 255, 200 * 128 / 255}));
  EXPECT_EQ((std::vector<int>{px[6], px[7], px[8]}), (std::vector<int>{50, 100, 200}));
}

}  // namespace
