// A brush stroke's work layer: made above its target, shown as the
// target's rider, committed (normal, eraser, mask painting, growing the
// target) or cancelled; and the replacing merges of a work layer.
#include <gtest/gtest.h>

#include "engine/layers/PaintLayer.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ByteAt;
using lumora::testing::ColourLayer;
using lumora::testing::GreyLayer;
using lumora::testing::kNoMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;
using lumora::testing::SameBytes;

// A brush that may grow its target through the layer's canvas, or whose
// growth fails.
class TestBrush : public brush {
 public:
  TestBrush(CLayer* target, bool grows, bool fails)
      : target_(target), grows_(grows), fails_(fails) {}
  int CanGrowTarget() override { return grows_ ? 1 : 0; }
  int GrowTarget(LONG left, LONG top, LONG right, LONG bottom) override {
    return !fails_ && target_->SetLayerRect(RECT{left, top, right, bottom}) ? 1 : 0;
  }

 private:
  CLayer* target_;
  bool grows_, fails_;
};

struct Scene {
  ReentrantDocumentLock lock;
  CLayersManagerPtr stack;
  CLayer* target = nullptr;
};

// An 8 x 4 image: a background layer, the target (colour 100, mask 255)
// over (0, 0, 4, 4), and a layer on top.
std::unique_ptr<Scene> MakeScene() {
  auto scene = std::make_unique<Scene>();
  scene->stack = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, &scene->lock, 8, 4, 0x00600060u, 0, 1));
  CLayerPtr below = ColourLayer(RECT{0, 0, 8, 4}, 1, 1, 1, kNoMask, "Below");
  CLayerPtr target = ColourLayer(RECT{0, 0, 4, 4}, 100, 100, 100, 255, "Target");
  CLayerPtr above = ColourLayer(RECT{6, 0, 8, 1}, 2, 2, 2, kNoMask, "Above");
  scene->stack->AddLayer(below.get());
  scene->stack->AddLayer(target.get());
  scene->stack->AddLayer(above.get());
  scene->stack->SetActiveLayer(target.get());
  scene->target = target.get();
  return scene;
}

// Starts a stroke of colour (10, 20, 30) over `rect`, its mask 255 in the
// given columns of the image.
CLayer* Stroke(Scene& scene, brush& b, RECT rect, LONG fromX, LONG toX, int maskPainting = 0) {
  CLayer* work = CreatePaintLayer(scene.stack.get(), kWAType24, rect, 255, scene.target, 0,
                                  maskPainting, kMergeNormal);
  EXPECT_NE(work, nullptr);
  VrWA2000::WA* image = work->PeekImage();
  for (int y = 0; y < image->GetH(); ++y) {
    for (int x = 0; x < image->GetW(); ++x) {
      if (maskPainting) {
        image->Row(y)[x] = 50;
      } else {
        image->Row(y)[3 * x] = 10, image->Row(y)[3 * x + 1] = 20, image->Row(y)[3 * x + 2] = 30;
      }
      const LONG ix = x + rect.left;
      work->PeekMask()->Row(y)[x] = ix >= fromX && ix < toX ? 255 : 0;
    }
  }
  b.SetStroke(work, kMergeNormal, maskPainting);
  return work;
}

std::string Names(const CLayersManager& stack) {
  std::string s;
  for (int i = 0; i < stack.GetLayerCount(); ++i) s += stack.GetLayer(i)->GetName() + ",";
  return s;
}

TEST(PaintLayer, CanPaint) {
  CLayerPtr layer = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0);
  EXPECT_EQ(layer->IsTransparencyLocked(), 1);
  EXPECT_EQ(layer->CanPaint(), 1);
  layer->SetVisible(0);
  EXPECT_EQ(layer->CanPaint(), 0);
}

