// The marching ants' edge at a view's sampling, their dashes and phase, and
// a selection's coverage.
#include <gtest/gtest.h>

#include <vector>

#include "hostapi/fragment.h"
#include "view/SelectionEdge.h"

namespace lumora {
namespace {

// A window of w x h pixels showing the image from (x0, row y0 at the top)
// at n:1, rows flipped as a view shows them.
WindowSampling Sampling(int w, int h, int imageW, int imageH, int n) {
  WindowSampling s;
  for (int u = -1; u <= w; ++u) {
    const int x = u >= 0 ? u / n : -1;
    s.columns.push_back(x >= 0 && x < imageW ? x : -1);
  }
  for (int v = -1; v <= h; ++v) {
    const int y = v >= 0 ? imageH - 1 - v / n : -1;
    s.rows.push_back(v >= 0 && y >= 0 ? y : -1);
  }
  return s;
}

SelectionCoverage CoverageOf(Fragment* f, int w, int h) {
  SelectionCoverage c;
  EXPECT_TRUE(SelectionCoverageOf(f, w, h, &c));
  DeleteFragment(f);
  return c;
}

TEST(SelectionEdge, ARectsEdgeIsItsBorderPixelsAtEveryZoom) {
  const LURECT r{2, 3, 5, 4};  // columns 2..6, rows 3..6
  const SelectionCoverage c = CoverageOf(CreateRectFrg(&r, 0), 10, 10);
  for (int n : {1, 2, 3}) {
    SCOPED_TRACE(n);
    SelectionEdge edge;
    edge.Build(c, Sampling(12 * n, 12 * n, 10, 10, n));
    // Shown as 5n x 4n pixels: the ring of the border.
    EXPECT_EQ(edge.Pixels().size(), static_cast<std::size_t>(2 * (5 * n) + 2 * (4 * n) - 4));
    // Window row of image row 6 (the top row) is 3n.
    EXPECT_EQ(edge.Pixels().front().x, 2 * n);
    EXPECT_EQ(edge.Pixels().front().y, 3 * n);
  }
}

// The banded runs cover exactly the edge's pixels: a rect's ring is its top
// run, one band of two one-pixel sides, its bottom run.
TEST(SelectionEdge, BandedRunsJoinRowsAlike) {
  const LURECT r{2, 3, 5, 4};  // window columns 2..6, rows 3..6
  const SelectionCoverage c = CoverageOf(CreateRectFrg(&r, 0), 10, 10);
  SelectionEdge edge;
  edge.Build(c, Sampling(12, 12, 10, 10, 1));
  const std::vector<RECT> bands = edge.AllRunsBanded();
  ASSERT_EQ(bands.size(), 4u);
  const RECT want[] = {{2, 3, 7, 4}, {2, 4, 3, 6}, {6, 4, 7, 6}, {2, 6, 7, 7}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(bands[i].left, want[i].left) << i;
    EXPECT_EQ(bands[i].top, want[i].top) << i;
    EXPECT_EQ(bands[i].right, want[i].right) << i;
    EXPECT_EQ(bands[i].bottom, want[i].bottom) << i;
  }
  // A complex edge: the same pixels, fewer rects.
  const LURECT a{1, 1, 3, 8}, b{5, 2, 3, 3};
  Fragment* two = CreateRectFrg(&a, 0);
  Fragment* other = CreateRectFrg(&b, 0);
  const FRGITEM items[] = {{kFrgAdd, two}, {kFrgAdd, other}};
  SelectionEdge complex;
  complex.Build(CoverageOf(CreateComplexFrg(2, items), 10, 10), Sampling(12, 12, 10, 10, 1));
  DeleteFragment(two);
  DeleteFragment(other);
  std::size_t area = 0;
  for (const RECT& band : complex.AllRunsBanded()) area += (band.right - band.left) * (band.bottom - band.top);
  EXPECT_EQ(area, complex.Pixels().size());
  EXPECT_LT(complex.AllRunsBanded().size(), complex.AllRuns().size());
}

TEST(SelectionEdge, InvertedAndImageBorders) {
  // Inverted: everything but the rect, so its edge runs along the image's
  // border and around the hole.
  const LURECT r{4, 4, 2, 2};
  const SelectionCoverage c = CoverageOf(CreateRectFrg(&r, 1), 10, 10);
  SelectionEdge edge;
  edge.Build(c, Sampling(14, 14, 10, 10, 1));
  // Sides only count: the hole's corners touch it diagonally.
  EXPECT_EQ(edge.Pixels().size(), static_cast<std::size_t>(36 + 8)) << "image border ring and the ring round the hole";
  SelectionCoverage none;
  ASSERT_TRUE(SelectionCoverageOf(nullptr, 10, 10, &none));
  edge.Build(none, Sampling(14, 14, 10, 10, 1));
  EXPECT_TRUE(edge.Empty());
  // Sampling that cuts the selection at the window's side draws no edge there.
  const LURECT whole{0, 0, 10, 10};
  const SelectionCoverage all = CoverageOf(CreateRectFrg(&whole, 0), 10, 10);
  WindowSampling cut = Sampling(5, 10, 10, 10, 1);
  cut.columns.back() = 5;  // the column right of the window still shows image
  edge.Build(all, cut);
  for (const POINT& p : edge.Pixels()) {
    if (p.y > 0 && p.y < 9) EXPECT_NE(p.x, 4) << p.y;  // the image's top and bottom rows are edge
  }
}

TEST(SelectionEdge, DashesAreFourOnFourOffAndEachPhaseMovesThemOnePixel) {
  const LURECT r{0, 0, 16, 1};
  const SelectionCoverage c = CoverageOf(CreateRectFrg(&r, 0), 16, 1);
  SelectionEdge edge;
  edge.Build(c, Sampling(16, 1, 16, 1, 1));
  ASSERT_EQ(edge.Pixels().size(), 16u);
  std::string row;
  for (const POINT& p : edge.Pixels()) row += SelectionEdge::IsBlack(p, 0) ? 'B' : 'w';
  EXPECT_EQ(row, "BBBBwwwwBBBBwwww");
  row.clear();
  for (const POINT& p : edge.Pixels()) row += SelectionEdge::IsBlack(p, 1) ? 'B' : 'w';
  EXPECT_EQ(row, "BBBwwwwBBBBwwwwB");
  const std::vector<RECT> black = edge.Runs(0, true), white = edge.Runs(0, false);
  ASSERT_EQ(black.size(), 2u);
  EXPECT_EQ(black[0].left, 0);
  EXPECT_EQ(black[0].right, 4);
  EXPECT_EQ(white.size(), 2u);
  EXPECT_EQ(edge.AllRuns().size(), 1u);
}

TEST(SelectionCoverage, ComplexAndEmptySelections) {
  const LURECT a{0, 0, 4, 4}, b{2, 2, 4, 4};
  Fragment* first = CreateRectFrg(&a, 0);
  const FRGITEM item{kFrgAdd, first};
  Fragment* complex = CreateComplexFrg(1, &item);
  Fragment* second = CreateRectFrg(&b, 0);
  ASSERT_TRUE(AddToComplexFrg(complex, second, kFrgSubtract));
  const SelectionCoverage c = CoverageOf(complex, 8, 8);
  EXPECT_TRUE(c.Selected(0, 0));
  EXPECT_FALSE(c.Selected(3, 3));
  EXPECT_FALSE(c.Selected(5, 5));
  DeleteFragment(first);
  DeleteFragment(second);
  const SelectionCoverage empty = CoverageOf(CreateEmptyFrg(0), 8, 8);
  EXPECT_TRUE(empty.bits.empty());
  const SelectionCoverage everything = CoverageOf(CreateEmptyFrg(1), 8, 8);
  EXPECT_TRUE(everything.Selected(7, 7));
}

}  // namespace
}  // namespace lumora
