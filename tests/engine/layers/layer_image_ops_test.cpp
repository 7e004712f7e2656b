// Whole-image geometry of a layer stack: the new layer rects and image sizes
// of canvas size, crop, image size, rotation and flip as tables, the layers
// that get masks, and every layer, the size and the composites left as they
// were when a layer cannot be built, the user cancels or the composites of
// the new size cannot be made.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "engine/pixels/ImageLimits.h"
#include "engine/layers/LayerMng.h"
#include "platform/rect.h"
#include "engine/transform/TransformGeometry.h"
#include "stack_support.h"
#include "support/recording_progress.h"

namespace {

using namespace lumora;
using lumora::testing::ColourLayer;
using lumora::testing::EmptyStack;
using lumora::testing::kNoMask;
using lumora::testing::RecordingProgress;
using lumora::testing::SolidBuffer;

// A stack of width x height whose layers lie at the rects (the first
// without a mask, the others with a mask of 200), its composites made.
CLayersManagerPtr StackOf(int width, int height, const std::vector<RECT>& rects) {
  CLayersManagerPtr stack = EmptyStack(width, height);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    CLayerPtr layer = ColourLayer(rects[i], 10, 20, 30, i == 0 ? kNoMask : 200);
    EXPECT_EQ(stack->AddLayer(layer.get()), kLayerOk);
  }
  stack->SetActiveLayerByIndex(0);
  EXPECT_EQ(stack->UpdateComposite(kWAType24), kLayerOk);
  return stack;
}

::testing::AssertionResult HasRect(const CLayer* layer, RECT expected) {
  const RECT& r = layer->GetRect();
  if (RectsEqual(r, expected) && layer->PeekImage()->GetW() == RectWidth(r) &&
      layer->PeekImage()->GetH() == RectHeight(r)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "rect " << r.left << "," << r.top << "," << r.right << "," << r.bottom << " image "
         << layer->PeekImage()->GetW() << "x" << layer->PeekImage()->GetH();
}

// The whole stack as it is: each layer's buffers and rects, the size and
// the composite pair.
struct StackState {
  explicit StackState(const CLayersManager& s) : width(s.GetWidth()), height(s.GetHeight()) {
    CLayersManager& stack = const_cast<CLayersManager&>(s);
    composite = stack.GetCompositeImage().get();
    for (int i = 0; i < s.GetLayerCount(); ++i) {
      const CLayer* l = s.GetLayer(i);
      layers.push_back(
          {l->PeekImage(), l->PeekMask(), l->GetRect(), l->GetMaskRect(), l->HasMask()});
    }
  }
  ::testing::AssertionResult Same(const CLayersManager& s) const {
    const StackState now(s);
    if (now.width != width || now.height != height) return ::testing::AssertionFailure() << "size";
    if (now.composite != composite) return ::testing::AssertionFailure() << "composite";
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const Layer& a = layers[i];
      const Layer& b = now.layers[i];
      if (a.image != b.image || a.mask != b.mask || !RectsEqual(a.rect, b.rect) ||
          !RectsEqual(a.maskRect, b.maskRect) || a.hasMask != b.hasMask) {
        return ::testing::AssertionFailure() << "layer " << i;
      }
    }
    return ::testing::AssertionSuccess();
  }
  struct Layer {
    const VrWA2000::WA* image;
    const VrWA2000::WA* mask;
    RECT rect, maskRect;
    int hasMask;
  };
  int width, height;
  const VrWA2000::WA* composite;
  std::vector<Layer> layers;
};

void CapAt(std::uint64_t bytes) {
  VrWA2000::WA::MM_SetMemoryLimits(VrWA2000::WA::MM_BytesInUse() + bytes);
}

TEST(ImageCanvasSize, MovesEveryLayerAndTakesTheCanvasSize) {
  struct Case {
    RECT canvas;
    int width, height;
    POINT move;
  };
  const Case cases[] = {
      {{-10, -20, 90, 80}, 100, 100, {10, 20}},
      {{0, 0, 150, 120}, 150, 120, {0, 0}},
      {{20, 30, 70, 60}, 50, 30, {-20, -30}},
  };
  for (const Case& c : cases) {
    CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{5, 5, 25, 25}});
    const VrWA2000::WA* pixels = stack->GetLayer(1)->PeekImage();
    EXPECT_EQ(stack->ResizeCanvas(c.canvas), kLayerOk);
    EXPECT_EQ(stack->GetWidth(), c.width);
    EXPECT_EQ(stack->GetHeight(), c.height);
    EXPECT_EQ(stack->GetCompositeImage()->GetW(), c.width);
    EXPECT_TRUE(
        HasRect(stack->GetLayer(0), RECT{c.move.x, c.move.y, 100 + c.move.x, 100 + c.move.y}));
    EXPECT_TRUE(HasRect(stack->GetLayer(1),
                        RECT{5 + c.move.x, 5 + c.move.y, 25 + c.move.x, 25 + c.move.y}));
    EXPECT_TRUE(RectsEqual(stack->GetLayer(1)->GetMaskRect(), stack->GetLayer(1)->GetRect()));
    EXPECT_EQ(stack->GetLayer(1)->PeekImage(), pixels);  // no pixel changes
  }
}