TEST(PaintLayer, CreatedDirectlyAboveTheTarget) {
  auto scene = MakeScene();
  CLayer* work = CreatePaintLayer(scene->stack.get(), kWAType24, RECT{1, 1, 3, 3}, 128,
                                  scene->target, 1, 0, kMergeMultiply);
  ASSERT_NE(work, nullptr);
  EXPECT_EQ(scene->stack->GetLayerAbove(scene->target), work);
  EXPECT_EQ(work->GetRefCount(), 2);  // the stack's and the brush's
  EXPECT_EQ(work->IsPaint(), 1);
  EXPECT_EQ(work->GetOpacity(), 128);
  EXPECT_EQ(work->GetMergeMode(), kMergeMultiply);
  EXPECT_EQ(work->IsTransparencyLocked(), 1);
  CLayerPtr held = CLayerPtr::Adopt(work);
  ReleasePaintLayer(scene->stack.get(), &held);
  EXPECT_FALSE(held);
  CLayer* mask = CreatePaintLayer(scene->stack.get(), kWAType24, RECT{1, 1, 3, 3}, 255,
                                  scene->target, 0, 1, kMergeNormal);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->IsMask(), 1);
  EXPECT_EQ(mask->PeekImage()->GetType(), kWAType8Grey);
  held = CLayerPtr::Adopt(mask);
  ReleasePaintLayer(scene->stack.get(), &held);
  EXPECT_EQ(Names(*scene->stack), "Below,Target,Above,");
  EXPECT_EQ(CreatePaintLayer(nullptr, kWAType24, RECT{0, 0, 1, 1}, 255, nullptr, 0, 0, 0), nullptr);
}

TEST(PaintLayer, CancelLeavesTheTarget) {
  auto scene = MakeScene();
  const WAPtr before = WAPtr::Adopt(CloneWA(scene->target->PeekImage()));
  brush b;
  Stroke(*scene, b, RECT{0, 0, 4, 4}, 0, 4);
  b.CommitStroke(scene->stack.get(), scene->target, 1);
  EXPECT_EQ(b.GetWorkLayer(), nullptr);
  EXPECT_EQ(Names(*scene->stack), "Below,Target,Above,");
  EXPECT_TRUE(SameBytes(scene->target->PeekImage(), before.get()));
}

TEST(PaintLayer, CommitShowsWhatTheRiderShowed) {
  auto scene = MakeScene();
  brush b;
  Stroke(*scene, b, RECT{0, 0, 4, 4}, 0, 2);
  scene->stack->Render(RECT{0, 0, 8, 4});
  const WAPtr during = WAPtr::Adopt(CloneWA(scene->stack->GetCompositeImage().get()));
  EXPECT_EQ(PixelAt(during.get(), 1, 1), (Px{10, 20, 30}));
  EXPECT_EQ(PixelAt(during.get(), 5, 1), (Px{1, 1, 1}));  // never drawn by itself
  b.CommitStroke(scene->stack.get(), scene->target, 0);
  EXPECT_EQ(Names(*scene->stack), "Below,Target,Above,");
  EXPECT_EQ(PixelAt(scene->target->PeekImage(), 1, 3), (Px{10, 20, 30}));
  EXPECT_EQ(PixelAt(scene->target->PeekImage(), 2, 3), (Px{100, 100, 100}));
  scene->stack->Render(RECT{0, 0, 8, 4});
  EXPECT_TRUE(SameBytes(scene->stack->GetCompositeImage().get(), during.get()));
}

TEST(PaintLayer, EraserReplacesPixelsAndMask) {
  auto scene = MakeScene();
  brush b;
  CLayer* work = Stroke(*scene, b, RECT{0, 0, 4, 4}, 2, 4);  // mask 0 over columns 0, 1
  work->SetReplace(1);
  b.CommitStroke(scene->stack.get(), scene->target, 0);
  EXPECT_EQ(ByteAt(scene->target->PeekMask(), 0, 0), 0);
  EXPECT_EQ(ByteAt(scene->target->PeekMask(), 3, 0), 255);
  EXPECT_EQ(PixelAt(scene->target->PeekImage(), 0, 0), (Px{10, 20, 30}));
}

