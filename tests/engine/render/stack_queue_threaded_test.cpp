// The render queue's real worker compositing a real layer stack while the
// user-interface thread edits the stack under the document lock and queues
// what each edit damaged; once drained, the composite equals a fresh render
// of the whole stack. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "engine/layers/LayerMng.h"
#include "platform/rect.h"
#include "tests/engine/layers/stack_support.h"
#include "tests/engine/render/render_queue_fakes.h"
#include "engine/render/MapRect.h"
#include "engine/render/StackCellRenderer.h"

namespace lumora {
namespace {

using testing_support::PollUntil;
using testing_support::RecordingView;

constexpr int kWidth = 1300;  // 6 x 4 cells
constexpr int kHeight = 800;
constexpr int kModes[] = {kMergeNormal, kMergeMultiply, kMergeScreen, kMergeOverlay,
                          kMergeDifference, kMergeLighten};

// Counts the pieces the worker composited.
class CountingStackRenderer : public StackCellRenderer {
 public:
  using StackCellRenderer::StackCellRenderer;
  void Render(const RECT& rect) override {
    StackCellRenderer::Render(rect);
    if (std::this_thread::get_id() != control_) workerRenders.fetch_add(1);
  }

  std::atomic<int> workerRenders{0};

 private:
  const std::thread::id control_ = std::this_thread::get_id();
};

LONG Coord(std::mt19937& rng, int size) {
  return static_cast<LONG>(rng() % static_cast<unsigned>(size + 80)) - 40;
}

RECT RandomRect(std::mt19937& rng, int maxSide) {
  const LONG left = Coord(rng, kWidth), top = Coord(rng, kHeight);
  return RECT{left, top, left + 8 + static_cast<LONG>(rng() % static_cast<unsigned>(maxSide)),
              top + 8 + static_cast<LONG>(rng() % static_cast<unsigned>(maxSide))};
}

// A masked layer of random pixels, some reaching outside the image.
CLayerPtr RandomLayer(std::mt19937& rng) {
  const RECT rect = RandomRect(rng, 300);
  LAYER_INFO info = testing::DefaultInfo();
  info.mergeMode = kModes[rng() % std::size(kModes)];
  info.opacity = 30 + static_cast<int>(rng() % 71);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, info, kWAType24, 1));
  testing::FillRandom(layer->PeekImage(), rng);
  testing::FillRandomMask(layer->PeekMask(), rng);
  return layer;
}

// Where a layer can change the composite.
RECT Footprint(const CLayer* layer) {
  RECT box = layer->GetRect();
  if (layer->PeekMask() != nullptr) RectUnion(&box, box, layer->GetMaskRect());
  return box;
}

// One edit of the kind a document makes, under the document lock (the
// stack's own operations take it themselves); returns what it damaged.
RECT Edit(CLayersManager& stack, DocumentLock& lock, std::mt19937& rng) {
  const int count = stack.GetLayerCount();
  // The opaque background (index 0) stays, so every pixel is covered.
  CLayer* layer = count > 1 ? stack.GetLayer(1 + static_cast<int>(rng() % (count - 1))) : nullptr;
  // Mostly small pixel and mask edits, so that a lost damage stays visible.
  const unsigned roll = rng() % 16;
  const unsigned kind = layer == nullptr ? 4 : roll < 11 ? roll % 2 : roll - 9;
  switch (kind) {
    case 0: {
      const RECT rect = RandomRect(rng, 40);
      DocumentLockScope scope(&lock);
      FillLayerRect(layer, rect, static_cast<int>(rng() % 256));
      return rect;
    }
    case 1: {
      const RECT rect = RandomRect(rng, 40);
      DocumentLockScope scope(&lock);
      ModifyLayerMaskRect(layer, rect, static_cast<int>(rng() % 256), 12);
      return rect;
    }
    case 2: {
      DocumentLockScope scope(&lock);
      LAYER_INFO info = layer->GetLayerInfo();
      info.opacity = static_cast<int>(rng() % 101);
      info.mergeMode = kModes[rng() % std::size(kModes)];
      layer->SetLayerInfo(info);
      return Footprint(layer);
    }
    case 3: {
      DocumentLockScope scope(&lock);
      RECT damage = Footprint(layer);
      layer->Offset(POINT{static_cast<LONG>(rng() % 61) - 30, static_cast<LONG>(rng() % 61) - 30});
      RectUnion(&damage, damage, Footprint(layer));
      return damage;
    }
    case 4: {
      CLayerPtr added = RandomLayer(rng);
      stack.AddLayer(added.get());
      return Footprint(added.get());
    }
    default: {
      if (count <= 3) return RECT{0, 0, 0, 0};
      const RECT damage = Footprint(layer);
      stack.DeleteLayer(layer);
      return damage;
    }
  }
}

TEST(RenderQueueStackThreaded, CompositeEqualsAFreshRenderAfterEditsWhileTheWorkerRuns) {
  ReentrantDocumentLock lock;
  std::mt19937 rng(31);
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, &lock, kWidth, kHeight, 0x00600060u, 0x5A7896u, 0));
  for (int i = 0; i < 4; ++i) stack->AddLayer(RandomLayer(rng).get());
  CountingStackRenderer renderer(stack.get());
  // The right-hand column is shown nowhere: its pieces wait in the
  // deferred list until the drain.
  RecordingView view(RECT{0, 0, 1000, kHeight});
  view.SetPointer(POINT{600, 400});
  {
    CMapRect queue;
    queue.SetDocument(&renderer);
    queue.SetImageSize(kWidth, kHeight);
    queue.AddView(&view);
    queue.PrioritizeView(&view);
    queue.QueueRect(nullptr);
    for (int i = 0; i < 120; ++i) {
      RECT damage = Edit(*stack, lock, rng);
      const RECT image{0, 0, kWidth, kHeight};
      if (RectIntersect(&damage, damage, image)) queue.QueueRect(&damage);
      if (i % 16 == 15) {
        // Now and then the worker catches up, so edits land both while it
        // composites and between its pieces.
        const int before = renderer.workerRenders.load();
        const RECT shown{0, 0, 256, 256};
        queue.QueueRect(&shown);
        ASSERT_TRUE(PollUntil([&] { return renderer.workerRenders.load() > before; }));
      }
    }
    EXPECT_EQ(queue.RenderAllNow(), 0);
    EXPECT_TRUE(queue.RenderList().empty());
    EXPECT_TRUE(queue.DeferredList().empty());
  }
  EXPECT_GT(renderer.workerRenders.load(), 8);
  EXPECT_FALSE(view.Done().empty());

  CLayersManagerPtr fresh = CLayersManagerPtr::Adopt(new CLayersManager(stack.get()));
  fresh->SetDocument(nullptr);
  fresh->Render(RECT{0, 0, kWidth, kHeight});
  EXPECT_TRUE(testing::SameBytes(stack->GetCompositeImage().get(), fresh->GetCompositeImage().get()));
  EXPECT_TRUE(testing::SameBytes(stack->GetCompositeMask().get(), fresh->GetCompositeMask().get()));
}

}  // namespace
}  // namespace lumora