TEST(ImageCrop, RefusesAnEmptyRectAndTheImagesOwn) {
  CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}});
  const StackState before(*stack);
  EXPECT_EQ(stack->CropImage(RECT{0, 0, 100, 100}, 255, 255, 255), 0);
  EXPECT_EQ(stack->CropImage(RECT{10, 10, 10, 50}, 255, 255, 255), 0);
  EXPECT_TRUE(before.Same(*stack));
}

TEST(ImageCrop, CutsEveryLayerToTheCropAndMovesItToTheOrigin) {
  CLayersManagerPtr stack =
      StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{50, 30, 80, 90}, RECT{80, 80, 90, 90}});
  const VrWA2000::WA* outside = stack->GetLayer(2)->PeekImage();
  EXPECT_EQ(stack->CropImage(RECT{10, 10, 60, 40}, 255, 255, 255), 1);
  EXPECT_EQ(stack->GetWidth(), 50);
  EXPECT_EQ(stack->GetHeight(), 30);
  EXPECT_TRUE(HasRect(stack->GetLayer(0), RECT{0, 0, 50, 30}));
  EXPECT_FALSE(stack->GetLayer(0)->HasMask());  // it covered the whole crop
  EXPECT_TRUE(HasRect(stack->GetLayer(1), RECT{0, 0, 50, 30}));
  // Layer 1's overlap (50, 30, 60, 40) is at (40, 20) of its new mask.
  EXPECT_EQ(stack->GetLayer(1)->PeekMask()->Row(20)[40], 200);
  EXPECT_EQ(stack->GetLayer(1)->PeekMask()->Row(19)[40], 0);
  // A layer outside the crop keeps its pixels and moves with the others.
  EXPECT_TRUE(HasRect(stack->GetLayer(2), RECT{70, 70, 80, 80}));
  EXPECT_EQ(stack->GetLayer(2)->PeekImage(), outside);
}

TEST(ImageSize, ScalesEveryLayerRect) {
  struct Case {
    SIZE from, to;
    RECT rect, expected;
  };
  const Case cases[] = {
      {{100, 100}, {50, 50}, {-7, 3, 13, 23}, {-3, 1, 7, 11}},
      {{100, 100}, {50, 50}, {0, 0, 100, 100}, {0, 0, 50, 50}},
      {{100, 100}, {200, 150}, {10, 20, 30, 40}, {20, 30, 60, 60}},
      {{100, 100}, {10, 10}, {0, 0, 1, 1}, {0, 0, 1, 1}},     // stays 1 x 1
      {{100, 100}, {10, 30}, {95, 5, 98, 6}, {9, 1, 10, 2}},  // a narrow layer keeps a column
  };
  for (const Case& c : cases) {
    CLayersManagerPtr stack = StackOf(c.from.cx, c.from.cy, {c.rect});
    EXPECT_EQ(stack->ResizeImage(c.to), 1);
    EXPECT_EQ(stack->GetWidth(), c.to.cx);
    EXPECT_EQ(stack->GetHeight(), c.to.cy);
    EXPECT_TRUE(HasRect(stack->GetLayer(0), c.expected)) << c.rect.left << "," << c.rect.top;
  }
}

TEST(ImageSize, TheSameSizeDoesNothingAndNoSizeIsRefused) {
  CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{3, 3, 9, 9}});
  const StackState before(*stack);
  RecordingProgress progress;
  EXPECT_EQ(stack->ResizeImage(SIZE{100, 100}), 1);
  EXPECT_EQ(stack->ResizeImage(SIZE{0, 100}), 0);
  EXPECT_EQ(stack->ResizeImage(SIZE{100, -1}), 0);
  EXPECT_TRUE(before.Same(*stack));
  EXPECT_TRUE(progress.reports.empty());
}

