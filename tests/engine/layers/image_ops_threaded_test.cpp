// The whole-image geometry on the user-interface thread while a worker
// renders the stack: the operations hold the document lock across every
// layer change and the new size, so the sanitizers see no race, and the
// layers come out exactly as the same operations leave a stack that nobody
// renders.
#include <gtest/gtest.h>

#include <random>

#include "platform/rect.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::SameBytes;

void Change(CLayersManager& stack, int step) {
  const int w = stack.GetWidth(), h = stack.GetHeight();
  switch (step % 6) {
    case 0: stack.ResizeCanvas(RECT{-3, -2, w + 5, h + 4}); break;
    case 1: stack.CropImage(RECT{4, 3, w - 2, h - 1}, 255, 255, 255); break;
    case 2: stack.ResizeImage(SIZE{w * 3 / 4 + 8, h * 4 / 5 + 6}); break;
    case 3: stack.RotateImage(step % 4 == 0 ? 90.0 : 17.5, 0); break;
    case 4: stack.FlipImage(step % 2, 1); break;
    default: stack.ResizeImage(SIZE{48, 32}); break;
  }
}

TEST(ImageGeometryThreaded, RenderWhileTheImageChanges) {
  ReentrantDocumentLock lock;
  std::mt19937 rng(77);
  CLayersManagerPtr stack = lumora::testing::RandomStack(rng, kWAType24, 48, 32, 4);
  stack->SetDocument(&lock);
  lumora::testing::CellRenderWorker worker(stack.get(), 48, 32, 9);
  for (int i = 0; i < 30; ++i) Change(*stack, i);
  EXPECT_GT(worker.Stop(), 1);

  std::mt19937 twinRng(77);
  CLayersManagerPtr twin = lumora::testing::RandomStack(twinRng, kWAType24, 48, 32, 4);
  for (int i = 0; i < 30; ++i) Change(*twin, i);
  ASSERT_EQ(stack->GetWidth(), twin->GetWidth());
  ASSERT_EQ(stack->GetHeight(), twin->GetHeight());
  ASSERT_EQ(stack->GetLayerCount(), twin->GetLayerCount());
  for (int i = 0; i < stack->GetLayerCount(); ++i) {
    const CLayer* a = stack->GetLayer(i);
    const CLayer* b = twin->GetLayer(i);
    EXPECT_TRUE(RectsEqual(a->GetRect(), b->GetRect())) << i;
    EXPECT_TRUE(SameBytes(a->PeekImage(), b->PeekImage())) << i;
    ASSERT_EQ(a->HasMask(), b->HasMask()) << i;
    if (a->HasMask()) {
      EXPECT_TRUE(SameBytes(a->PeekMask(), b->PeekMask())) << i;
    }
  }
  EXPECT_EQ(stack->GetCompositeImage()->GetW(), stack->GetWidth());
  EXPECT_EQ(stack->GetCompositeMask()->GetH(), stack->GetHeight());
}

}  // namespace
