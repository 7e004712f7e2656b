// The window/image mapping: ratios, the three modes, round trips, limits.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "hostapi/xform.h"

namespace {

POINT Win2Img(const VRXFORM& m, LONG x, LONG y, int mode) {
  POINT p{x, y};
  m.XForm(&p, mode);
  return p;
}
POINT Img2Win(const VRXFORM& m, LONG x, LONG y, int mode) {
  POINT p{x, y};
  m.RevXForm(&p, mode);
  return p;
}

TEST(XFFact, RatiosAreReducedAndNamed) {
  const XFFACT identity;
  EXPECT_EQ(identity, XFFACT(0, 1, 0, 1));
  EXPECT_EQ(identity.DisplayedExtent(), 1);
  EXPECT_EQ(identity.ImageExtent(), 1);
  // A view's y factor (0, H/f, H, 0) is the ratio of (0, H/f, 0, H).
  const XFFACT flipped(0, 750, 3000, 0), straight(0, 750, 0, 3000);
  EXPECT_EQ(flipped, straight);
  EXPECT_EQ(straight.DisplayedExtent(), 1);
  EXPECT_EQ(straight.ImageExtent(), 4);
  EXPECT_DOUBLE_EQ(straight.ImagePerWindowUnit(), 4.0);
  const XFFACT odd(1000, 4001);
  EXPECT_EQ(odd.DisplayedExtent(), 1000);
  EXPECT_EQ(odd.ImageExtent(), 4001);
  EXPECT_TRUE(XFFACT(6, 2).SameRatio(XFFACT(3, 1)));
}

TEST(XFFact, ExtentsOutOfRangeThrowTheRangeError) {
  const std::int64_t max32 = std::numeric_limits<std::int32_t>::max();
  EXPECT_THROW(XFFACT(0, 5), XFormRangeError);
  EXPECT_THROW(XFFACT(5, 0), std::range_error);
  EXPECT_THROW(XFFACT(-3, 5), std::range_error);
  EXPECT_THROW(XFFACT(max32 + 1, 1), std::range_error);
  EXPECT_THROW(XFFACT(0, 0, 0, 0), std::range_error);  // the 0/0 of an empty interval
  EXPECT_NO_THROW(XFFACT(max32, 1));
}

TEST(XFFact, ShiftAnswersFalseOnOverflow) {
  XFFACT f(4, 1);
  EXPECT_TRUE(f.shift(-100));
  EXPECT_EQ(f.Shift(), -100);
  EXPECT_TRUE(f.shift(std::numeric_limits<std::int32_t>::min() + 100));
  EXPECT_FALSE(f.shift(-1));
  EXPECT_EQ(f.Shift(), std::numeric_limits<std::int32_t>::min());
  XFFACT g;
  EXPECT_TRUE(g.shift(std::numeric_limits<std::int32_t>::max()));
  EXPECT_FALSE(g.shift(1));
  EXPECT_FALSE(XFFACT().shift(std::int64_t{1} << 40));
}

// Which image pixel a window pixel shows, and back, for one axis (x) and the
// flipped y axis, at several ratios with shifts.
struct PixelCase {
  std::int64_t d, i;
  std::int32_t sx, sy;
  LONG u, v;        // window pixel
  LONG x, y;        // image pixel it shows (y from the bottom)
  LONG backU, backV;  // RevXForm of (x, y)
};

TEST(VrXForm, PixelModeTable) {
  const std::int32_t W = 40, H = 30;
  const PixelCase cases[] = {
      {1, 1, 0, 0, 0, 0, 0, 29, 0, 0},          // 1:1, top-left shows the top row
      {1, 1, -5, -7, 0, 0, 5, 22, 0, 0},        // scrolled
      {1, 1, 3, 2, 2, 1, -1, 30, 2, 1},         // left of and above the image
      {1, 4, 0, 0, 1, 1, 4, 25, 1, 1},          // 1:4: box start
      {4, 1, 0, 0, 7, 5, 1, 28, 4, 4},          // 4:1: replication, back to top-left
      {1, 3, 10, 0, 11, 2, 3, 23, 11, 2},       // 1:3 shifted
      {3, 1, 0, -4, 5, 5, 1, 26, 3, 5},         // 3:1 scrolled
      {1000, 4001, 0, 0, 999, 0, 3996, 29, 999, 0},
      {1000, 4001, 0, 0, 1, 1, 4, 25, 1, 1},
      {1, 32, 0, 0, 0, 0, 0, 29, 0, 0},         // 1:32: row 0 shows rows 29..-2
      {32, 1, 0, 0, 63, 33, 1, 28, 32, 32},
  };
  for (const PixelCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.d << ":" << c.i << " at " << c.u << "," << c.v);
    XFFACT fx(c.d, c.i), fy(c.d, c.i);
    ASSERT_TRUE(fx.shift(c.sx));
    ASSERT_TRUE(fy.shift(c.sy));
    const VRXFORM m(W, H, fx, fy);
    const POINT img = Win2Img(m, c.u, c.v, kXFPixels);
    EXPECT_EQ(img.x, c.x);
    EXPECT_EQ(img.y, c.y);
    const POINT win = Img2Win(m, img.x, img.y, kXFPixels);
    EXPECT_EQ(win.x, c.backU);
    EXPECT_EQ(win.y, c.backV);
  }
}

