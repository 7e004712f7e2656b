// A stack's copy (the undo snapshot) renders exactly like the stack: the
// copy keeps every layer's class and the flags rendering reads, and what
// rendering leaves behind in the layers (saved copies of clipping-group
// bases, chosen blend functions and draw entries) never changes a later
// result, whatever cells were rendered before and in whatever order.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "engine/layers/LayerMng.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ColourLayer;
using lumora::testing::DefaultInfo;
using lumora::testing::EmptyStack;
using lumora::testing::FillRandom;
using lumora::testing::FillRandomMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;
using lumora::testing::SameBytes;

WAPtr Merged(CLayersManager& stack) { return stack.CreateMergedImage(1, 255, 255, 255); }

CLayersManagerPtr CopyOf(const CLayersManager& stack) {
  return CLayersManagerPtr::Adopt(new CLayersManager(stack));
}

TEST(LayerCopyKind, WorkLayersCopyAsWorkLayersWithTheirReplaceFlag) {
  const RECT r{0, 0, 4, 3};
  CLayerPtr paint = CLayerPtr::Adopt(new CLayerPaint(&r, DefaultInfo(), kWAType24, 1));
  paint->SetReplace(1);
  CLayerPtr paintCopy = CLayerPtr::Adopt(paint->CreateCopy());
  EXPECT_EQ(paintCopy->IsPaint(), 1);
  EXPECT_EQ(paintCopy->IsMask(), 0);
  EXPECT_EQ(paintCopy->GetReplace(), 1u);
  EXPECT_EQ(paintCopy->GetUniqueId(), paint->GetUniqueId());
  EXPECT_TRUE(paintCopy->IsWholeCopyOf(*paint));

  CLayerPtr mask = CLayerPtr::Adopt(new CLayerMask(&r, DefaultInfo(), kWAType8Grey, 1));
  mask->SetReplace(1);
  CLayerPtr maskCopy = CLayerPtr::Adopt(mask->CreateCopy());
  EXPECT_EQ(maskCopy->IsPaint(), 1);
  EXPECT_EQ(maskCopy->IsMask(), 1);
  EXPECT_EQ(maskCopy->GetReplace(), 1u);

  // An ordinary layer never replaces: its copy stays a plain layer.
  CLayerPtr plain = ColourLayer(r, 1, 2, 3);
  CLayerPtr plainCopy = CLayerPtr::Adopt(plain->CreateCopy());
  EXPECT_EQ(plainCopy->IsPaint(), 0);
}

TEST(StackCopyRender, AStrokeInProgressRendersInTheCopyAsInTheStack) {
  // An eraser stroke (a replacing work layer whose mask, zero here, takes
  // the place of the target's) riding on its target: in the copy it must
  // still ride and replace, not be drawn as a transparent layer of its own
  // over the target.
  CLayersManagerPtr stack = EmptyStack(6, 2);
  CLayerPtr target = ColourLayer(RECT{0, 0, 6, 2}, 200, 150, 100, 255);
  stack->AddLayer(target.get());
  const RECT strokeRect{2, 0, 5, 2};
  CLayerPtr stroke = CLayerPtr::Adopt(new CLayerPaint(&strokeRect, DefaultInfo(), kWAType24, 1));
  stroke->SetReplace(1);
  stack->AddLayer(stroke.get());
  stack->SetActiveLayerByIndex(0);

  CLayersManagerPtr copy = CopyOf(*stack);
  ASSERT_EQ(copy->GetLayerCount(), 2);
  EXPECT_EQ(copy->GetLayer(1)->IsPaint(), 1);
  EXPECT_EQ(copy->GetLayer(1)->GetReplace(), 1u);
  const WAPtr original = Merged(*stack);
  const WAPtr copied = Merged(*copy);
  // The erased pixels show the background; the rest keeps the target.
  EXPECT_EQ(PixelAt(original.get(), 3, 1), (Px{255, 255, 255}));
  EXPECT_EQ(PixelAt(original.get(), 0, 1), (Px{200, 150, 100}));
  EXPECT_TRUE(SameBytes(original.get(), copied.get()));
}

