// Transform geometry: rotated points and bounds (exact at quarter turns,
// rounding half away from zero), rectangles through a four-point mapping,
// handle squares and clearing a buffer rectangle.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/transform/TransformGeometry.h"

namespace {

bool Equal(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(TransformGeometry, RoundsHalfAwayFromZero) {
  EXPECT_EQ(RoundHalfAway(2.5), 3);
  EXPECT_EQ(RoundHalfAway(-2.5), -3);
  EXPECT_EQ(RoundHalfAway(-2.49), -2);
  EXPECT_EQ(RoundHalfAway(NAN), 0);
  EXPECT_EQ(RoundHalfAway(1e12), 2147483647);
}

TEST(TransformGeometry, RotatePointTurnsAboutTheCentre) {
  POINT p;
  RotatePoint(&p, 10, 0, 0, 0, std::numbers::pi / 2);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 10);
  RotatePoint(&p, 13, 5, 3, 5, std::numbers::pi);
  EXPECT_EQ(p.x, -7);
  EXPECT_EQ(p.y, 5);
}

TEST(TransformGeometry, RotatedCornersAreExactAtQuarterTurns) {
  struct Case {
    RECT rect;
    int cx, cy;
    double angle;
    int inRadians;
    RECT expected;
  };
  const Case cases[] = {
      {{0, 0, 10, 20}, 0, 0, 90, 0, {-20, 0, 0, 10}},
      {{0, 0, 10, 20}, 0, 0, 360, 0, {0, 0, 10, 20}},
      {{0, 0, 10, 20}, 0, 0, -270, 0, {-20, 0, 0, 10}},
      {{0, 0, 10, 20}, 0, 0, 180, 0, {-10, -20, 0, 0}},
      {{0, 0, 10, 20}, 0, 0, 630, 0, {0, -10, 20, 0}},
      // A 100 x 60 image turned by 90 degrees about its centre: 60 x 100.
      {{0, 0, 100, 60}, 50, 30, 90, 0, {20, -20, 80, 80}},
      // 45 degrees: corners at +-7.07 round to +-7.
      {{0, 0, 10, 10}, 0, 0, 45, 0, {-7, 0, 7, 14}},
      {{0, 0, 10, 10}, 0, 0, std::numbers::pi / 4, 1, {-7, 0, 7, 14}},
  };
  for (const Case& c : cases) {
    RECT out;
    GetRotatedCorners(&out, c.rect, c.cx, c.cy, c.angle, c.inRadians);
    EXPECT_TRUE(Equal(out, c.expected))
        << c.angle << ": " << out.left << "," << out.top << "," << out.right << "," << out.bottom;
  }
}

TEST(TransformGeometry, ResolvedAnglesAreExactOnlyForWholeQuarterTurns) {
  EXPECT_TRUE(ResolveRotationAngle(-450, 0).exact);
  EXPECT_EQ(ResolveRotationAngle(-450, 0).sine, -1.0);
  EXPECT_EQ(ResolveRotationAngle(-270, 0).sine, 1.0);
  EXPECT_EQ(ResolveRotationAngle(-180, 0).cosine, -1.0);
  EXPECT_FALSE(ResolveRotationAngle(90.5, 0).exact);
  EXPECT_FALSE(ResolveRotationAngle(89.9999, 0).exact);
  EXPECT_FALSE(ResolveRotationAngle(std::numbers::pi / 2, 1).exact);
  EXPECT_DOUBLE_EQ(ResolveRotationAngle(720.5, 0).radians, 0.5 * std::numbers::pi / 180);
}

TEST(TransformGeometry, MapRectThroughQuadCarriesCornersAndRoundsTowardZero) {
  const POINT own[4] = {{10, 20}, {50, 20}, {50, 80}, {10, 80}};
  POINT out[4];
  ASSERT_EQ(MapRectThroughQuad(own, RECT{10, 20, 50, 80}, RECT{15, 25, 30, 40}, out, 0), 1);
  EXPECT_EQ(out[0].x, 15);
  EXPECT_EQ(out[0].y, 25);
  EXPECT_EQ(out[2].x, 30);
  EXPECT_EQ(out[2].y, 40);
  // Relative: the points and the result count from the reference's corner.
  ASSERT_EQ(MapRectThroughQuad(own, RECT{10, 20, 50, 80}, RECT{15, 25, 30, 40}, out, 1), 1);
  EXPECT_EQ(out[0].x, 5);
  EXPECT_EQ(out[3].y, 20);
  // A doubling quad maps x = -1 to -2, which becomes -1 (0.5 added, then
  // truncated toward zero), not -2.
  const POINT doubled[4] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
  ASSERT_EQ(MapRectThroughQuad(doubled, RECT{0, 0, 10, 10}, RECT{-1, 0, 5, 5}, out, 0), 1);
  EXPECT_EQ(out[0].x, -1);
  EXPECT_EQ(out[1].x, 10);
  // Equal rectangles copy the points; a flat reference is refused.
  ASSERT_EQ(MapRectThroughQuad(doubled, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, out, 1), 1);
  EXPECT_EQ(out[2].x, 20);
  EXPECT_EQ(MapRectThroughQuad(doubled, RECT{0, 0, 0, 10}, RECT{0, 0, 5, 5}, out, 0), 0);
}

TEST(TransformGeometry, HandleRectIsASquareAroundThePoint) {
  RECT r;
  GetHandleRect(&r, POINT{10, 20}, 3);
  EXPECT_TRUE(Equal(r, RECT{7, 17, 14, 24}));
}

TEST(TransformGeometry, ClearBufferRectClearsOnlyTheClippedRectangle) {
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType8Grey, 10, 6, nullptr));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) wa->Row(y)[x] = 9;
  }
  ClearBufferRect(wa.get(), RECT{7, -3, 30, 2});
  ClearBufferRect(nullptr, RECT{0, 0, 5, 5});
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) {
      ASSERT_EQ(wa->Row(y)[x], (x >= 7 && y < 2) ? 0 : 9) << x << "," << y;
    }
  }
  EXPECT_EQ(wa->GetRefCount(), 1);
}

}  // namespace
