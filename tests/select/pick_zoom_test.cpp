// The pick's zoom ladder and its rubber band.
#include <gtest/gtest.h>

#include <vector>

#include "select/PickZoom.h"

namespace lumora {
namespace {

XFFACT Factor(std::int32_t width, std::int32_t n, std::int32_t d) {
  return XFFACT(std::max<std::int64_t>(1, std::int64_t{width} * n / d), width);
}

TEST(PickZoom, StepsAlongItsOwnLadder) {
  struct Case {
    std::int32_t n, d;  // from
    bool in;
    std::int32_t toN, toD;
  };
  const std::vector<Case> cases = {
      {1, 1, true, 2, 1},    {1, 1, false, 1, 2},   {2, 1, true, 4, 1},    {24, 1, true, 32, 1},
      {32, 1, true, 32, 1},  {32, 1, false, 24, 1}, {1, 32, false, 1, 32}, {1, 32, true, 1, 24},
      {1, 24, true, 1, 20},  {1, 12, false, 1, 16}, {10, 1, true, 12, 1},  {14, 1, false, 12, 1},
      {3, 1, true, 4, 1},    {3, 1, false, 2, 1},   {1, 3, true, 1, 2},    {1, 3, false, 1, 4},
  };
  for (const Case& c : cases) {
    const PickRatio r = PickZoomStep(Factor(4000, c.n, c.d), 4000, c.in);
    EXPECT_EQ(r.n, c.toN) << c.n << ":" << c.d << (c.in ? " in" : " out");
    EXPECT_EQ(r.d, c.toD) << c.n << ":" << c.d << (c.in ? " in" : " out");
  }
  // An odd width shown at 1:2 still steps in to 1:1.
  const PickRatio odd = PickZoomStep(Factor(333, 1, 2), 333, true);
  EXPECT_EQ(odd.n, 1);
  EXPECT_EQ(odd.d, 1);
  EXPECT_EQ(PickLadder().size(), 24u);
}

TEST(PickZoom, BandIsNormalisedAndErasedByItsEdges) {
  const RECT band = NormalisedBand(POINT{30, 5}, POINT{10, 20});
  EXPECT_EQ(band.left, 10);
  EXPECT_EQ(band.top, 5);
  EXPECT_EQ(band.right, 30);
  EXPECT_EQ(band.bottom, 20);
  const std::vector<RECT> strips = BandEdgeStrips(band);
  ASSERT_EQ(strips.size(), 4u);
  EXPECT_EQ(strips[0].right, 30);   // top: left .. right
  EXPECT_EQ(strips[2].right, 31);   // bottom: left .. right + 1
  EXPECT_EQ(strips[1].left, 30);    // right column
  EXPECT_EQ(strips[3].right, 11);   // left column
  // The pixels it covers: both corners, as an image rectangle.
  const RECT pixels = BandPixels(POINT{30, 5}, POINT{10, 20});
  EXPECT_EQ(pixels.left, 10);
  EXPECT_EQ(pixels.top, 5);
  EXPECT_EQ(pixels.right, 31);
  EXPECT_EQ(pixels.bottom, 21);
  const RECT one = BandPixels(POINT{7, 9}, POINT{7, 9});
  EXPECT_EQ(one.right - one.left, 1);
  EXPECT_EQ(one.bottom - one.top, 1);
}

}  // namespace
}  // namespace lumora