// Adds to a random stack what RandomStack leaves out: Add and Subtract
// with their scale and offset, blend-if ranges on every channel of both
// sides, mask editing, and a second work layer (a mask stroke or a paint
// stroke, grouped or not, locked or not, replacing or not).
void AddMoreState(CLayersManager& stack, std::mt19937& rng) {
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    CLayer* layer = stack.GetLayer(i);
    if (rng() % 3 == 0) layer->SetMergeMode(rng() % 2 != 0 ? kMergeAdd : kMergeSubtract);
    layer->SetAddScaleOffset(10000 + static_cast<int>(rng() % 10001),
                             static_cast<int>(rng() % 511) - 255);
    layer->SetSubtractScaleOffset(10000 + static_cast<int>(rng() % 10001),
                                  static_cast<int>(rng() % 511) - 255);
    if (rng() % 3 == 0) {
      std::uint8_t ranges[8][4];
      for (int k = 0; k < 8; ++k) {
        std::copy(layer->GetBlendIfRange(k), layer->GetBlendIfRange(k) + 4, ranges[k]);
      }
      std::uint8_t* range = ranges[rng() % 8];
      range[0] = static_cast<std::uint8_t>(rng() % 60);
      range[1] = static_cast<std::uint8_t>(range[0] + rng() % 60);
      range[3] = static_cast<std::uint8_t>(255 - rng() % 60);
      range[2] = static_cast<std::uint8_t>(range[3] - rng() % 60);
      layer->SetBlendIfRanges(ranges);
    }
    if (rng() % 5 == 0) layer->SetEditMask(1);
  }
  CLayer* target = stack.GetLayer(static_cast<int>(rng() % stack.GetLayerCount()));
  RECT r = target->GetRect();
  r.left += static_cast<LONG>(rng() % 5), r.top += static_cast<LONG>(rng() % 5);
  r.right += 5, r.bottom += 5;
  LAYER_INFO info = DefaultInfo();
  info.opacity = static_cast<int>(rng() % 101);
  info.mergeMode = static_cast<int>(rng() % kMergeModeCount);
  CLayer* work = rng() % 2 != 0 ? static_cast<CLayer*>(new CLayerMask(&r, info, kWAType8Grey, 1))
                                : new CLayerPaint(&r, info, stack.GetImageType(), 1);
  FillRandom(work->PeekImage(), rng);
  FillRandomMask(work->PeekMask(), rng);
  if (rng() % 2 != 0) {
    work->CreateAuxBuffer(0);
    FillRandomMask(work->PeekAux(), rng);
  }
  work->SetPaintOnLayer(static_cast<int>(rng() % 2));
  work->SetReplace(static_cast<int>(rng() % 2));
  if (!stack.InsertLayer(target, work)) {
    work->Release();
    return;
  }
  if (rng() % 3 == 0) work->SetGrouped(1 - work->GetGrouped());
}

// Renders `count` cells of random size and place (some reaching outside
// the image) in random order.
void RenderCells(CLayersManager& stack, std::mt19937& rng, int count, LONG size) {
  const int w = stack.GetWidth(), h = stack.GetHeight();
  for (int i = 0; i < count; ++i) {
    const LONG cw = size > 0 ? size : 1 + static_cast<LONG>(rng() % w);
    const LONG ch = size > 0 ? size : 1 + static_cast<LONG>(rng() % h);
    const LONG left = static_cast<LONG>(rng() % (w + 8)) - 4;
    const LONG top = static_cast<LONG>(rng() % (h + 8)) - 4;
    stack.Render(RECT{left, top, left + cw, top + ch});
  }
}

bool HasDissolve(const CLayersManager& stack) {
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    if (stack.GetLayer(i)->GetMergeMode() == kMergeDissolve) return true;
  }
  return false;
}

bool SameComposite(CLayersManager& a, CLayersManager& b) {
  return SameBytes(a.GetCompositeImage().get(), b.GetCompositeImage().get()) &&
         SameBytes(a.GetCompositeMask().get(), b.GetCompositeMask().get());
}