TEST(ImageRotate, QuarterTurnSwapsTheSizeAndMovesLayersByTheBounds) {
  const std::vector<RECT> rects = {RECT{0, 0, 100, 60}, RECT{10, 5, 30, 25}};
  CLayersManagerPtr stack = StackOf(100, 60, rects);
  EXPECT_EQ(stack->RotateImage(90, 0), 1);
  EXPECT_EQ(stack->GetWidth(), 60);
  EXPECT_EQ(stack->GetHeight(), 100);
  RECT image;
  GetRotatedCorners(&image, RECT{0, 0, 100, 60}, 50, 30, 90, 0);
  EXPECT_TRUE(RectsEqual(image, RECT{20, -20, 80, 80}));
  for (int i = 0; i < 2; ++i) {
    RECT expected;
    GetRotatedCorners(&expected, rects[i], 50, 30, 90, 0);
    RectOffset(&expected, -image.left, -image.top);
    EXPECT_TRUE(HasRect(stack->GetLayer(i), expected)) << i;
    EXPECT_TRUE(stack->GetLayer(i)->HasMask()) << i;  // the layer without one got one
  }
  EXPECT_TRUE(HasRect(stack->GetLayer(0), RECT{0, 0, 60, 100}));
  EXPECT_EQ(stack->GetLayer(0)->PeekMask()->Row(50)[30], 255);
}

TEST(ImageRotate, APaletteImageGetsNoMask) {
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(
      new CLayersManager(nullptr, SolidBuffer(kWAType8Palette, 40, 20, 3).get()));
  EXPECT_EQ(stack->RotateImage(30, 0), 1);
  EXPECT_FALSE(stack->GetLayer(0)->HasMask());
  RECT bounds;
  GetRotatedCorners(&bounds, RECT{0, 0, 40, 20}, 20, 10, 30, 0);
  EXPECT_EQ(stack->GetWidth(), RectWidth(bounds));
  EXPECT_EQ(stack->GetCompositeImage().get(), stack->GetLayer(0)->PeekImage());
}

TEST(ImageFlip, MovesEveryLayerToItsMirroredPlace) {
  struct Case {
    int horizontal, vertical;
    RECT expected;
  };
  const Case cases[] = {
      {1, 0, {70, 0, 90, 50}},
      {0, 1, {10, 10, 30, 60}},
      {1, 1, {70, 10, 90, 60}},
  };
  for (const Case& c : cases) {
    CLayersManagerPtr stack = StackOf(100, 60, {RECT{0, 0, 100, 60}, RECT{10, 0, 30, 50}});
    EXPECT_EQ(stack->FlipImage(c.horizontal, c.vertical), 1);
    EXPECT_EQ(stack->GetWidth(), 100);
    EXPECT_TRUE(HasRect(stack->GetLayer(0), RECT{0, 0, 100, 60}));
    EXPECT_TRUE(HasRect(stack->GetLayer(1), c.expected));
  }
}

TEST(ImageGeometry, ACancelLeavesEveryLayerAsItWas) {
  // The cancel comes while the second layer is built.
  const int cancelAt[3] = {150, 260, 150};
  for (int op = 0; op < 3; ++op) {
    CLayersManagerPtr stack =
        StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{0, 0, 50, 40}, RECT{20, 20, 70, 60}});
    const StackState before(*stack);
    RecordingProgress progress;
    progress.cancelAtReport = cancelAt[op];
    const int result = op == 0   ? stack->ResizeImage(SIZE{100, 110})
                       : op == 1 ? stack->RotateImage(15, 0)
                                 : stack->FlipImage(1, 1);
    EXPECT_EQ(result, 0) << op;
    EXPECT_TRUE(before.Same(*stack)) << op;
    EXPECT_EQ(progress.reports.back().first, -2) << op;  // the indicator is closed
  }
}

TEST(ImageGeometry, NoMemoryForALayerLeavesEveryLayerAsItWas) {
  for (int op = 0; op < 4; ++op) {
    CLayersManagerPtr stack =
        StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{0, 0, 50, 40}, RECT{20, 20, 70, 60}});
    const StackState before(*stack);
    CapAt(100 * 100 * 3 + 5000);  // the first layer's new image and little more
    const int result = op == 0   ? stack->ResizeImage(SIZE{100, 101})
                       : op == 1 ? stack->RotateImage(90, 0)
                       : op == 2 ? stack->FlipImage(1, 0)
                                 : stack->CropImage(RECT{-1, -1, 99, 99}, 0, 0, 0);
    VrWA2000::WA::MM_SetMemoryLimits(0);
    EXPECT_EQ(result, 0) << op;
    EXPECT_TRUE(before.Same(*stack)) << op;
  }
}