TEST(VrXForm, RoundTripsAtEveryRatio) {
  const std::int64_t ratios[][2] = {{1, 1}, {1, 4}, {4, 1}, {1, 3}, {3, 1}, {1000, 4001},
                                    {4001, 1000}, {1, 32}, {32, 1}, {2, 3}, {3, 2}};
  for (const auto& r : ratios) {
    XFFACT fx(r[0], r[1]), fy(r[0], r[1]);
    fx.shift(-17);
    fy.shift(9);
    const VRXFORM m(97, 61, fx, fy);
    for (LONG k = -20; k < 120; ++k) {
      if (r[0] >= r[1]) {
        // Enlarging: every image pixel has an area; its top-left maps back.
        const POINT img = Win2Img(m, Img2Win(m, k, k, kXFPixels).x, Img2Win(m, k, k, kXFPixels).y,
                                  kXFPixels);
        EXPECT_EQ(img.x, k) << r[0] << ":" << r[1];
        EXPECT_EQ(img.y, k) << r[0] << ":" << r[1];
      } else {
        // Reducing: every window pixel's box start maps back to it.
        const POINT img = Win2Img(m, k, k, kXFPixels);
        const POINT win = Img2Win(m, img.x, img.y, kXFPixels);
        EXPECT_EQ(win.x, k) << r[0] << ":" << r[1];
        EXPECT_EQ(win.y, k) << r[0] << ":" << r[1];
      }
      // Edges round-trip through the window at whole enlargements.
      if (r[0] % r[1] == 0) {
        POINT e = Img2Win(m, k, k, kXFEdges);
        m.XForm(&e, kXFEdges);
        EXPECT_EQ(e.x, k);
        EXPECT_EQ(e.y, k);
      }
    }
  }
}

TEST(VrXForm, EdgesPutTheTopEdgeAtTheLowerScreenEdge) {
  // 2:1 over a 10 x 10 image, shifted by (3, 4).
  XFFACT fx(2, 1), fy(2, 1);
  fx.shift(3);
  fy.shift(4);
  const VRXFORM m(10, 10, fx, fy);
  RECT r{2, 1, 5, 6};  // image rect, top = smaller y
  POINT topLeft{r.left, r.top}, bottomRight{r.right, r.bottom};
  m.RevXForm(&topLeft, kXFEdges);
  m.RevXForm(&bottomRight, kXFEdges);
  EXPECT_EQ(topLeft.x, 3 + 4);
  EXPECT_EQ(topLeft.y, 4 + 18);  // (H - 1) * 2 + sy: lower on screen
  EXPECT_EQ(bottomRight.y, 4 + 8);
  EXPECT_GT(topLeft.y, bottomRight.y);
  // Window back to edges; a point between edges rounds down.
  POINT w{8, 21};
  m.XForm(&w, kXFEdges);
  EXPECT_EQ(w.x, 2);
  EXPECT_EQ(w.y, 1);  // H - ceil(17 / 2)
}

struct RectCase {
  std::int64_t d, i;
  RECT image;
  RECT window;
};

TEST(VrXForm, RectModeCoversEverythingShown) {
  const std::int32_t W = 40, H = 30;
  const RectCase cases[] = {
      {1, 1, {0, 0, 40, 30}, {0, 0, 40, 30}},
      {1, 1, {2, 3, 5, 10}, {2, 20, 5, 27}},
      {4, 1, {1, 1, 3, 2}, {4, 112, 12, 116}},
      {1, 4, {1, 1, 5, 6}, {0, 6, 2, 8}},     // boxes [0,4) and [4,8) hold columns 1..4
      {1, 3, {0, 0, 40, 30}, {0, 0, 14, 10}},
      {3, 2, {1, 0, 2, 1}, {2, 44, 3, 45}},  // only window column 2 shows column 1
  };
  for (const RectCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.d << ":" << c.i);
    const VRXFORM m(W, H, XFFACT(c.d, c.i), XFFACT(c.d, c.i));
    RECT r = c.image;
    m.RevXForm(&r, kXFRects);
    EXPECT_EQ(r.left, c.window.left);
    EXPECT_EQ(r.top, c.window.top);
    EXPECT_EQ(r.right, c.window.right);
    EXPECT_EQ(r.bottom, c.window.bottom);
    // Every window pixel of the result shows a pixel of the image rect, and
    // those just outside do not.
    for (LONG u = r.left - 1; u <= r.right; ++u) {
      RECT one{u, r.top, u + 1, r.top + 1};
      m.XForm(&one, kXFRects);
      const bool inside = u >= r.left && u < r.right;
      const bool overlaps = one.left < c.image.right && one.right > c.image.left;
      EXPECT_EQ(inside, overlaps) << "column " << u;
    }
  }
}

TEST(VrXForm, OnePixelImagesAndHugeCoordinates) {
  const VRXFORM one(1, 1, XFFACT(32, 1), XFFACT(32, 1));
  EXPECT_EQ(one.ImageWindowRect().right, 32);
  EXPECT_EQ(one.ImageWindowRect().bottom, 32);
  EXPECT_EQ(Win2Img(one, 31, 31, kXFPixels).y, 0);
  EXPECT_EQ(Win2Img(one, 31, 32, kXFPixels).y, -1);
  const VRXFORM tiny(1, 1, XFFACT(1, 32), XFFACT(1, 32));
  EXPECT_EQ(tiny.ImageWindowRect().right, 1);
  // Far coordinates neither overflow nor wrap: they clamp.
  const std::int32_t lo = std::numeric_limits<std::int32_t>::min();
  const std::int32_t hi = std::numeric_limits<std::int32_t>::max();
  const VRXFORM big(hi, hi, XFFACT(1, hi), XFFACT(hi, 1));
  const POINT a = Win2Img(big, hi, lo, kXFPixels);
  EXPECT_EQ(a.x, hi);
  EXPECT_GT(a.y, 0);
  const POINT b = Img2Win(big, lo, lo, kXFPixels);
  EXPECT_EQ(b.y, hi);
}

}  // namespace
