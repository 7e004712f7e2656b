// Anti-aliased rasterising: coverage against the exact clipped area, and
// the same pixels whatever window a shape is drawn into.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "tests/libs/fragment/fragment_test_util.h"

namespace lumora::testing {
namespace {

// Exact area of a simple polygon inside pixel (x, y): the polygon clipped to
// the pixel's square edge by edge (Sutherland-Hodgman), then the shoelace sum.
double ClippedArea(const std::vector<POINT>& pts, int x, int y) {
  std::vector<std::pair<double, double>> poly;
  for (const POINT& p : pts) poly.emplace_back(p.x, p.y);
  // Keep the side where axis value (0 = x, 1 = y) times sign is <= limit.
  auto clip = [&](int axis, double sign, double limit) {
    std::vector<std::pair<double, double>> out;
    for (std::size_t i = 0; i < poly.size(); ++i) {
      const auto a = poly[i], b = poly[(i + 1) % poly.size()];
      const double va = (axis == 0 ? a.first : a.second) * sign - limit;
      const double vb = (axis == 0 ? b.first : b.second) * sign - limit;
      if (va <= 0) out.push_back(a);
      if ((va < 0 && vb > 0) || (va > 0 && vb < 0)) {
        const double t = va / (va - vb);
        out.emplace_back(a.first + (b.first - a.first) * t, a.second + (b.second - a.second) * t);
      }
    }
    poly = out;
  };
  clip(0, 1.0, x + 1.0);
  clip(0, -1.0, -x);
  clip(1, 1.0, y + 1.0);
  clip(1, -1.0, -y);
  double area = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const auto a = poly[i], b = poly[(i + 1) % poly.size()];
    area += a.first * b.second - b.first * a.second;
  }
  return std::fabs(area) / 2;
}

// Whether any edge of the polygon meets the closed square of pixel (x, y).
bool EdgeTouchesPixel(const std::vector<POINT>& pts, int x, int y) {
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const POINT a = pts[i], b = pts[(i + 1) % pts.size()];
    double t0 = 0, t1 = 1;
    const double d[2] = {static_cast<double>(b.x - a.x), static_cast<double>(b.y - a.y)};
    const double p0[2] = {static_cast<double>(a.x), static_cast<double>(a.y)};
    const double lo[2] = {static_cast<double>(x), static_cast<double>(y)};
    bool hit = true;
    for (int k = 0; k < 2 && hit; ++k) {
      if (d[k] == 0) {
        hit = p0[k] >= lo[k] && p0[k] <= lo[k] + 1;
        continue;
      }
      double ta = (lo[k] - p0[k]) / d[k], tb = (lo[k] + 1 - p0[k]) / d[k];
      if (ta > tb) std::swap(ta, tb);
      t0 = std::max(t0, ta);
      t1 = std::min(t1, tb);
      hit = t0 <= t1;
    }
    if (hit) return true;
  }
  return false;
}

// A simple polygon: random radii at increasing angles around (12, 12).
std::vector<POINT> StarShaped(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> radius(2.0, 16.0);
  std::vector<POINT> pts;
  for (int i = 0; i < n; ++i) {
    const double t = 6.283185307179586 * i / n;
    const double r = radius(rng);
    pts.push_back(POINT{static_cast<LONG>(std::lround(12 + r * std::cos(t))),
                        static_cast<LONG>(std::lround(12 + r * std::sin(t)))});
  }
  return pts;
}

TEST(FragmentRaster, SimplePolygonsCoverTheirExactArea) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 10; ++round) {
    const std::vector<POINT> pts = StarShaped(rng, 5 + round * 3);
    const bool winding = (round & 1) != 0;
    FrgPtr poly(CreatePolygonFrg(pts.data(), static_cast<int>(pts.size()),
                                 winding ? kFrgFillWinding : kFrgFillAlternate, 0));
    const Coverage c = ShapeOver(poly.get(), R(0, 0, 24, 24));
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        ASSERT_NEAR(c.At(x, y), ClippedArea(pts, x, y) * 255.0, 0.51)
            << "round " << round << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(FragmentRaster, SelfCrossingPolygonsAreExactAwayFromTheirEdges) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> coord(-4, 27);
  for (int round = 0; round < 10; ++round) {
    std::vector<POINT> pts(4 + round % 5);
    for (POINT& p : pts) p = POINT{coord(rng), coord(rng)};
    const bool winding = (round & 1) != 0;
    FrgPtr poly(CreatePolygonFrg(pts.data(), static_cast<int>(pts.size()),
                                 winding ? kFrgFillWinding : kFrgFillAlternate, 0));
    const Coverage c = ShapeOver(poly.get(), R(0, 0, 24, 24));
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        if (EdgeTouchesPixel(pts, x, y)) continue;
        const POINT centre{x, y};
        const int expected = PointInFragment(poly.get(), &centre) ? 255 : 0;
        ASSERT_EQ(c.At(x, y), expected) << "round " << round << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(FragmentRaster, ClippedWindowsGiveTheSamePixels) {
  const POINT pts[6] = {{-30, 5}, {40, -20}, {75, 30}, {20, 70}, {10, 20}, {-5, 60}};
  FrgPtr poly(CreatePolygonFrg(pts, 6, kFrgFillWinding, 0));
  const LURECT er = R(-10, -15, 90, 70);
  FrgPtr ellipse(CreateEllipticFrg(&er, 0));
  FrgPtr line(CreateLineFrg(-20, 50, 90, -8, 7, kFrgLineRound, 0));
  const LURECT whole = R(-40, -30, 160, 110);
  for (const Fragment* f : {poly.get(), ellipse.get(), line.get()}) {
    const Coverage all = ShapeOver(f, whole);
    for (const LURECT part :
         {R(0, 0, 20, 20), R(-37, 40, 11, 3), R(60, -30, 50, 25), R(13, 13, 1, 1)}) {
      const Coverage c = ShapeOver(f, part);
      for (int y = part.y; y < part.y + part.height; ++y) {
        for (int x = part.x; x < part.x + part.width; ++x) {
          ASSERT_NEAR(c.At(x, y), all.At(x, y), 1) << GetFragmentType(f) << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(FragmentRaster, HugeCoordinatesDrawOnlyTheWindow) {
  const POINT pts[3] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
  FrgPtr poly(CreatePolygonFrg(pts, 3, kFrgFillAlternate, 0));
  const Coverage c = ShapeOver(poly.get(), R(-5, -5, 10, 10));
  EXPECT_EQ(c.Sum(), 100 * 255);
  LURECT b;
  GetFragmentBoundRect(poly.get(), &b);
  EXPECT_EQ(b.x, -2000000000);
  EXPECT_EQ(b.width, 2147483647);  // 4e9 does not fit: the width is clamped
}

}  // namespace
}  // namespace lumora::testing