TEST(ImageGeometry, NoMemoryForTheCompositesUndoesTheLayerChanges) {
  CLayersManagerPtr stack = StackOf(100, 100, {RECT{10, 10, 20, 20}});
  const StackState before(*stack);
  CapAt(20000);  // the layer's new buffers, not composites of 200 x 200
  EXPECT_EQ(stack->ResizeImage(SIZE{200, 200}), 0);
  EXPECT_EQ(stack->ResizeCanvas(RECT{-50, -50, 150, 150}), kLayerNoComposite);
  EXPECT_EQ(stack->CropImage(RECT{-50, -50, 150, 150}, 0, 0, 0), 0);
  VrWA2000::WA::MM_SetMemoryLimits(0);
  EXPECT_TRUE(before.Same(*stack));
  EXPECT_EQ(stack->GetCompositeMask()->GetW(), 100);
}

// A document lock that counts how deep it is held.
class CountingLock final : public DocumentLock {
 public:
  void Lock() override { ++depth; }
  void Unlock() override { --depth; }
  int depth = 0;
};

CountingLock* gLock = nullptr;
std::vector<int> gDepths;  // the lock's depth at every report

class LockWatchingIndicator : public RecordingProgress {
 public:
  int Callback(int code, int total) override {
    gDepths.push_back(gLock->depth);
    return RecordingProgress::Callback(code, total);
  }
};

TEST(ImageGeometry, HoldsTheLockWhileItReportsAndClosesTheIndicatorFirst) {
  CountingLock lock;
  gLock = &lock;
  gDepths.clear();
  CLayersManagerPtr stack = StackOf(40, 30, {RECT{0, 0, 40, 30}, RECT{5, 5, 15, 15}});
  stack->SetDocument(&lock);
  LockWatchingIndicator indicator;
  EXPECT_EQ(stack->ResizeImage(SIZE{20, 15}), 1);
  EXPECT_EQ(lock.depth, 0);
  ASSERT_FALSE(indicator.reports.empty());
  EXPECT_EQ(indicator.reports.front().first, -1);
  EXPECT_EQ(indicator.reports.back().first, -2);
  EXPECT_EQ(indicator.captions.back(), 10216);
  for (int depth : gDepths) EXPECT_GT(depth, 0);
  // Image rows 30 + 10, mask rows 10, scaled by 15 / 30.
  EXPECT_EQ(indicator.reports[1].second, 25);
  stack->SetDocument(nullptr);
  gLock = nullptr;
}

TEST(ImageGeometry, TotalRowsCountImagesAndMasks) {
  CLayersManagerPtr stack = StackOf(40, 30, {RECT{0, 0, 40, 30}, RECT{5, 5, 15, 12}});
  EXPECT_EQ(stack->GetTotalRows(0), 37);
  EXPECT_EQ(stack->GetTotalRows(1), 44);
}



// ---- Arguments beyond the limits: refused before any arithmetic ----

constexpr LONG kIntMin = std::numeric_limits<LONG>::min();
constexpr LONG kIntMax = std::numeric_limits<LONG>::max();
constexpr LONG kEdge = static_cast<LONG>(kMaxLayerCoordinate);

// A 100 x 100 stack with a layer inside and one at the far left edge of the
// coordinates, which any move to the left would take beyond them.
CLayersManagerPtr StackAtTheEdge() {
  return StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{-kEdge, 0, -kEdge + 10, 10}});
}

TEST(ImageLimits, CanvasBeyondTheLimitsIsRefusedWithNothingChanged) {
  const RECT canvases[] = {
      {kIntMin, 0, 100, 100},          {0, kIntMin, 100, 100},
      {0, 0, kIntMax, 100},            {kIntMin, kIntMin, kIntMax, kIntMax},
      {kIntMax - 5, 0, kIntMax, 10},   {-kEdge - 1, 0, -kEdge + 9, 10},
      {0, 0, kMaxImageSide + 1, 10},   {0, 0, 10, kMaxImageSide + 1},
      {10, 10, 10, 20},                {1, 0, 101, 100},  // moves the edge layer out
  };
  for (const RECT& c : canvases) {
    CLayersManagerPtr stack = StackAtTheEdge();
    const StackState before(*stack);
    EXPECT_EQ(stack->ResizeCanvas(c), kLayerNoComposite) << c.left << "," << c.right;
    EXPECT_TRUE(before.Same(*stack)) << c.left << "," << c.right;
  }
}

