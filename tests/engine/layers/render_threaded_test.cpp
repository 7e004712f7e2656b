// Rendering on a worker thread while the user-interface thread changes the
// stack: every change goes through the stack's own operations (which take
// the document lock) or holds the lock itself, as the document does; the
// sanitizers see no race, and the stack renders afterwards exactly as an
// untouched copy of it does.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "engine/layers/PaintLayer.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ColourLayer;
using lumora::testing::SameBytes;

constexpr int kWidth = 48;
constexpr int kHeight = 32;

CLayer* AnyLayer(CLayersManager& stack, std::mt19937& rng) {
  return stack.GetLayer(static_cast<int>(rng() % static_cast<unsigned>(stack.GetLayerCount())));
}

// One change of the stack, chosen by the generator.
void Change(CLayersManager& stack, DocumentLock& lock, std::mt19937& rng) {
  switch (rng() % 12) {
    case 0: {
      WAPtr image = lumora::testing::SolidBuffer(kWAType24, 1 + static_cast<int>(rng() % kWidth),
                                                 1 + static_cast<int>(rng() % kHeight), 0);
      lumora::testing::FillRandom(image.get(), rng);
      stack.AddLayerFromImage(image.get(), POINT{static_cast<LONG>(rng() % 20), 3}, 1);
      break;
    }
    case 1:
      if (stack.GetLayerCount() > 2) stack.DeleteLayer(AnyLayer(stack, rng));
      break;
    case 2:
      stack.BringToFront(AnyLayer(stack, rng));
      break;
    case 3:
      stack.SendBackward(AnyLayer(stack, rng));
      break;
    case 4:
      stack.SetActiveLayer(AnyLayer(stack, rng));
      if (stack.CanGroupWithPrevious()) stack.GroupWithPrevious();
      break;
    case 5:
      stack.UngroupLayer(AnyLayer(stack, rng));
      break;
    case 6: {
      WAPtr mask = lumora::testing::SolidBuffer(kWAType8Grey, kWidth, kHeight, 0);
      lumora::testing::FillRandomMask(mask.get(), rng);
      stack.SetLayerMask(AnyLayer(stack, rng), mask.get());
      break;
    }
    case 7: {
      CLayer* layer = AnyLayer(stack, rng);
      WAPtr image = lumora::testing::SolidBuffer(kWAType24, 1 + static_cast<int>(rng() % 30), 5, 0);
      lumora::testing::FillRandom(image.get(), rng);
      stack.SetLayerImage(image.get(), layer);
      break;
    }
    case 8: {
      // A brush stroke on the active layer, committed or cancelled.
      CLayer* target = stack.GetActiveLayer();
      if (target == nullptr) break;
      CLayer* work = CreatePaintLayer(&stack, kWAType24, RECT{2, 2, 30, 20}, 200, target, 0, 0,
                                      static_cast<int>(rng() % kMergeModeCount));
      if (work == nullptr) break;
      {
        DocumentLockScope scope(&lock);
        lumora::testing::FillRandom(work->PeekImage(), rng);
        lumora::testing::FillRandomMask(work->PeekMask(), rng);
      }
      brush b;
      b.SetStroke(work, kMergeNormal, 0);
      std::this_thread::yield();
      b.CommitStroke(&stack, target, static_cast<int>(rng() % 3 == 0));
      break;
    }
    case 9: {
      // Attribute edits hold the lock, as the document's commands do.
      DocumentLockScope scope(&lock);
      CLayer* layer = AnyLayer(stack, rng);
      LAYER_INFO info = layer->GetLayerInfo();
      info.opacity = static_cast<int>(rng() % 101);
      info.mergeMode = static_cast<int>(rng() % kMergeModeCount);
      info.visible = rng() % 5 != 0;
      layer->SetLayerInfo(info);
      layer->SetMaskHighlight(static_cast<int>(rng() % 2));
      break;
    }
    case 10:
      if (rng() % 4 == 0) stack.MergeAll(static_cast<int>(rng() % 2));
      break;
    default: {
      CLayersManagerPtr snapshot = CLayersManagerPtr::Adopt(new CLayersManager(&stack));
      snapshot->SetDocument(nullptr);
      CLayer* copy = stack.DuplicateLayer(AnyLayer(stack, rng));
      if (copy != nullptr && !stack.InsertLayer(AnyLayer(stack, rng), copy)) copy->Release();
      break;
    }
  }
}

TEST(RenderThreaded, RenderWhileTheStackChanges) {
  ReentrantDocumentLock lock;
  std::mt19937 rng(2024);
  CLayersManagerPtr stack = lumora::testing::RandomStack(rng, kWAType24, kWidth, kHeight, 5);
  stack->SetDocument(&lock);
  lumora::testing::CellRenderWorker worker(stack.get(), kWidth, kHeight, 5);
  for (int i = 0; i < 300; ++i) Change(*stack, lock, rng);
  EXPECT_GT(worker.Stop(), 1);

  stack->Render(RECT{0, 0, kWidth, kHeight});
  CLayersManagerPtr copy = CLayersManagerPtr::Adopt(new CLayersManager(stack.get()));
  copy->SetDocument(nullptr);
  copy->Render(RECT{0, 0, kWidth, kHeight});
  WAPtr mine = stack->GetCompositeMask(), theirs = copy->GetCompositeMask();
  EXPECT_TRUE(SameBytes(mine.get(), theirs.get()));
  WAPtr merged = stack->CreateMergedImage(1, 255, 255, 255);
  WAPtr copyMerged = copy->CreateMergedImage(1, 255, 255, 255);
  EXPECT_TRUE(SameBytes(merged.get(), copyMerged.get()));
}

}  // namespace
