// Sorting damaged pieces into the render and deferred lists by what the
// views show, and the immediate list of layer moves.
#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/render/render_queue_fakes.h"
#include "engine/render/CellSort.h"

namespace lumora {
namespace {

using Cells = std::vector<MapRectCell>;

TEST(CellSort, VisiblePartsAreRenderedAndHiddenPartsDeferred) {
  const MapRectCell piece{2, {0, 0, 100, 100}};
  struct Case {
    const char* name;
    std::vector<RECT> views;
    Cells render, deferred;
  } const cases[] = {
      {"one view shows the piece whole", {{0, 0, 200, 200}}, {piece}, {}},
      {"one view shows part: the bands outside it wait",
       {{50, 50, 300, 300}},
       {{2, {50, 50, 100, 100}}},
       {{2, {0, 0, 100, 50}}, {2, {0, 50, 50, 100}}}},
      {"one view elsewhere", {{200, 200, 300, 300}}, {}, {piece}},
      {"one minimised view", {{0, 0, 0, 0}}, {}, {piece}},
      {"the second of two views shows it whole",
       {{50, 50, 300, 300}, {0, 0, 120, 120}},
       {piece},
       {}},
      {"two views each show part: both parts now, the whole piece later too",
       {{0, 0, 50, 100}, {50, 0, 100, 50}},
       {{2, {0, 0, 50, 100}}, {2, {50, 0, 100, 50}}},
       {piece}},
      {"no view: the damage waits for one", {}, {}, {piece}},
  };
  for (const Case& c : cases) {
    CellList render, deferred;
    Cells pieces{piece};
    SortPieces(&pieces, c.views, &render, &deferred);
    EXPECT_EQ(render.Snapshot(), c.render) << c.name;
    EXPECT_EQ(deferred.Snapshot(), c.deferred) << c.name;
  }
}

TEST(CellSort, PiecesShownWholeByAnEarlierViewAreNotSeenByLaterOnes) {
  Cells pieces{{0, {0, 300, 10, 310}}, {0, {100, 300, 110, 310}}};
  CellList render;
  QueueVisibleParts(&pieces, {{0, 0, 50, 512}, {0, 0, 512, 512}}, &render);
  EXPECT_TRUE(pieces.empty());
  EXPECT_EQ(render.Snapshot(), (Cells{{0, {0, 300, 10, 310}}, {0, {100, 300, 110, 310}}}));
}

TEST(CellSort, ImmediatePartsStopAtTheFirstViewWithNothingShown) {
  const MapRectCell piece{2, {0, 0, 100, 100}};
  {
    CellList immediate;
    Cells pieces{piece};
    EXPECT_FALSE(QueueVisiblePartsNow(&pieces, {{0, 0, 50, 50}, {0, 0, 0, 0}, {0, 0, 200, 200}},
                                      &immediate));
    EXPECT_EQ(immediate.Snapshot(), (Cells{{2, {0, 0, 50, 50}}}));
  }
  {
    CellList immediate;
    Cells pieces{piece};
    EXPECT_TRUE(QueueVisiblePartsNow(&pieces, {{0, 0, 50, 50}, {0, 0, 200, 200}}, &immediate));
    EXPECT_EQ(immediate.Snapshot(), (Cells{piece}));
    EXPECT_TRUE(pieces.empty());
  }
}

}  // namespace
}  // namespace lumora