TEST(StackCopyProperty, CellsThenCopyRenderLikeAStackNeverRendered) {
  int twinsCompared = 0;
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    // Rounds of four cover the reported case: four layers over 48 x 32 and
    // five 16 x 16 cells.
    const bool reported = round % 4 == 0;
    const int type = round % 3 == 0 ? kWAType8Grey : kWAType24;
    auto build = [&](std::mt19937& rng, int* w, int* h) {
      *w = reported ? 48 : 5 + static_cast<int>(rng() % 60);
      *h = reported ? 32 : 3 + static_cast<int>(rng() % 40);
      CLayersManagerPtr stack =
          lumora::testing::RandomStack(rng, type, *w, *h, reported ? 4 : 2 + round % 7);
      if (round % 2 != 0) AddMoreState(*stack, rng);
      return stack;
    };
    std::mt19937 rng(static_cast<unsigned>(round)), twinRng(static_cast<unsigned>(round));
    int w = 0, h = 0;
    CLayersManagerPtr stack = build(rng, &w, &h);
    // The twin is built the same way and never rendered in cells. Dissolve
    // patterns follow each layer's identity, which a twin built apart does
    // not share; the snapshot, a copy taken before any rendering, does.
    CLayersManagerPtr twin = build(twinRng, &w, &h);
    CLayersManagerPtr snapshot = CopyOf(*stack);
    const WAPtr expected = Merged(*snapshot);

    RenderCells(*stack, rng, reported ? 5 : static_cast<int>(rng() % 8), reported ? 16 : 0);
    CLayersManagerPtr copy = CopyOf(*stack);
    RenderCells(*copy, rng, static_cast<int>(rng() % 4), 0);
    RenderCells(*stack, rng, static_cast<int>(rng() % 4), 0);
    const WAPtr original = Merged(*stack);
    ASSERT_TRUE(SameBytes(original.get(), expected.get()));
    ASSERT_TRUE(SameBytes(Merged(*copy).get(), expected.get()));
    if (!HasDissolve(*stack)) {
      ++twinsCompared;
      ASSERT_TRUE(SameBytes(Merged(*twin).get(), expected.get()));
    }
    // The screen's composite (mask views and highlights included) too.
    const RECT all{0, 0, w, h};
    stack->Render(all);
    copy->Render(all);
    snapshot->Render(all);
    ASSERT_TRUE(SameComposite(*stack, *snapshot));
    ASSERT_TRUE(SameComposite(*copy, *snapshot));
  }
  EXPECT_GT(twinsCompared, 50);
}

TEST(StackCopyThreaded, SnapshotsTakenWhileCellsRenderAllMergeAlike) {
  // The render worker refreshes the saved copies of group bases cell by
  // cell while the user-interface thread takes undo snapshots: each
  // snapshot is taken under the document lock and merges like the stack.
  for (unsigned seed : {1u, 5u, 12u}) {
    SCOPED_TRACE(seed);
    ReentrantDocumentLock lock;
    std::mt19937 rng(seed);
    CLayersManagerPtr stack = lumora::testing::RandomStack(rng, kWAType24, 48, 32, 4);
    AddMoreState(*stack, rng);
    const WAPtr expected = Merged(*CopyOf(*stack));
    stack->SetDocument(&lock);
    std::atomic<bool> stop{false};
    std::atomic<int> rendered{0};
    std::thread worker([&stack, &stop, &rendered, seed] {
      std::mt19937 cells(seed + 100);
      while (!stop.load()) {
        RenderCells(*stack, cells, 1, 16);
        rendered.fetch_add(1);
      }
    });
    std::vector<CLayersManagerPtr> snapshots;
    while (rendered.load() == 0) std::this_thread::yield();
    for (int i = 0; i < 12; ++i) {
      snapshots.push_back(CopyOf(*stack));
      std::this_thread::yield();
    }
    stop.store(true);
    worker.join();
    for (CLayersManagerPtr& snapshot : snapshots) {
      snapshot->SetDocument(nullptr);
      ASSERT_TRUE(SameBytes(Merged(*snapshot).get(), expected.get()));
    }
    ASSERT_TRUE(SameBytes(Merged(*stack).get(), expected.get()));
  }
}

}  // namespace
