// The piece list: the merge rule case by case, taking pieces, priority
// order, and agreement with a plain list walked from the head on long
// random sequences (the indexes must not change a single result).
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <vector>

#include "platform/rect.h"
#include "tests/engine/render/render_queue_fakes.h"
#include "engine/render/CellList.h"

namespace lumora {
namespace {

using Cells = std::vector<MapRectCell>;

bool Contains(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
         inner.bottom <= outer.bottom;
}

// The merge exactly as described: a walk of the whole list from the head,
// recursion for the bands of a cut piece.
void ReferenceMerge(std::list<MapRectCell>& list, MapRectCell piece) {
  auto it = list.begin();
  while (it != list.end()) {
    if (it->index != piece.index) {
      ++it;
      continue;
    }
    const RECT held = it->rect;
    RECT common;
    if (Contains(held, piece.rect)) {
      piece.rect = held;
      list.erase(it);
      break;
    }
    if (Contains(piece.rect, held)) {
      list.erase(it);
      it = list.begin();
      continue;
    }
    if (RectIntersect(&common, held, piece.rect)) {
      RECT bands[4];
      GetBorderRects(piece.rect, held, &bands[0], &bands[1], &bands[2], &bands[3]);
      for (const RECT& band : bands) {
        if (!RectIsEmpty(band)) ReferenceMerge(list, MapRectCell{piece.index, band});
      }
      return;
    }
    const RECT& a = held;
    const RECT& b = piece.rect;
    const bool stacked =
        a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top);
    const bool beside =
        a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left);
    if (stacked || beside) {
      RectUnion(&piece.rect, held, piece.rect);
      list.erase(it);
      it = list.begin();
      continue;
    }
    ++it;
  }
  list.push_back(piece);
}

void ReferencePrioritize(std::list<MapRectCell>& list, const CellPriority& p) {
  std::vector<MapRectCell> cells(list.begin(), list.end());
  std::stable_sort(cells.begin(), cells.end(), [&](const MapRectCell& a, const MapRectCell& b) {
    return p.GroupOf(a.index) < p.GroupOf(b.index);
  });
  list.assign(cells.begin(), cells.end());
}

bool ReferenceTakePreferred(std::list<MapRectCell>& list, int atIndex, POINT at, MapRectCell* out) {
  if (list.empty()) return false;
  auto taken = list.begin();
  if (atIndex >= 0) {
    for (auto it = std::next(list.begin()); it != list.end(); ++it) {
      if (it->index == atIndex && RectContainsPoint(it->rect, at.x, at.y)) {
        taken = it;
        break;
      }
    }
  }
  *out = *taken;
  list.erase(taken);
  return true;
}

Cells Merged(const Cells& entries, const MapRectCell& piece) {
  CellList list;
  list.SetGeometry(4);
  for (const MapRectCell& e : entries) list.Append(e);
  list.AddMerged(piece);
  return list.Snapshot();
}

