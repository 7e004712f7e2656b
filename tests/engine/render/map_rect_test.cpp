// The render queue without a running worker: views, queueing that starts no
// worker, the image size, and the immediate path of layer moves.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/engine/render/render_queue_fakes.h"
#include "engine/render/MapRect.h"

namespace lumora {
namespace {

using testing_support::Box;
using testing_support::Boxes;
using testing_support::RecordingRenderer;
using testing_support::RecordingView;
using Cells = std::vector<MapRectCell>;

Cells PiecesOf(const CMapRect& queue, RECT rect) {
  Cells pieces;
  queue.Grid().Split(rect, &pieces);
  return pieces;
}

TEST(MapRect, RegistersViewsOnceAndPrioritisesOnlyLiveRegisteredOnes) {
  CMapRect queue;
  queue.SetImageSize(512, 512);
  RecordingView a(RECT{0, 0, 512, 512}), b(RECT{0, 0, 512, 512}), stranger;
  EXPECT_FALSE(queue.HasView(nullptr));
  queue.AddView(nullptr);
  queue.AddView(&a);
  queue.AddView(&a);
  queue.AddView(&b);
  EXPECT_TRUE(queue.HasView(&a));
  EXPECT_FALSE(queue.HasView(&stranger));

  EXPECT_EQ(queue.PrioritizeView(nullptr), 0);
  EXPECT_EQ(queue.PrioritizeView(&stranger), 0);
  b.SetLive(false);
  EXPECT_EQ(queue.PrioritizeView(&b), 0);
  EXPECT_EQ(queue.CurrentView(), nullptr);
  EXPECT_EQ(queue.PrioritizeView(&a), 1);
  EXPECT_EQ(queue.CurrentView(), &a);

  // Removing the current view leaves no current view behind.
  queue.RemoveView(&a);
  EXPECT_FALSE(queue.HasView(&a));
  EXPECT_EQ(queue.CurrentView(), nullptr);
  queue.RemoveView(&stranger);
  EXPECT_TRUE(queue.HasView(&b));
}

TEST(MapRect, NothingToQueueStartsNoWorker) {
  RecordingRenderer renderer;
  RecordingView view(RECT{0, 0, 512, 512});
  CMapRect queue;
  queue.SetDocument(&renderer);
  queue.SetImageSize(512, 512);
  queue.AddView(&view);
  const RECT empty{40, 40, 40, 90};
  const RECT outside{512, 0, 600, 100};
  queue.QueueRect(&empty);
  queue.QueueRect(&outside);
  EXPECT_TRUE(queue.IsIdle());
  EXPECT_TRUE(queue.RenderList().empty());
  EXPECT_TRUE(queue.DeferredList().empty());
  EXPECT_FALSE(queue.StartThread());
  EXPECT_FALSE(queue.StopThread());  // returns at once
  EXPECT_TRUE(renderer.Rendered().empty());
}

TEST(MapRect, DamageNoViewShowsWaitsInTheDeferredList) {
  RecordingRenderer renderer;
  RecordingView minimised;  // live, empty client area
  for (bool withView : {true, false}) {
    CMapRect queue;
    queue.SetDocument(&renderer);
    queue.SetImageSize(700, 600);
    if (withView) {
      queue.AddView(&minimised);
      queue.PrioritizeView(&minimised);
    }
    queue.QueueRect(nullptr);
    EXPECT_EQ(queue.DeferredList(), PiecesOf(queue, queue.Grid().ImageRect())) << withView;
    EXPECT_TRUE(queue.RenderList().empty());
    EXPECT_TRUE(queue.IsIdle());
  }
  EXPECT_TRUE(renderer.Rendered().empty());
}

// A worker run reads the pointer afresh for its first piece and may use a
// kept reading for the rest; the immediate path reads it afresh each time.
TEST(MapRect, OnlyTheFirstPieceOfARunAsksForAFreshPointerReading) {
  RecordingRenderer renderer;
  RecordingView view;  // showing nothing yet: the pieces wait, no worker starts
  CMapRect queue;
  queue.SetDocument(&renderer);
  queue.SetImageSize(512, 512);
  queue.AddView(&view);
  queue.PrioritizeView(&view);
  view.SetPointer(POINT{300, 300});
  queue.QueueRect(nullptr);
  ASSERT_TRUE(queue.IsIdle());
  queue.RenderAllNow();
  ASSERT_EQ(renderer.Rendered().size(), 4u);
  // Four pieces and the look at an empty list.
  EXPECT_EQ(view.FreshReadings(), (std::vector<bool>{true, false, false, false, false}));
  view.SetVisible(RECT{0, 0, 512, 512});
  queue.QueueRectNow(nullptr);
  queue.RenderImmediateList();
  const std::vector<bool> readings = view.FreshReadings();
  ASSERT_GT(readings.size(), 5u);
  for (std::size_t i = 5; i < readings.size(); ++i) EXPECT_TRUE(readings[i]) << i;
}

TEST(MapRect, NewImageSizeEmptiesTheDeferredListButNotTheImmediateOne) {
  RecordingView view(RECT{0, 0, 256, 512});
  CMapRect queue;
  EXPECT_EQ(queue.SetImageSize(512, 512).cx, 0);
  queue.AddView(&view);
  queue.PrioritizeView(&view);
  queue.DeferRect(nullptr);
  // Only the right half is hidden from the view.
  EXPECT_EQ(queue.DeferredList(), PiecesOf(queue, RECT{256, 0, 512, 512}));
  queue.QueueRectNow(nullptr);
  const Cells immediate = queue.ImmediateList();
  EXPECT_EQ(immediate, PiecesOf(queue, RECT{0, 0, 256, 512}));

  const SIZE old = queue.SetImageSize(100, 100);
  EXPECT_EQ(old.cx, 512);
  EXPECT_EQ(old.cy, 512);
  EXPECT_EQ(queue.Grid().Count(), 1);
  EXPECT_TRUE(queue.DeferredList().empty());
  EXPECT_EQ(queue.ImmediateList(), immediate);
}

TEST(MapRectImmediate, RendersOnTheCallingThreadPointerPieceFirst) {
  RecordingRenderer renderer;
  RecordingView view(RECT{0, 0, 1024, 512});
  CMapRect queue;
  queue.SetDocument(&renderer);
  queue.SetImageSize(1024, 512);  // 4 columns, 2 rows
  queue.AddView(&view);

  // Without a current view the immediate path does nothing.
  queue.QueueRectNow(nullptr);
  queue.RenderImmediateList();
  EXPECT_TRUE(queue.ImmediateList().empty());
  EXPECT_EQ(renderer.EmptyNotices(), 0);

  queue.PrioritizeView(&view);
  queue.QueueRectNow(nullptr);
  ASSERT_EQ(queue.ImmediateList().size(), 8u);
  view.SetPointer(POINT{1000, 500});  // top-right cell
  queue.RenderImmediateList();

  const std::vector<RECT> rendered = renderer.Rendered();
  ASSERT_EQ(rendered.size(), 8u);
  EXPECT_EQ(Box(rendered[0]), Box(768, 256, 1024, 512));
  EXPECT_EQ(Box(rendered[1]), Box(0, 0, 256, 256));  // then the head again
  for (const auto& render : renderer.Renders()) {
    EXPECT_EQ(render.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(Boxes(view.DoneNow()), Boxes(rendered));
  EXPECT_TRUE(view.Done().empty());
  EXPECT_EQ(renderer.EmptyNotices(), 1);
  EXPECT_TRUE(queue.ImmediateList().empty());
  EXPECT_TRUE(queue.IsIdle());
}

TEST(MapRectImmediate, AViewShowingNothingEndsTheQueueing) {
  RecordingView first(RECT{0, 0, 256, 256}), minimised;
  CMapRect queue;
  queue.SetImageSize(512, 512);
  queue.AddView(&first);
  queue.AddView(&minimised);
  queue.PrioritizeView(&first);
  queue.QueueRectNow(nullptr);
  EXPECT_EQ(queue.ImmediateList(), PiecesOf(queue, RECT{0, 0, 256, 256}));
}

}  // namespace
}  // namespace lumora
