// The zoom ladder and its steps, the zoom tool's starting zoom, the update
// rule of the zoom commands, ZoomToRect's factors and the centring scroll.
#include <gtest/gtest.h>

#include <vector>

#include "view/ViewZoom.h"

namespace lumora {
namespace {

struct Step {
  double s;
  bool larger;
  bool exists;
  std::int32_t a, b;
};

TEST(ZoomLadder, EveryLadderValueStepsToItsNeighbours) {
  const std::vector<Step> steps = {
      // Zoom In from each rung (32:1 has none).
      {-32, true, false, 0, 0}, {-16, true, true, 32, 1}, {-8, true, true, 16, 1}, {-6, true, true, 8, 1},
      {-4, true, true, 6, 1},   {-2, true, true, 4, 1},   {1, true, true, 2, 1},   {2, true, true, 1, 1},
      {4, true, true, 1, 2},    {6, true, true, 1, 4},    {8, true, true, 1, 6},   {16, true, true, 1, 8},
      {32, true, true, 1, 16},
      // Zoom Out from each rung (1:32 has none).
      {-32, false, true, 16, 1}, {-16, false, true, 8, 1}, {-8, false, true, 6, 1}, {-6, false, true, 4, 1},
      {-4, false, true, 2, 1},   {-2, false, true, 1, 1},  {1, false, true, 1, 2},  {2, false, true, 1, 4},
      {4, false, true, 1, 6},    {6, false, true, 1, 8},   {8, false, true, 1, 16}, {16, false, true, 1, 32},
      {32, false, false, 0, 0},
      // Off the ladder: 1:3 and 3:1 go to their neighbours.
      {3, true, true, 1, 2}, {3, false, true, 1, 4}, {-3, true, true, 4, 1}, {-3, false, true, 2, 1},
      // -1 is 1:1.
      {-1, true, true, 2, 1}, {-1, false, true, 1, 2},
      // Beyond the ends: both directions land on the end.
      {-64, true, true, 32, 1}, {-64, false, true, 32, 1}, {64, true, true, 1, 32}, {64, false, true, 1, 32},
  };
  for (const Step& c : steps) {
    std::int32_t a = 0, b = 0;
    EXPECT_EQ(GetZoomStep(c.s, c.larger, &a, &b), c.exists) << c.s << (c.larger ? " in" : " out");
    EXPECT_EQ(GetZoomStep(c.s, c.larger, nullptr, nullptr), c.exists);
    if (!c.exists) continue;
    EXPECT_EQ(a, c.a) << c.s << (c.larger ? " in" : " out");
    EXPECT_EQ(b, c.b) << c.s << (c.larger ? " in" : " out");
  }
}

TEST(ZoomLadder, FactorsTheLadderGaveCountAsTheirRung) {
  // 333 at 1:2 shows 166 columns: 333 / 166 is a little more than 2, yet
  // Zoom In must reach 1:1 and not ask for 1:2 again.
  const ViewZoomFactors half = RatioFactors(333, 100, 1, 2);
  EXPECT_EQ(LadderValueOfFactor(half.x, 333), 2.0);
  std::int32_t a = 0, b = 0;
  ASSERT_TRUE(GetZoomStep(LadderValueOfFactor(half.x, 333), true, &a, &b));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(LadderValueOfFactor(RatioFactors(333, 100, 6, 1).x, 333), -6.0);
  EXPECT_EQ(LadderValueOfFactor(RatioFactors(333, 100, 1, 1).x, 333), 1.0);
  // A factor of no rung keeps its real value.
  EXPECT_DOUBLE_EQ(LadderValueOfFactor(XFFACT(100, 300), 300), 3.0);
  EXPECT_DOUBLE_EQ(LadderValueOfFactor(XFFACT(300, 100), 100), -3.0);
}

TEST(ZoomLadder, AnImageOfAnotherSizeKeepsTheZoom) {
  struct Case {
    ViewZoomFactors before;
    std::int32_t oldWidth, newWidth, newHeight;
    std::int32_t displayedWidth, displayedHeight;
  };
  const std::vector<Case> cases = {
      // 160 x 120 at 1:1 turned a quarter: 120 x 160 at 1:1, not squeezed
      // into the old 160 x 120.
      {RatioFactors(160, 120, 1, 1), 160, 120, 160, 120, 160},
      {RatioFactors(160, 120, 2, 1), 160, 120, 160, 240, 320},
      // A ladder reduction of an odd width stays that rung: 333 at 1:2
      // shows 166, so 49 x 59 shows 24 x 29.
      {RatioFactors(333, 100, 1, 2), 333, 49, 59, 24, 29},
      // The opening reduction 1:4 of a 4000 x 3000 image, cropped.
      {ReductionFactors(4000, 3000, 4), 4000, 1000, 999, 250, 249},
      // Off the ladder (a zoom to a rectangle): the same ratio.
      {{XFFACT(300, 200), XFFACT(300, 200)}, 200, 100, 40, 150, 60},
      // A strip keeps one pixel.
      {RatioFactors(64, 64, 1, 32), 64, 10, 10, 1, 1},
  };
  for (const Case& c : cases) {
    const ViewZoomFactors kept = KeptZoomFactors(c.before.x, c.oldWidth, c.newWidth, c.newHeight);
    EXPECT_EQ(kept.x.DisplayedExtent() * std::int64_t{c.newWidth} / kept.x.ImageExtent(), c.displayedWidth)
        << c.oldWidth << " to " << c.newWidth;
    EXPECT_EQ(kept.y.DisplayedExtent() * std::int64_t{c.newHeight} / kept.y.ImageExtent(), c.displayedHeight)
        << c.oldWidth << " to " << c.newWidth;
    EXPECT_EQ(LadderValueOfFactor(kept.x, c.newWidth), LadderValueOfFactor(c.before.x, c.oldWidth))
        << c.oldWidth << " to " << c.newWidth;
  }
}

TEST(ZoomTool, StartingZoomFromTheViewsZoom) {
  struct Case {
    double z;
    std::int32_t p, q;
  };
  const std::vector<Case> cases = {
      {1, 2, 1},      {2, 1, 1},       {4, 1, 2},       {8, 1, 6},       {15, 1, 13},     {16, 1, 12},
      {32, 1, 28},    {0.5, 4, 1},     {1.0 / 16, 18, 1}, {1.0 / 17, 21, 1}, {1.0 / 28, 32, 1}, {1.0 / 29, 29, 1},
      {1.0 / 32, 32, 1}, {3.4, 1, 1},
  };
  for (const Case& c : cases) {
    std::int32_t p = 0, q = 0;
    ZoomToolTarget(c.z, &p, &q);
    EXPECT_EQ(p, c.p) << c.z;
    EXPECT_EQ(q, c.q) << c.z;
  }
}

TEST(ZoomCommands, UpdateStatesFollowTheRoundedZoom) {
  // Original Size is checked and disabled at 1:1; its button is enabled
  // only off 1:1 and never checked.
  ZoomCommandState s = ZoomCommandUpdate(32979, 1.0, true, false);
  EXPECT_TRUE(s.checked);
  EXPECT_FALSE(s.enabled);
  s = ZoomCommandUpdate(32805, 1.0, true, false);
  EXPECT_FALSE(s.enabled);
  EXPECT_FALSE(s.checked);
  s = ZoomCommandUpdate(32805, 0.5, true, false);
  EXPECT_TRUE(s.enabled);
  EXPECT_FALSE(s.checked);
  s = ZoomCommandUpdate(32979, 2.0, true, false);
  EXPECT_TRUE(s.enabled);
  EXPECT_FALSE(s.checked);
  // Window sizes: checked at their own zoom, enabled unless embedded.
  struct Case {
    double z;
    std::uint32_t checkedId;
  };
  for (const Case c : {Case{1.0 / 6, 32989}, Case{1.0, 32986}, Case{2.0, 32985}, Case{32.0, 32980},
                       Case{1.0 / 32, 32992}, Case{3.0, 0}, Case{1.02, 32986}}) {
    for (std::uint32_t id = kFirstWindowSizeCommand; id <= kLastWindowSizeCommand; ++id) {
      s = ZoomCommandUpdate(id, c.z, true, false);
      EXPECT_EQ(s.checked, id == c.checkedId) << c.z << " " << id;
      EXPECT_TRUE(s.enabled);
      EXPECT_FALSE(ZoomCommandUpdate(id, c.z, true, true).enabled);
      EXPECT_FALSE(ZoomCommandUpdate(id, c.z, false, false).enabled);
    }
  }
  std::int32_t a = 0, b = 0;
  ASSERT_TRUE(WindowSizeCommandRatio(32989, &a, &b));
  EXPECT_EQ(a, 6);
  EXPECT_EQ(b, 1);
  EXPECT_FALSE(WindowSizeCommandRatio(32993, &a, &b));
}

TEST(ZoomToRect, TheWholeRectangleFitsTheClient) {
  ViewZoomFactors f;
  // 99 x 100 in a 300 x 1000 client: the width decides (3.03), so the
  // rectangle is drawn 300 wide, not 990.
  ASSERT_TRUE(ZoomToRectFactors(1000, 1000, 99, 100, 300, 1000, &f));
  EXPECT_EQ(f.x.DisplayedExtent() * 1000 / f.x.ImageExtent(), 3030);
  EXPECT_LE(99.0 * f.x.DisplayedExtent() / f.x.ImageExtent(), 300.0);
  EXPECT_LE(100.0 * f.y.DisplayedExtent() / f.y.ImageExtent(), 1000.0);
  // A wide rectangle in a tall client: the width decides too.
  ASSERT_TRUE(ZoomToRectFactors(640, 480, 200, 50, 400, 400, &f));
  EXPECT_DOUBLE_EQ(f.x.ImagePerWindowUnit(), 0.5);
  // The height decides.
  ASSERT_TRUE(ZoomToRectFactors(640, 480, 50, 200, 400, 400, &f));
  EXPECT_DOUBLE_EQ(f.y.ImagePerWindowUnit(), 0.5);
  // Never beyond 32:1, however small the rectangle.
  ASSERT_TRUE(ZoomToRectFactors(640, 480, 1, 1, 1000, 1000, &f));
  EXPECT_EQ(f.x.DisplayedExtent(), 32);
  EXPECT_EQ(f.x.ImageExtent(), 1);
  // Halves round up: 3 x 1.5 = 4.5 shows 5.
  ASSERT_TRUE(ZoomToRectFactors(3, 3, 2, 2, 3, 3, &f));
  EXPECT_EQ(f.x.DisplayedExtent(), 5);
  // Nothing to fit.
  EXPECT_FALSE(ZoomToRectFactors(640, 480, 0, 10, 400, 400, &f));
  EXPECT_FALSE(ZoomToRectFactors(640, 480, 10, 10, 0, 400, &f));
}

TEST(ZoomToRect, CentringScrollStaysOnTheImage) {
  EXPECT_EQ(CentringScrollOrigin(500, 200, 2000), 400);  // 500 - 100
  EXPECT_EQ(CentringScrollOrigin(501, 201, 2000), 400);  // (201 + 1) / 2
  EXPECT_EQ(CentringScrollOrigin(50, 200, 2000), 0);     // not before the start
  EXPECT_EQ(CentringScrollOrigin(1950, 200, 2000), 1800);  // not past the end
  EXPECT_EQ(CentringScrollOrigin(100, 400, 300), 0);     // an image smaller than the client
}

}  // namespace
}  // namespace lumora