TEST(PaintLayer, MaskPaintingChangesOnlyTheMask) {
  auto scene = MakeScene();
  const WAPtr before = WAPtr::Adopt(CloneWA(scene->target->PeekImage()));
  brush b;
  Stroke(*scene, b, RECT{0, 0, 4, 4}, 1, 3, 1);
  b.CommitStroke(scene->stack.get(), scene->target, 0);
  EXPECT_EQ(ByteAt(scene->target->PeekMask(), 1, 2), 50);
  EXPECT_EQ(ByteAt(scene->target->PeekMask(), 0, 2), 255);
  EXPECT_TRUE(SameBytes(scene->target->PeekImage(), before.get()));
}

TEST(PaintLayer, TargetGrowsOrTakesWhatFallsOnIt) {
  for (bool fails : {false, true}) {
    auto scene = MakeScene();
    TestBrush b(scene->target, true, fails);
    Stroke(*scene, b, RECT{2, 0, 8, 4}, 0, 8);
    b.CommitStroke(scene->stack.get(), scene->target, 0);
    EXPECT_EQ(Names(*scene->stack), "Below,Target,Above,");
    EXPECT_EQ(PixelAt(scene->target->PeekImage(), 3, 0), (Px{10, 20, 30})) << fails;
    if (fails) {
      EXPECT_TRUE(RectsEqual(scene->target->GetRect(), RECT{0, 0, 4, 4}));
    } else {
      ASSERT_TRUE(RectsEqual(scene->target->GetRect(), RECT{0, 0, 8, 4}));
      EXPECT_EQ(PixelAt(scene->target->PeekImage(), 6, 0), (Px{10, 20, 30}));
      EXPECT_EQ(ByteAt(scene->target->PeekMask(), 6, 0), 255);
    }
  }
}

TEST(PaintLayer, StrokeOnAClippingGroupsBase) {
  auto scene = MakeScene();
  CLayer* above = scene->stack->GetLayer(2);
  above->MoveTo(POINT{0, 0});
  above->SetGrouped(1);  // clipped to the target
  for (int y = 0; y < 4; ++y) std::fill_n(scene->target->PeekMask()->Row(y), 2, std::uint8_t{0});
  brush b;
  CLayer* work = Stroke(*scene, b, RECT{0, 0, 4, 4}, 0, 2);  // where the target is transparent
  EXPECT_EQ(work->GetGrouped(), 1);                          // joined the group above its base
  scene->stack->Render(RECT{0, 0, 8, 4});
  // The unlocked stroke widens the base's coverage, and the group shows
  // through it.
  const WAPtr during = WAPtr::Adopt(CloneWA(scene->stack->GetCompositeImage().get()));
  EXPECT_EQ(PixelAt(during.get(), 1, 1), (Px{10, 20, 30}));
  EXPECT_EQ(PixelAt(during.get(), 1, 0), (Px{2, 2, 2}));
  EXPECT_EQ(PixelAt(during.get(), 5, 1), (Px{1, 1, 1}));
  b.CommitStroke(scene->stack.get(), scene->target, 0);
  EXPECT_TRUE(RectsEqual(scene->target->GetRect(), RECT{0, 0, 4, 4}));  // a plain brush: no growth
  EXPECT_EQ(ByteAt(scene->target->PeekMask(), 1, 1), 255);
  scene->stack->Render(RECT{0, 0, 8, 4});
  EXPECT_TRUE(SameBytes(scene->stack->GetCompositeImage().get(), during.get()));
}

// ---- The replacing merges ----

