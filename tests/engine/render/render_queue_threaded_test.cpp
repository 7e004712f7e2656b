// The render queue with its real worker: draining, stopping, restarting,
// the piece under the pointer, pieces queued while the worker goes idle,
// views going away and document operations between stop and restart. Also
// run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/render/render_queue_fakes.h"
#include "engine/render/MapRect.h"

namespace lumora {
namespace {

using testing_support::Box;
using testing_support::Boxes;
using testing_support::PollUntil;
using testing_support::RecordingRenderer;
using testing_support::RecordingView;
using Cells = std::vector<MapRectCell>;

// A queue over an image with its document; the views are the test's. The
// gates are opened before the queue goes, so its destructor can stop the
// worker.
struct Rig {
  explicit Rig(LONG width, LONG height) {
    queue.SetDocument(&renderer);
    queue.SetImageSize(width, height);
  }
  ~Rig() {
    renderer.HoldRenders(false);
    renderer.HoldEmptyNotice(false);
    queue.StopThread();
  }
  void Show(RecordingView* view) {
    queue.AddView(view);
    queue.PrioritizeView(view);
  }
  Box CellBox(int index) const { return Box(queue.Grid().CellRect(index)); }

  RecordingRenderer renderer;
  CMapRect queue;
};

// Waits until the worker has gone idle by itself after its empty notice.
void WaitUntilIdle(Rig& rig) {
  ASSERT_TRUE(PollUntil([&] { return rig.queue.IsIdle(); }));
}

TEST(RenderQueueThreaded, DrainsTheShownCellsBottomRowFirstAndDefersTheRest) {
  Rig rig(1000, 700);  // 4 columns, 3 rows
  RecordingView view(RECT{500, 300, 1000, 700});
  rig.Show(&view);
  rig.queue.QueueRect(nullptr);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));
  WaitUntilIdle(rig);

  // Shown: columns 1..3 of rows 1 and 2 (y counts upward), the lower row
  // first.
  const std::vector<Box> shown{{500, 300, 512, 512}, {512, 300, 768, 512}, {768, 300, 1000, 512},
                               {500, 512, 512, 700}, {512, 512, 768, 700}, {768, 512, 1000, 700}};
  EXPECT_EQ(Boxes(rig.renderer.Rendered()), shown);
  EXPECT_EQ(Boxes(view.Done()), shown);
  EXPECT_TRUE(rig.queue.RenderList().empty());
  EXPECT_FALSE(rig.queue.DeferredList().empty());

  // Draining composites the hidden parts on this thread; every pixel of the
  // image has then been composited exactly once.
  EXPECT_EQ(rig.queue.RenderAllNow(), 0);
  EXPECT_TRUE(rig.queue.DeferredList().empty());
  EXPECT_TRUE(rig.queue.StopRequested());
  std::vector<int> covered(1000 * 700, 0);
  const auto renders = rig.renderer.Renders();
  for (std::size_t i = 0; i < renders.size(); ++i) {
    const RECT& r = renders[i].rect;
    EXPECT_EQ(renders[i].thread == std::this_thread::get_id(), i >= shown.size());
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) ++covered[y * 1000 + x];
    }
  }
  for (int count : covered) ASSERT_EQ(count, 1);
}

// The document hands the queue image rectangles with y counted upward from
// the bottom row, so damage to the bottom rows lands in the bottom row of
// cells, the full-height one: in a 300-pixel-high image it covers rows 44
// to 299 counted from the top.
TEST(RenderQueueThreaded, DamageToTheBottomRowsFallsInTheBottomRowOfCells) {
  constexpr LONG kHeight = 300;
  Rig rig(600, kHeight);  // 3 columns, 2 rows
  RecordingView view(RECT{0, 0, 600, kHeight});
  rig.Show(&view);
  const RECT bottomRows{0, 0, 600, 10};
  rig.queue.QueueRect(&bottomRows);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));
  WaitUntilIdle(rig);

  const std::vector<Box> pieces{{0, 0, 256, 10}, {256, 0, 512, 10}, {512, 0, 600, 10}};
  EXPECT_EQ(Boxes(rig.renderer.Rendered()), pieces);
  EXPECT_EQ(Boxes(view.Done()), pieces);
  const CellGrid& grid = rig.queue.Grid();
  for (const RECT& piece : rig.renderer.Rendered()) {
    const int index = grid.IndexOf(piece);
    EXPECT_EQ(index / grid.Columns(), 0);
    const RECT cell = grid.CellRect(index);
    EXPECT_EQ(kHeight - cell.bottom, 44);    // its top row, counted from the top
    EXPECT_EQ(kHeight - 1 - cell.top, 299);  // its bottom row
  }

  // The top 10 rows fall in the short top row of cells, rows 0..43 from the top.
  const RECT topRows{0, kHeight - 10, 600, kHeight};
  rig.queue.QueueRect(&topRows);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(2));
  WaitUntilIdle(rig);
  const std::vector<RECT> rendered = rig.renderer.Rendered();
  ASSERT_EQ(rendered.size(), 6u);
  for (std::size_t i = 3; i < rendered.size(); ++i) {
    const RECT cell = grid.CellRect(grid.IndexOf(rendered[i]));
    EXPECT_EQ(grid.IndexOf(rendered[i]) / grid.Columns(), 1);
    EXPECT_EQ(kHeight - cell.bottom, 0);
    EXPECT_EQ(kHeight - 1 - cell.top, 43);
  }
}

