// Arguments beyond the image limits reach no arithmetic: the transform
// engine and MapRectThroughQuad refuse them and write nothing, while the
// largest allowed sizes and coordinates still work.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine/pixels/ImageLimits.h"
#include "engine/transform/Transform.h"
#include "engine/transform/TransformGeometry.h"

namespace {

using namespace lumora;
using VrWA2000::WA;

constexpr LONG kMin = std::numeric_limits<LONG>::min();
constexpr LONG kMax = std::numeric_limits<LONG>::max();
constexpr LONG kEdge = static_cast<LONG>(kMaxLayerCoordinate);

WAPtr NewBuffer(int type, int width, int height) {
  return WAPtr::Adopt(NewWA(type, width, height, nullptr));
}

TEST(TransformLimits, ResizeRefusesSizesBeyondTheLimits) {
  WAPtr source = NewBuffer(kWAType1Bit, 16, 16);
  const int sizes[][2] = {{kMin, 1},       {1, kMin},           {kMaxImageSide + 1, 1},
                          {1, -kMaxImageSide - 1}, {65536, 32767}, {0, 5}};
  for (const auto& s : sizes) {
    Transform t;
    t.SetSource(source.get(), 0, 0, 0, 0, 16, 16, 0, 0);
    EXPECT_EQ(t.Resize(s[0], s[1], nullptr, 0, nullptr, nullptr), 0) << s[0] << "x" << s[1];
    EXPECT_FALSE(t.destination);
  }
  Transform t;
  t.SetSource(source.get(), 0, 0, 0, 0, 16, 16, 0, 0);
  ASSERT_EQ(t.Resize(-kMaxImageSide, 2, nullptr, 0, nullptr, nullptr), 1);
  EXPECT_EQ(t.destination->GetW(), kMaxImageSide);
}

TEST(TransformLimits, SourceRectsAndPointsBeyondTheCoordinatesAreRefused) {
  WAPtr source = NewBuffer(kWAType8Grey, 8, 8);
  const RECT rects[] = {{kMin, 0, 8, 8}, {0, 0, kMax, 8}, {kMin, kMin, kMax, kMax}};
  for (const RECT& r : rects) {
    Transform t;
    t.SetSource(source.get(), 0, 0, r.left, r.top, r.right, r.bottom, 0, 0);
    EXPECT_EQ(t.Rotate(30, 0, nullptr, 0, nullptr, nullptr), 0);
    POINT quad[4] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}};
    EXPECT_EQ(t.Distort(quad), 0);
  }
  Transform t;
  t.SetSource(source.get(), kMin, 0, 0, 0, 8, 8, 0, 0);
  EXPECT_EQ(t.Resize(4, 4, nullptr, 0, nullptr, nullptr), 0);
  t.SetSource(nullptr, 0, 0, 0, 0, 8, 8, 0, 0);
  POINT distant[4] = {{kMin, kMin}, {kMax, kMin}, {kMax, kMax}, {kMin, kMax}};
  EXPECT_EQ(t.Distort(distant), 0);
  EXPECT_EQ(distant[0].x, kMin);  // not rewritten
  POINT wide[4] = {{0, 0}, {kMaxImageSide + 1, 0}, {kMaxImageSide + 1, 4}, {0, 4}};
  EXPECT_EQ(t.Distort(wide), 0);
  POINT widest[4] = {{-kEdge, 0}, {-kEdge + kMaxImageSide, 0}, {-kEdge + kMaxImageSide, 4},
                     {-kEdge, 4}};
  ASSERT_EQ(t.Distort(widest), 1);
  EXPECT_EQ(t.destination->GetW(), kMaxImageSide);
}

TEST(TransformLimits, RotationWhoseBoundsExceedTheLargestSideIsRefused) {
  WAPtr source = NewBuffer(kWAType8Grey, kMaxImageSide, 600);
  Transform t;
  t.SetSource(source.get(), 0, 0, 0, 0, kMaxImageSide, 600, 0, 0);
  EXPECT_EQ(t.Rotate(2, 0, nullptr, 0, nullptr, nullptr), 0);  // about 30003 wide
  EXPECT_FALSE(t.destination);
  ASSERT_EQ(t.Rotate(90, 0, nullptr, 0, nullptr, nullptr), 1);
  EXPECT_EQ(t.destination->GetH(), kMaxImageSide);
}

TEST(TransformLimits, MapRectThroughQuadRefusesWhatLiesBeyondTheCoordinates) {
  const POINT square[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const POINT distant[4] = {{kMin, kMin}, {kMax, kMin}, {kMax, kMax}, {kMin, kMax}};
  struct Case {
    const POINT* points;
    RECT reference, rect;
  };
  const Case cases[] = {
      {distant, {0, 0, 10, 10}, {2, 2, 5, 5}},
      {square, {kMin, kMin, kMax, kMax}, {2, 2, 5, 5}},
      {square, {0, 0, 10, 10}, {kMin, 0, kMax, 5}},
      {square, {0, 0, 10, 10}, {0, 0, 10, 10 + kEdge}},
      {distant, {0, 0, 10, 10}, {0, 0, 10, 10}},
  };
  for (const Case& c : cases) {
    POINT out[4] = {{7, 7}, {7, 7}, {7, 7}, {7, 7}};
    EXPECT_EQ(MapRectThroughQuad(c.points, c.reference, c.rect, out, 1), 0);
    for (const POINT& p : out) EXPECT_TRUE(p.x == 7 && p.y == 7);
  }
  const POINT edge[4] = {{-kEdge, -kEdge}, {kEdge, -kEdge}, {kEdge, kEdge}, {-kEdge, kEdge}};
  POINT out[4];
  ASSERT_EQ(MapRectThroughQuad(edge, RECT{-kEdge, -kEdge, kEdge, kEdge},
                               RECT{-kEdge, 0, kEdge, kEdge}, out, 0),
            1);
  EXPECT_EQ(out[0].x, -kEdge);
  EXPECT_EQ(out[0].y, 0);
  EXPECT_EQ(out[2].x, kEdge);
  EXPECT_EQ(out[2].y, kEdge);
}

}  // namespace