TEST(WorkMerge, ReplacePlainAndMaskModes) {
  CLayerPtr target = ColourLayer(RECT{0, 0, 4, 1}, 100, 100, 100);
  const RECT workRect{2, 0, 6, 1};
  CLayerPtr work = ColourLayer(workRect, 10, 20, 30);  // no mask, no auxiliary buffer
  EXPECT_EQ(target->MergeIntoLayer(nullptr, nullptr, 0), 1);
  const RECT away{5, 0, 6, 1};
  EXPECT_EQ(target->MergeIntoLayer(work.get(), &away, 0), 1);
  EXPECT_EQ(PixelAt(target->PeekImage(), 3, 0), (Px{100, 100, 100}));
  EXPECT_EQ(target->MergeIntoLayer(work.get(), nullptr, 0), 0);
  EXPECT_EQ(PixelAt(target->PeekImage(), 1, 0), (Px{100, 100, 100}));
  EXPECT_EQ(PixelAt(target->PeekImage(), 2, 0), (Px{10, 20, 30}));
  // Mask mode: a work mask of 0 with an auxiliary value of 255 makes the
  // target transparent there and takes the work pixels.
  CLayerPtr masked = ColourLayer(RECT{0, 0, 4, 1}, 100, 100, 100, 255);
  CLayerPtr eraser = ColourLayer(workRect, 10, 20, 30, 0);
  eraser->CreateAuxBuffer(1);
  eraser->SetPaintOnLayer(0);
  EXPECT_EQ(masked->MergeIntoLayer(eraser.get(), nullptr, 0), 0);
  EXPECT_EQ(ByteAt(masked->PeekMask(), 2, 0), 0);
  EXPECT_EQ(PixelAt(masked->PeekImage(), 3, 0), (Px{10, 20, 30}));
  // A 24-bit work layer on an 8-bit target: nothing.
  CLayerPtr grey = GreyLayer(RECT{0, 0, 4, 1}, 7);
  EXPECT_EQ(grey->MergeIntoLayer(work.get(), nullptr, 0), 0);
  EXPECT_EQ(ByteAt(grey->PeekImage(), 3, 0), 7);
}

TEST(WorkMerge, IntoTheMaskByTheAuxiliaryBuffer) {
  CLayerPtr target = ColourLayer(RECT{0, 0, 2, 1}, 0, 0, 0, 200);
  CLayerPtr work = GreyLayer(RECT{0, 0, 2, 1}, 20);
  work->CreateAuxBuffer(1);
  work->PeekAux()->Row(0)[1] = 51;
  EXPECT_EQ(target->MergeIntoMask(work.get(), nullptr, 0), 0);
  EXPECT_EQ(ByteAt(target->PeekMask(), 0, 0), 20);
  EXPECT_EQ(ByteAt(target->PeekMask(), 1, 0), (204 * 200 + 20 * 51) / 255);
  CLayerPtr bare = ColourLayer(RECT{0, 0, 2, 1}, 0, 0, 0);
  EXPECT_EQ(bare->MergeIntoMask(work.get(), nullptr, 0), 0);
}

TEST(WorkMerge, MergeIntoLeavesPlacesAndFlags) {
  CLayerPtr target = ColourLayer(RECT{3, 2, 7, 4}, 100, 100, 100, 255);
  const RECT workRect{5, 1, 9, 3};
  CLayerPtr work =
      CLayerPtr::Adopt(new CLayerPaint(&workRect, lumora::testing::DefaultInfo(), kWAType24, 1));
  for (int y = 0; y < 2; ++y) std::fill_n(work->PeekMask()->Row(y), 4, std::uint8_t{255});
  work->SetMaskHighlight(1);
  LAYER_INFO info = target->GetLayerInfo();
  info.blendIf[1][0] = 30;
  target->SetLayerInfo(info);
  target->MergeInto(work.get(), 0, 0, 1, 1);
  EXPECT_TRUE(RectsEqual(target->GetRect(), RECT{3, 2, 7, 4}));
  EXPECT_TRUE(RectsEqual(work->GetRect(), RECT{5, 1, 9, 3}));
  EXPECT_EQ(work->GetMaskHighlight(), 1);
  EXPECT_EQ(target->GetBlendIfActive(), 1);
  EXPECT_EQ(PixelAt(target->PeekImage(), 2, 0), (Px{0, 0, 0}));  // image (5, 2)
  EXPECT_EQ(PixelAt(target->PeekImage(), 1, 0), (Px{100, 100, 100}));
}

}  // namespace