TEST(RenderQueueThreaded, APieceCompositedDuringAStopIsDoneAgainAfterwards) {
  for (const char* resume : {"Restart", "RenderAllNow"}) {
    SCOPED_TRACE(resume);
    Rig rig(512, 512);
    RecordingView view(RECT{0, 0, 512, 512});
    rig.Show(&view);
    rig.renderer.HoldRenders(true);
    rig.queue.QueueRect(nullptr);
    ASSERT_TRUE(rig.renderer.WaitForRenders(1));  // the worker is inside Render of cell 0

    std::thread stopper([&] { rig.queue.StopThread(); });
    ASSERT_TRUE(PollUntil([&] { return rig.queue.StopRequested(); }));
    rig.renderer.HoldRenders(false);
    stopper.join();

    // Composited but not announced: it stays the cell in progress.
    EXPECT_EQ(rig.queue.CellInProgress().index, 0);
    EXPECT_TRUE(view.Done().empty());
    EXPECT_EQ(rig.queue.RenderList().size(), 3u);
    EXPECT_TRUE(rig.queue.IsIdle());

    if (std::string(resume) == "Restart") {
      rig.queue.Restart();
      ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));
      WaitUntilIdle(rig);
    } else {
      rig.queue.RenderAllNow();
    }
    const std::vector<Box> cells{rig.CellBox(0), rig.CellBox(1), rig.CellBox(2), rig.CellBox(3)};
    EXPECT_EQ(Boxes(view.Done()), cells);
    std::vector<Box> twice{cells[0]};
    twice.insert(twice.end(), cells.begin(), cells.end());
    EXPECT_EQ(Boxes(rig.renderer.Rendered()), twice);
    EXPECT_EQ(rig.queue.CellInProgress().index, -1);
  }
}

TEST(RenderQueueThreaded, NewImageSizeDropsThePieceInProgress) {
  Rig rig(512, 512);
  RecordingView view(RECT{0, 0, 512, 512});
  rig.Show(&view);
  rig.renderer.HoldRenders(true);
  rig.queue.QueueRect(nullptr);
  ASSERT_TRUE(rig.renderer.WaitForRenders(1));
  std::thread stopper([&] { rig.queue.StopThread(); });
  ASSERT_TRUE(PollUntil([&] { return rig.queue.StopRequested(); }));
  rig.renderer.HoldRenders(false);
  stopper.join();
  ASSERT_EQ(rig.queue.CellInProgress().index, 0);

  rig.queue.SetImageSize(100, 100);
  EXPECT_EQ(rig.queue.CellInProgress().index, -1);
  EXPECT_TRUE(rig.queue.RenderList().empty());
  rig.queue.Restart();
  EXPECT_TRUE(rig.queue.IsIdle());
  EXPECT_EQ(rig.renderer.Rendered().size(), 1u);
}

TEST(RenderQueueThreaded, ThePieceUnderThePointerIsTakenNext) {
  Rig rig(1024, 768);  // 4 columns, 3 rows
  RecordingView view(RECT{0, 0, 1024, 768});
  rig.Show(&view);
  rig.renderer.HoldRenders(true);
  rig.queue.QueueRect(nullptr);
  ASSERT_TRUE(rig.renderer.WaitForRenders(1));
  view.SetPointer(POINT{1000, 760});  // the top-right cell, last in row order
  rig.renderer.HoldRenders(false);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));

  std::vector<Box> expected{rig.CellBox(0), rig.CellBox(11)};
  for (int i = 1; i < 11; ++i) expected.push_back(rig.CellBox(i));
  EXPECT_EQ(Boxes(rig.renderer.Rendered()), expected);
}

TEST(RenderQueueThreaded, APieceQueuedDuringTheEmptyNoticeKeepsTheWorkerGoing) {
  Rig rig(512, 512);
  RecordingView view(RECT{0, 0, 512, 512});
  rig.Show(&view);
  rig.renderer.HoldEmptyNotice(true);
  const RECT first{10, 300, 20, 310};
  rig.queue.QueueRect(&first);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));  // the worker is about to go idle
  const RECT second{400, 10, 420, 30};
  rig.queue.QueueRect(&second);  // sees a worker running: starts none
  rig.renderer.HoldEmptyNotice(false);

  ASSERT_TRUE(view.WaitForDone(2));
  EXPECT_EQ(Boxes(view.Done()), (std::vector<Box>{first, second}));
  WaitUntilIdle(rig);
  EXPECT_TRUE(rig.queue.RenderList().empty());
}

