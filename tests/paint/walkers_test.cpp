// The arc walker's worked example, the Shift constraint and dabs along a
// line and an arc through the stroke machinery.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "paint/ArcWalk.h"
#include "paint/BrushRandom.h"
#include "paint/PaintBrush.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;

TEST(ArcWalk, QuarterCircleOfRadiusTen) {
  std::vector<POINT> points;
  const RECT box = paint::WalkArc(POINT{0, 10}, POINT{0, 0}, POINT{10, 0},
                                  [&](int x, int y) { points.push_back(POINT{x, y}); });
  ASSERT_FALSE(points.empty());
  EXPECT_EQ(points.front().x, 0);
  EXPECT_EQ(points.front().y, 10);
  EXPECT_NEAR(points.back().x, 10, 1);
  EXPECT_NEAR(points.back().y, 0, 1);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double r = std::hypot(points[i].x - 10.0, points[i].y - 10.0);
    EXPECT_NEAR(r, 10.0, 1.0) << points[i].x << "," << points[i].y;
    if (i > 0) {  // each point once, neighbours touching
      EXPECT_FALSE(points[i].x == points[i - 1].x && points[i].y == points[i - 1].y);
      EXPECT_LE(std::abs(points[i].x - points[i - 1].x), 1);
      EXPECT_LE(std::abs(points[i].y - points[i - 1].y), 1);
    }
  }
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.bottom, 10);
}

TEST(ArcWalk, ControlPointOnTheLineGivesTheLine) {
  std::vector<POINT> points;
  paint::WalkArc(POINT{0, 0}, POINT{5, 5}, POINT{10, 10}, [&](int x, int y) { points.push_back(POINT{x, y}); });
  for (const POINT& p : points) EXPECT_NEAR(p.x, p.y, 1) << p.x << "," << p.y;
  EXPECT_GE(points.size(), 10u);
}

TEST(ArcWalk, ShiftConstraint) {
  const struct {
    POINT end, want;
  } cases[] = {{{10, 4}, {10, 0}}, {{4, 10}, {0, 10}}, {{-6, 6}, {-6, 0}}, {{-5, -6}, {0, -6}}};
  for (const auto& c : cases) {
    const POINT got = paint::ConstrainLine(POINT{0, 0}, c.end);
    EXPECT_EQ(got.x, c.want.x);
    EXPECT_EQ(got.y, c.want.y);
  }
}

TEST(LineDabs, EveryPointButTheLastAndNothingAtThePress) {
  FakeDocument doc(40, 20, kWAType24, RECT{0, 0, 40, 20});
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 1, random);
  brush.SetWidth(1, 0, 0);
  brush.SetColours(0x000000FF, 0);
  brush.SetPaintAtButtonDown(false);
  ASSERT_TRUE(brush.ButtonDown(&doc, 5, 5));
  EXPECT_EQ(brush.GetWorkLayer(), nullptr);
  const RECT refresh = brush.LineDabs(POINT{5, 5}, POINT{15, 5});
  brush.ButtonUp();
  EXPECT_TRUE(lumora::RectsEqual(refresh, RECT{4, 4, 16, 6}));
  for (int x = 3; x < 18; ++x) EXPECT_EQ(doc.Byte(x, 5, 2), x >= 5 && x < 15 ? 255 : 100) << x;
}

TEST(LineDabs, ArcDabsFollowTheWalker) {
  FakeDocument doc(40, 40, kWAType8Grey, RECT{0, 0, 40, 40});
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 1, random);
  brush.SetWidth(1, 0, 0);
  brush.SetColours(0x00FFFFFF, 0);
  brush.SetPaintAtButtonDown(false);
  ASSERT_TRUE(brush.ButtonDown(&doc, 10, 30));
  brush.ArcDabs(POINT{10, 30}, POINT{10, 10}, POINT{30, 10});
  brush.ButtonUp();
  paint::WalkArc(POINT{10, 30}, POINT{10, 10}, POINT{30, 10}, [&](int x, int y) { EXPECT_EQ(doc.Byte(x, y), 255); });
  EXPECT_EQ(doc.Byte(10, 10), 100);  // the corner is not on the arc
  EXPECT_EQ(doc.Byte(30, 30), 100);  // nor the centre
}

}  // namespace