TEST(ImageLimits, CropBeyondTheLimitsIsRefusedWithNothingChanged) {
  const RECT crops[] = {
      {kIntMin, 0, 10, 10},          {0, 0, kIntMax, 10},          {kIntMin, kIntMin, kIntMax, kIntMax},
      {-kEdge - 1, 0, -kEdge + 9, 10}, {0, 0, kMaxImageSide + 1, 10}, {5, 0, 20, 10},
  };
  for (const RECT& c : crops) {
    CLayersManagerPtr stack = StackAtTheEdge();
    const StackState before(*stack);
    EXPECT_EQ(stack->CropImage(c, 255, 255, 255), 0) << c.left << "," << c.right;
    EXPECT_TRUE(before.Same(*stack)) << c.left << "," << c.right;
  }
}

TEST(ImageLimits, ImageSizeBeyondTheLimitsIsRefusedWithNothingChanged) {
  const SIZE sizes[] = {{kMaxImageSide + 1, 100}, {100, kMaxImageSide + 1}, {kIntMax, kIntMax},
                        {kIntMin, 5},             {65536, 32767},            {kMaxImageSide, 100}};
  for (const SIZE& size : sizes) {
    // The last size is allowed, but would carry the edge layer past the
    // coordinates.
    CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{100000, 0, 100010, 10}});
    const StackState before(*stack);
    EXPECT_EQ(stack->ResizeImage(size), 0) << size.cx << "x" << size.cy;
    EXPECT_TRUE(before.Same(*stack)) << size.cx << "x" << size.cy;
  }
}

TEST(ImageLimits, RotationAndFlipBeyondTheLimitsAreRefusedWithNothingChanged) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double angle : {nan, inf, -inf, 45.0}) {
    // At 45 degrees the far corner layer turns beyond the coordinates.
    CLayersManagerPtr stack =
        StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{kEdge - 10, kEdge - 10, kEdge, kEdge}});
    const StackState before(*stack);
    EXPECT_EQ(stack->RotateImage(angle, 0), 0) << angle;
    EXPECT_TRUE(before.Same(*stack)) << angle;
  }
  CLayersManagerPtr stack = StackAtTheEdge();
  const StackState before(*stack);
  EXPECT_EQ(stack->FlipImage(1, 0), 0);  // the edge layer would land at 2^24 + 90
  EXPECT_TRUE(before.Same(*stack));
}

TEST(ImageLimits, TheLargestAllowedValuesStillWork) {
  {
    CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}});
    EXPECT_EQ(stack->ResizeCanvas(RECT{kEdge - kMaxImageSide, 0, kEdge, 1}), kLayerOk);
    EXPECT_EQ(stack->GetWidth(), kMaxImageSide);
    EXPECT_TRUE(HasRect(stack->GetLayer(0), RECT{-kEdge + kMaxImageSide, 0,
                                                 -kEdge + kMaxImageSide + 100, 100}));
  }
  {
    CLayersManagerPtr stack = StackOf(100, 100, {RECT{-kEdge, 0, -kEdge + 10, 10}});
    EXPECT_EQ(stack->CropImage(RECT{-kEdge, 0, -kEdge + kMaxImageSide, 2}, 255, 255, 255), 1);
    EXPECT_EQ(stack->GetWidth(), kMaxImageSide);
    EXPECT_TRUE(HasRect(stack->GetLayer(0), RECT{0, 0, kMaxImageSide, 2}));
  }
  {
    CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}});
    EXPECT_EQ(stack->ResizeImage(SIZE{kMaxImageSide, 1}), 1);
    EXPECT_TRUE(HasRect(stack->GetLayer(0), RECT{0, 0, kMaxImageSide, 1}));
    EXPECT_EQ(stack->RotateImage(90, 0), 1);
    EXPECT_EQ(stack->GetHeight(), kMaxImageSide);
  }
  {
    CLayersManagerPtr stack = StackOf(100, 100, {RECT{0, 0, 100, 100}, RECT{-kEdge + 100, 0, -kEdge + 110, 10}});
    EXPECT_EQ(stack->FlipImage(1, 0), 1);
    EXPECT_TRUE(HasRect(stack->GetLayer(1), RECT{kEdge - 10, 0, kEdge, 10}));
  }
}

}  // namespace