TEST(CellListMerge, FollowsTheMergeRuleCaseByCase) {
  struct Case {
    const char* name;
    Cells entries;
    MapRectCell piece;
    Cells expected;
  } const cases[] = {
      {"a piece meeting nothing is appended",
       {{0, {0, 0, 10, 10}}},
       {0, {20, 20, 30, 30}},
       {{0, {0, 0, 10, 10}}, {0, {20, 20, 30, 30}}}},
      {"a piece inside an entry moves that entry to the tail",
       {{0, {0, 0, 50, 50}}, {0, {60, 0, 70, 10}}},
       {0, {10, 10, 20, 20}},
       {{0, {60, 0, 70, 10}}, {0, {0, 0, 50, 50}}}},
      {"the same rectangle twice leaves one entry",
       {{0, {0, 0, 50, 50}}},
       {0, {0, 0, 50, 50}},
       {{0, {0, 0, 50, 50}}}},
      {"entries inside the piece are removed",
       {{0, {10, 10, 20, 20}}, {1, {300, 0, 310, 10}}, {0, {30, 30, 40, 40}}},
       {0, {0, 0, 50, 50}},
       {{1, {300, 0, 310, 10}}, {0, {0, 0, 50, 50}}}},
      {"an overlapped piece is cut into bands; a band joins the entry it shares an edge with",
       {{0, {10, 10, 20, 20}}},
       {0, {15, 5, 25, 30}},
       {{0, {15, 5, 25, 10}}, {0, {10, 10, 25, 20}}, {0, {15, 20, 25, 30}}}},
      {"pieces stacked with the same left and right join",
       {{0, {0, 0, 10, 10}}},
       {0, {0, 10, 10, 20}},
       {{0, {0, 0, 10, 20}}}},
      {"pieces side by side with the same top and bottom join",
       {{0, {0, 0, 10, 10}}},
       {0, {10, 0, 20, 10}},
       {{0, {0, 0, 20, 10}}}},
      {"joining starts the walk again and can join again",
       {{0, {0, 0, 10, 10}}, {0, {20, 0, 30, 10}}},
       {0, {10, 0, 20, 10}},
       {{0, {0, 0, 30, 10}}}},
      {"part of an edge does not join",
       {{0, {0, 0, 10, 10}}},
       {0, {10, 0, 20, 5}},
       {{0, {0, 0, 10, 10}}, {0, {10, 0, 20, 5}}}},
      {"a shared corner does not join",
       {{0, {0, 0, 10, 10}}},
       {0, {10, 10, 20, 20}},
       {{0, {0, 0, 10, 10}}, {0, {10, 10, 20, 20}}}},
      {"pieces of other cells are never compared",
       {{1, {0, 0, 10, 10}}},
       {0, {0, 0, 10, 10}},
       {{1, {0, 0, 10, 10}}, {0, {0, 0, 10, 10}}}},
      {"an empty piece adds nothing",
       {{0, {0, 0, 10, 10}}},
       {0, {5, 5, 5, 9}},
       {{0, {0, 0, 10, 10}}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Merged(c.entries, c.piece), c.expected) << c.name;
    std::list<MapRectCell> reference(c.entries.begin(), c.entries.end());
    if (!RectIsEmpty(c.piece.rect)) ReferenceMerge(reference, c.piece);
    EXPECT_EQ(Cells(reference.begin(), reference.end()), c.expected) << c.name << " (reference)";
  }
}

TEST(CellListTake, PrefersTheFirstPieceOtherThanTheHeadUnderThePoint) {
  CellList list;
  list.SetGeometry(2);
  list.Append({0, {0, 100, 100, 200}});
  list.Append({1, {300, 100, 400, 200}});
  list.Append({0, {100, 100, 200, 200}});
  MapRectCell taken;
  // The head holds the point: it is the head that goes.
  ASSERT_TRUE(list.TakePreferred(0, POINT{50, 150}, &taken));
  EXPECT_EQ(taken, (MapRectCell{0, {0, 100, 100, 200}}));
  // A later piece holds it: it goes first.
  ASSERT_TRUE(list.TakePreferred(0, POINT{150, 199}, &taken));
  EXPECT_EQ(taken, (MapRectCell{0, {100, 100, 200, 200}}));
  list.Append({0, {100, 100, 200, 200}});
  // Right and bottom edges are outside: no piece holds the point, so the head.
  ASSERT_TRUE(list.TakePreferred(0, POINT{200, 150}, &taken));
  EXPECT_EQ(taken.index, 1);
  ASSERT_TRUE(list.TakePreferred(-1, POINT{0, 0}, &taken));
  EXPECT_EQ(taken, (MapRectCell{0, {100, 100, 200, 200}}));
  EXPECT_FALSE(list.TakePreferred(0, POINT{0, 0}, &taken));
  EXPECT_FALSE(list.TakeHead(&taken));
}

TEST(CellListPriority, VisibleRowsComeFirstBottomRowFirst) {
  // 4 columns; the view shows columns 1..2 of rows 1..2.
  const CellPriority p{.columns = 4, .colMin = 1, .colMax = 2, .rowMin = 1, .rowMax = 2};
  CellList list;
  list.SetGeometry(4);
  const int order[] = {0, 10, 5, 3, 9, 6, 10, 14, 5};
  for (int i = 0; i < 9; ++i) list.Append({order[i], {i, 0, i + 1, 1}});
  list.Prioritize(p);
  std::vector<int> indexes;
  std::vector<LONG> tags;
  for (const MapRectCell& c : list.Snapshot()) {
    indexes.push_back(c.index);
    tags.push_back(c.rect.left);
  }
  // Row 1 (cells 5, 6) keeps its order, then row 2 (9, 10), then the rest.
  EXPECT_EQ(indexes, (std::vector<int>{5, 6, 5, 10, 9, 10, 0, 3, 14}));
  EXPECT_EQ(tags, (std::vector<LONG>{2, 5, 8, 1, 4, 6, 0, 3, 7}));

  // Pieces appended later join the end of their own group.
  list.Append({6, {20, 0, 21, 1}});
  list.Append({1, {21, 0, 22, 1}});
  list.Prioritize(p);
  tags.clear();
  for (const MapRectCell& c : list.Snapshot()) tags.push_back(c.rect.left);
  EXPECT_EQ(tags, (std::vector<LONG>{2, 5, 8, 20, 1, 4, 6, 0, 3, 7, 21}));

  // No visible cell: the order stays.
  list.Prioritize(CellPriority{4, 0, -1, 0, -1});
  std::vector<LONG> after;
  for (const MapRectCell& c : list.Snapshot()) after.push_back(c.rect.left);
  EXPECT_EQ(after, tags);
}

struct RandomRun {
  int columns;
  int cells;    // pieces fall in cells 0..cells-1
  int maxSize;  // of a piece's side
  int steps;
};

MapRectCell RandomPiece(std::mt19937& rng, const RandomRun& run) {
  const int index = std::uniform_int_distribution<int>(0, run.cells - 1)(rng);
  const LONG cellLeft = (index % run.columns) * 256;
  const LONG cellTop = (index / run.columns) * 256;
  std::uniform_int_distribution<int> size(1, run.maxSize);
  const LONG w = size(rng);
  const LONG h = size(rng);
  const LONG x = cellLeft + std::uniform_int_distribution<int>(0, 256 - w)(rng);
  const LONG y = cellTop + std::uniform_int_distribution<int>(0, 256 - h)(rng);
  return MapRectCell{index, {x, y, x + w, y + h}};
}

void CheckAgainstReference(const RandomRun& run, unsigned seed) {
  std::mt19937 rng(seed);
  CellList list;
  list.SetGeometry(run.columns);
  std::list<MapRectCell> reference;
  std::uniform_int_distribution<int> op(0, 99);
  for (int step = 0; step < run.steps; ++step) {
    const int what = op(rng);
    if (what < 80) {
      const MapRectCell piece = RandomPiece(rng, run);
      list.AddMerged(piece);
      ReferenceMerge(reference, piece);
    } else if (what < 88) {
      const MapRectCell at = RandomPiece(rng, run);
      MapRectCell got, want;
      const POINT point{at.rect.left, at.rect.top};
      const bool took = list.TakePreferred(at.index, point, &got);
      ASSERT_EQ(took, ReferenceTakePreferred(reference, at.index, point, &want));
      if (took) {
        ASSERT_EQ(got, want) << "step " << step;
      }
    } else if (what < 92) {
      const MapRectCell piece = RandomPiece(rng, run);
      list.PushFront(piece);
      reference.push_front(piece);
    } else {
      // Mostly the same visible cells, sometimes others.
      CellPriority p;
      p.columns = run.columns;
      p.colMin = 0;
      p.colMax = what < 97 ? 0 : run.columns - 1;
      p.rowMin = what < 97 ? 0 : 1;
      p.rowMax = 1;
      list.Prioritize(p);
      ReferencePrioritize(reference, p);
    }
    ASSERT_EQ(list.Size(), reference.size()) << "step " << step;
  }
  ASSERT_EQ(list.Snapshot(), Cells(reference.begin(), reference.end()));
  std::vector<MapRectCell> all;
  list.TakeAll(&all);
  EXPECT_EQ(all, Cells(reference.begin(), reference.end()));
  EXPECT_TRUE(list.Empty());
}

TEST(CellListAgreement, SameResultsAsAPlainListOnRandomWork) {
  const RandomRun runs[] = {
      {3, 9, 90, 2000},  // spread over cells, large pieces: many cuts and joins
      {2, 1, 12, 2500},  // one dense cell: the block index takes over
      {16, 40, 32, 2000},
  };
  unsigned seed = 7;
  for (const RandomRun& run : runs) {
    SCOPED_TRACE(run.cells);
    CheckAgainstReference(run, seed++);
  }
}

TEST(CellListAgreement, MergedPiecesOfOneCellNeverOverlap) {
  const RandomRun run{2, 2, 40, 5000};
  std::mt19937 rng(11);
  CellList list;
  list.SetGeometry(run.columns);
  for (int i = 0; i < run.steps; ++i) list.AddMerged(RandomPiece(rng, run));
  const Cells cells = list.Snapshot();
  ASSERT_GT(cells.size(), 30u);  // enough for the block index
  for (std::size_t i = 0; i < cells.size(); ++i) {
    for (std::size_t j = i + 1; j < cells.size(); ++j) {
      RECT common;
      if (cells[i].index != cells[j].index) continue;
      ASSERT_FALSE(RectIntersect(&common, cells[i].rect, cells[j].rect))
          << i << " and " << j << " overlap";
    }
  }
}

TEST(CellListAgreement, NewGeometryKeepsEveryPieceReachable) {
  CellList list;
  list.SetGeometry(2);
  std::mt19937 rng(3);
  const RandomRun run{2, 1, 8, 400};
  for (int i = 0; i < run.steps; ++i) list.AddMerged(RandomPiece(rng, run));
  std::list<MapRectCell> reference;
  for (const MapRectCell& c : list.Snapshot()) reference.push_back(c);
  // The immediate list keeps its pieces when the image size changes.
  list.SetGeometry(7);
  for (int i = 0; i < 300; ++i) {
    const MapRectCell piece = RandomPiece(rng, run);
    list.AddMerged(piece);
    ReferenceMerge(reference, piece);
  }
  EXPECT_EQ(list.Snapshot(), Cells(reference.begin(), reference.end()));
}

}  // namespace
}  // namespace lumora