TEST(RenderQueueThreaded, AnIdleQueueNeverKeepsListedPieces) {
  Rig rig(2048, 2048);
  RecordingView view(RECT{0, 0, 2048, 2048});
  rig.Show(&view);
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> pos(0, 2000);
  for (int i = 0; i < 400; ++i) {
    const LONG x = pos(rng), y = pos(rng);
    const RECT damage{x, y, x + 40, y + 40};
    rig.queue.QueueRect(&damage);
    if (i % 50 == 0) std::this_thread::yield();
  }
  WaitUntilIdle(rig);
  EXPECT_TRUE(rig.queue.RenderList().empty());
  EXPECT_TRUE(rig.queue.DeferredList().empty());
}

TEST(RenderQueueThreaded, ARemovedViewIsNeverTouchedAgain) {
  Rig rig(1024, 512);  // 4 columns, 2 rows
  RecordingView left(RECT{0, 0, 512, 512}), right(RECT{512, 0, 1024, 512});
  rig.queue.AddView(&right);
  rig.Show(&left);
  rig.renderer.HoldRenders(true);
  rig.queue.QueueRect(nullptr);
  ASSERT_TRUE(rig.renderer.WaitForRenders(1));  // cell 0, shown by the left view

  rig.queue.RemoveView(&left);
  left.Forget();
  EXPECT_EQ(rig.queue.CurrentView(), nullptr);
  // What only the left view showed now waits; the right view's cells stay listed.
  EXPECT_EQ(Boxes(rig.queue.DeferredList()),
            (std::vector<Box>{rig.CellBox(1), rig.CellBox(4), rig.CellBox(5)}));
  rig.renderer.HoldRenders(false);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));
  WaitUntilIdle(rig);

  EXPECT_EQ(left.CallsAfterForget(), 0);
  EXPECT_TRUE(left.Done().empty());
  EXPECT_EQ(Boxes(right.Done()), (std::vector<Box>{rig.CellBox(0), rig.CellBox(2), rig.CellBox(3),
                                                   rig.CellBox(6), rig.CellBox(7)}));
}

TEST(RenderQueueThreaded, AMinimisedViewGetsItsCellsWhenItShowsTheImageAgain) {
  Rig rig(600, 600);
  RecordingView view;  // minimised: live, nothing shown
  rig.Show(&view);
  rig.queue.QueueRect(nullptr);
  EXPECT_TRUE(rig.queue.IsIdle());
  EXPECT_EQ(rig.queue.DeferredList().size(), 9u);

  view.SetVisible(RECT{0, 0, 600, 600});
  rig.queue.Redistribute(&view);
  ASSERT_TRUE(rig.renderer.WaitForEmptyNotices(1));
  WaitUntilIdle(rig);
  EXPECT_EQ(view.Done().size(), 9u);
  EXPECT_TRUE(rig.queue.DeferredList().empty());
}

// A document operation stops the worker, then changes the document under
// its lock, then restarts or drains. Render looks at the queue while it
// holds the document lock: were the queue to call it under one of its own
// locks, the worker would deadlock on itself (and ThreadSanitizer report
// the double lock).
TEST(RenderQueueThreaded, DocumentOperationsRunBetweenStopAndRestart) {
  Rig rig(1500, 1100);
  RecordingView view(RECT{0, 0, 900, 700});
  rig.Show(&view);
  int documentState = 0;
  int seenState = 0;
  rig.renderer.probe = [&] {
    seenState = documentState;
    (void)rig.queue.IsIdle();
    (void)rig.queue.CurrentView();
  };
  std::mt19937 rng(9);
  std::uniform_int_distribution<int> pos(0, 1400);
  for (int i = 0; i < 60; ++i) {
    const LONG x = pos(rng), y = pos(rng) % 1000;
    const RECT damage{x, y, x + 90, y + 90};
    rig.queue.QueueRect(&damage);
    if (i % 6 == 5) {
      rig.queue.StopThread();
      {
        std::lock_guard<std::recursive_mutex> document(rig.renderer.documentLock);
        ++documentState;
      }
      if (i % 12 == 5) {
        rig.queue.Restart();
      } else {
        rig.queue.RenderAllNow();
      }
    }
  }
  {
    std::lock_guard<std::recursive_mutex> document(rig.renderer.documentLock);
    ++documentState;
  }
  rig.queue.QueueRect(nullptr);
  rig.queue.RenderAllNow();
  EXPECT_TRUE(rig.queue.RenderList().empty());
  EXPECT_TRUE(rig.queue.DeferredList().empty());
  std::lock_guard<std::recursive_mutex> document(rig.renderer.documentLock);
  EXPECT_EQ(seenState, documentState);
}

}  // namespace
}  // namespace lumora
