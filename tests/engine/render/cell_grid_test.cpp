// The render queue's cell grid: sizes, indexes, the split into pieces, the
// visible-cell range and the packing of the "cell done" rectangle.
#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/render/render_queue_fakes.h"
#include "engine/render/CellGrid.h"

namespace lumora {
namespace {

using testing_support::Box;

CellGrid Grid(LONG width, LONG height) {
  CellGrid grid;
  grid.SetSize(width, height);
  return grid;
}

TEST(CellGrid, CountsCellsFromTheImageSize) {
  struct Case {
    LONG width, height;
    int columns, rows;
  } const cases[] = {
      {0, 0, 0, 0},     {1, 1, 1, 1},   {256, 256, 1, 1},     {257, 256, 2, 1},
      {512, 300, 2, 2}, {-5, 40, 0, 1}, {4000, 3000, 16, 12},
  };
  for (const Case& c : cases) {
    const CellGrid grid = Grid(c.width, c.height);
    EXPECT_EQ(grid.Columns(), c.columns) << c.width << "x" << c.height;
    EXPECT_EQ(grid.Rows(), c.rows) << c.width << "x" << c.height;
    EXPECT_EQ(grid.Count(), c.columns * c.rows);
  }
}

TEST(CellGrid, RowsAreCountedFromTheBottomEdge) {
  // 300 pixels high: the bottom row is a full 256 pixels (y 0..255 counted
  // upward, rows 44..299 from the top), the top row 44 (y 256..299).
  const CellGrid grid = Grid(600, 300);
  struct Case {
    int index;
    Box rect;
  } const cases[] = {
      {0, {0, 0, 256, 256}},   {1, {256, 0, 512, 256}},   {2, {512, 0, 600, 256}},
      {3, {0, 256, 256, 300}}, {5, {512, 256, 600, 300}}, {6, {0, 0, 0, 0}},
      {-1, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(Box(grid.CellRect(c.index)), c.rect) << c.index;

  EXPECT_EQ(grid.IndexOfPoint(0, 0), 0);
  EXPECT_EQ(grid.IndexOfPoint(255, 255), 0);
  EXPECT_EQ(grid.IndexOfPoint(256, 255), 1);
  EXPECT_EQ(grid.IndexOfPoint(0, 256), 3);
  EXPECT_EQ(grid.IndexOfPoint(599, 299), 5);
  EXPECT_EQ(grid.IndexOfPoint(600, 0), -1);
  EXPECT_EQ(grid.IndexOfPoint(0, 300), -1);
  EXPECT_EQ(grid.IndexOfPoint(-1, 10), -1);

  EXPECT_EQ(grid.IndexOf(RECT{0, 256, 10, 300}), 3);
  EXPECT_EQ(grid.IndexOf(RECT{300, 0, 310, 200}), 1);
  EXPECT_EQ(grid.IndexOf(RECT{10, 10, 10, 20}), -1);   // empty
  EXPECT_EQ(grid.IndexOf(RECT{700, 0, 710, 10}), -1);  // outside
}

TEST(CellGrid, SplitsBottomBandFirstAndLeftToRight) {
  struct Case {
    const char* name;
    LONG width, height;
    Box rect;
    std::vector<MapRectCell> pieces;
  } const cases[] = {
      {"300x300 at the origin of 512x512",
       512,
       512,
       {0, 0, 300, 300},
       {{0, {0, 0, 256, 256}},
        {1, {256, 0, 300, 256}},
        {2, {0, 256, 256, 300}},
        {3, {256, 256, 300, 300}}}},
      {"whole 512x300 image",
       512,
       300,
       {0, 0, 512, 300},
       {{0, {0, 0, 256, 256}},
        {1, {256, 0, 512, 256}},
        {2, {0, 256, 256, 300}},
        {3, {256, 256, 512, 300}}}},
      {"clipped to the image", 300, 300, {-20, 250, 40, 400}, {{0, {0, 250, 40, 256}}, {2, {0, 256, 40, 300}}}},
      {"inside one cell", 512, 512, {10, 10, 20, 20}, {{0, {10, 10, 20, 20}}}},
      {"wholly outside", 300, 300, {300, 0, 400, 100}, {}},
      {"empty", 300, 300, {50, 50, 50, 80}, {}},
      {"no image", 0, 0, {0, 0, 10, 10}, {}},
  };
  for (const Case& c : cases) {
    std::vector<MapRectCell> pieces;
    Grid(c.width, c.height).Split(c.rect.Rect(), &pieces);
    EXPECT_EQ(pieces, c.pieces) << c.name;
  }
}

TEST(CellGrid, PiecesOfTheWholeImageTileItOncePerCell) {
  for (const auto& [width, height] : {std::pair{777, 513}, std::pair{256, 1}, std::pair{1, 700}}) {
    const CellGrid grid = Grid(width, height);
    std::vector<MapRectCell> pieces;
    grid.Split(grid.ImageRect(), &pieces);
    ASSERT_EQ(static_cast<int>(pieces.size()), grid.Count());
    std::vector<int> covered(static_cast<std::size_t>(width) * height, 0);
    for (const MapRectCell& piece : pieces) {
      EXPECT_EQ(grid.IndexOf(piece.rect), piece.index);
      EXPECT_EQ(Box(piece.rect), Box(grid.CellRect(piece.index)));
      for (LONG y = piece.rect.top; y < piece.rect.bottom; ++y) {
        for (LONG x = piece.rect.left; x < piece.rect.right; ++x) ++covered[y * width + x];
      }
    }
    for (int count : covered) ASSERT_EQ(count, 1);
  }
}

TEST(CellGrid, VisibleCellRangeOfAView) {
  const CellGrid grid = Grid(1000, 700);  // 4 columns, 3 rows; bottom row y 0..255
  struct Case {
    const char* name;
    Box visible;
    int colMin, colMax, rowMin, rowMax;
  } const cases[] = {
      {"whole image", {0, 0, 1000, 700}, 0, 3, 0, 2},
      {"view larger than the image", {-300, -200, 1500, 900}, 0, 3, 0, 2},
      {"bottom-left corner", {0, 0, 100, 200}, 0, 0, 0, 0},
      {"straddling rows and columns", {250, 240, 520, 520}, 0, 2, 0, 2},
      {"top row only", {600, 600, 700, 700}, 2, 2, 2, 2},
      {"two upper rows", {0, 300, 1000, 700}, 0, 3, 1, 2},
  };
  for (const Case& c : cases) {
    const CellPriority p = grid.PriorityFor(c.visible.Rect());
    EXPECT_EQ(p.columns, 4);
    EXPECT_EQ(p.colMin, c.colMin) << c.name;
    EXPECT_EQ(p.colMax, c.colMax) << c.name;
    EXPECT_EQ(p.rowMin, c.rowMin) << c.name;
    EXPECT_EQ(p.rowMax, c.rowMax) << c.name;
  }
  EXPECT_TRUE(grid.PriorityFor(RECT{0, 0, 0, 0}).Empty());
  EXPECT_TRUE(grid.PriorityFor(RECT{1000, 0, 1200, 100}).Empty());
}

TEST(CellGrid, PriorityGroupsAreVisibleRowsThenTheRest) {
  const CellPriority p{.columns = 4, .colMin = 1, .colMax = 2, .rowMin = 1, .rowMax = 2};
  EXPECT_EQ(p.RowGroups(), 2);
  EXPECT_EQ(p.GroupOf(5), 0);   // row 1, column 1
  EXPECT_EQ(p.GroupOf(10), 1);  // row 2, column 2
  EXPECT_EQ(p.GroupOf(4), 2);   // row 1, column 0: not shown
  EXPECT_EQ(p.GroupOf(1), 2);   // row 0
  EXPECT_EQ(CellPriority{}.GroupOf(3), 0);
}

TEST(PackCellRect, PacksTopLeftAndBottomRightIntoSixteenBitHalves) {
  const PackedCellRect packed = PackCellRect(RECT{0x1234, 0x0056, 0x1334, 0x0156});
  EXPECT_EQ(packed.wParam, 0x00561234u);
  EXPECT_EQ(packed.lParam, 0x01561334u);
  for (const Box& b : {Box{0, 0, 1, 1}, Box{256, 44, 512, 300}, Box{65279, 65279, 65535, 65535}}) {
    const PackedCellRect p = PackCellRect(b.Rect());
    EXPECT_EQ(Box(UnpackCellRect(p.wParam, p.lParam)), b);
  }
}

}  // namespace
}  // namespace lumora
