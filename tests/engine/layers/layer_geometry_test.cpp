// Whole-layer geometry: scaling, rotation, mirroring and cropping of image
// and mask, the resolution they keep, and layers left exactly as they were
// when memory runs out or the user cancels.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "engine/layers/LayerGeometry.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/geometry/Resample.h"
#include "layer_support.h"
#include "platform/rect.h"
#include "engine/transform/TransformGeometry.h"
#include "support/random_buffers.h"
#include "support/recording_progress.h"

namespace {

using namespace lumora;
using lumora::testing::AllBytes;
using lumora::testing::DefaultInfo;
using lumora::testing::RandomBuffer;
using lumora::testing::RecordingProgress;
using lumora::testing::SameBuffers;
using lumora::testing::SolidBuffer;

// A layer at `rect` with random pixels (and a random mask), 300 x 150 dpi.
CLayerPtr RandomLayer(int type, RECT rect, bool mask, std::mt19937& rng) {
  WAPtr image = RandomBuffer(type, RectWidth(rect), RectHeight(rect), rng);
  WAPtr plane = mask ? RandomBuffer(kWAType8Grey, RectWidth(rect), RectHeight(rect), rng) : WAPtr();
  CLayerPtr layer = CLayerPtr::Adopt(
      new CLayer(image.get(), POINT{rect.left, rect.top}, mask ? 1 : 0, plane.get(), 0));
  layer->SetResolution(300u | 150u << 16);
  return layer;
}

// What a failed operation must leave: the same buffers, rects and flags.
struct Saved {
  explicit Saved(const CLayer& l)
      : image(l.PeekImage()),
        mask(l.PeekMask()),
        rect(l.GetRect()),
        maskRect(l.GetMaskRect()),
        hasMask(l.HasMask()),
        locked(l.IsTransparencyLocked()) {}
  ::testing::AssertionResult Same(const CLayer& l) const {
    if (l.PeekImage() != image || l.PeekMask() != mask || !RectsEqual(l.GetRect(), rect) ||
        !RectsEqual(l.GetMaskRect(), maskRect) || l.HasMask() != hasMask ||
        l.IsTransparencyLocked() != locked) {
      return ::testing::AssertionFailure() << "layer changed";
    }
    return ::testing::AssertionSuccess();
  }
  const VrWA2000::WA* image;
  const VrWA2000::WA* mask;
  RECT rect, maskRect;
  int hasMask, locked;
};

void ExpectResolution(const CLayer& layer) {
  EXPECT_EQ(layer.PeekImage()->GetXRes(), 300);
  EXPECT_EQ(layer.PeekImage()->GetYRes(), 150);
  if (layer.PeekMask() != nullptr) {
    EXPECT_EQ(layer.PeekMask()->GetYRes(), 150);
  }
}

// A memory cap that lets `bytes` more be allocated.
void CapAt(std::uint64_t bytes) {
  VrWA2000::WA::MM_SetMemoryLimits(VrWA2000::WA::MM_BytesInUse() + bytes);
}

TEST(LayerScaleTo, ResamplesImageAndMaskToTheNewRect) {
  std::mt19937 rng(1);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{10, 20, 30, 35}, true, rng);
  WAPtr oldImage = layer->GetImage(), oldMask = layer->GetMask();
  ASSERT_EQ(layer->ScaleTo(RECT{5, 5, 15, 12}, 0, nullptr, nullptr), 1);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{5, 5, 15, 12}));
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), RECT{5, 5, 15, 12}));
  WAPtr expected =
      WAPtr::Adopt(ResampleImage(oldImage.get(), 10, 7, true, false, nullptr, 0, nullptr));
  WAPtr expectedMask =
      WAPtr::Adopt(ResampleImage(oldMask.get(), 10, 7, true, false, nullptr, 0, nullptr));
  expected->SetXRes(300), expected->SetYRes(150);
  expectedMask->SetXRes(300), expectedMask->SetYRes(150);
  EXPECT_TRUE(SameBuffers(layer->PeekImage(), expected.get()));
  EXPECT_TRUE(SameBuffers(layer->PeekMask(), expectedMask.get()));
  ExpectResolution(*layer);
}

TEST(LayerScaleTo, NoMemoryOrCancelLeavesTheLayerAsItWas) {
  std::mt19937 rng(2);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{0, 0, 20, 10}, true, rng);
  const Saved saved(*layer);
  // The image fits, the mask does not.
  CapAt(40 * 20 * 3 + 64);
  EXPECT_EQ(layer->ScaleTo(RECT{0, 0, 40, 20}, 0, nullptr, nullptr), 0);
  VrWA2000::WA::MM_SetMemoryLimits(0);
  EXPECT_TRUE(saved.Same(*layer));
  // A cancel while the mask is being resampled (after the image's 20 rows).
  RecordingProgress progress;
  progress.cancelAtReport = 25;
  int position = 0;
  EXPECT_EQ(layer->ScaleTo(RECT{0, 0, 40, 20}, 40, &position, ProgressCallback), 0);
  EXPECT_EQ(position, 26);
  EXPECT_TRUE(saved.Same(*layer));
}

TEST(LayerRotate, QuarterTurnMovesPixelsExactlyAndPlacesTheRotatedBounds) {
  std::mt19937 rng(3);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{10, 20, 14, 22}, true, rng);
  WAPtr src = layer->GetImage(), srcMask = layer->GetMask();
  ASSERT_EQ(layer->Rotate(90, 0, POINT{0, 0}, 0, nullptr, nullptr), 1);
  // Corners (x, y) -> (-y, x).
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{-22, 10, -20, 14}));
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), layer->GetRect()));
  const VrWA2000::WA* dst = layer->PeekImage();
  ASSERT_EQ(dst->GetW(), 2);
  ASSERT_EQ(dst->GetH(), 4);
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 2; ++i) {
      for (int c = 0; c < 3; ++c) ASSERT_EQ(dst->Row(j)[3 * i + c], src->Row(1 - i)[3 * j + c]);
      ASSERT_EQ(layer->PeekMask()->Row(j)[i], srcMask->Row(1 - i)[j]);
    }
  }
  ExpectResolution(*layer);
}

TEST(LayerRotate, AnyAngleKeepsRectImageAndMaskTheSameSize) {
  std::mt19937 rng(4);
  for (double angle : {30.0, -47.5, 120.0}) {
    CLayerPtr layer = RandomLayer(kWAType8Grey, RECT{-7, 13, 40, 31}, true, rng);
    const RECT old = layer->GetRect();
    ASSERT_EQ(layer->Rotate(angle, 0, POINT{50, 30}, 0, nullptr, nullptr), 1) << angle;
    RECT bounds;
    GetRotatedCorners(&bounds, old, 50, 30, angle, 0);
    const RECT& r = layer->GetRect();
    EXPECT_EQ(r.left, bounds.left);
    EXPECT_EQ(r.top, bounds.top);
    EXPECT_EQ(RectWidth(r), layer->PeekImage()->GetW());
    EXPECT_EQ(RectHeight(r), layer->PeekImage()->GetH());
    EXPECT_EQ(layer->PeekMask()->GetW(), layer->PeekImage()->GetW());
    EXPECT_EQ(layer->PeekMask()->GetH(), layer->PeekImage()->GetH());
    // The corners of the bounds lie outside the turned rect: transparent.
    EXPECT_EQ(layer->PeekMask()->Row(0)[0], 0);
    ExpectResolution(*layer);
  }
}

TEST(LayerRotate, CancelLeavesTheLayerAsItWas) {
  std::mt19937 rng(5);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{0, 0, 30, 20}, true, rng);
  const Saved saved(*layer);
  RecordingProgress progress;
  progress.cancelAtReport = 40;  // inside the mask's rows
  int position = 0;
  EXPECT_EQ(layer->Rotate(30, 0, POINT{0, 0}, 100, &position, ProgressCallback), 0);
  EXPECT_TRUE(saved.Same(*layer));
}

TEST(LayerFlip, MirrorsImageAndMaskOnTheChosenAxes) {
  std::mt19937 rng(6);
  for (int axes = 1; axes <= 3; ++axes) {
    const bool h = (axes & 1) != 0, v = (axes & 2) != 0;
    CLayerPtr layer = RandomLayer(kWAType24, RECT{3, 4, 10, 9}, true, rng);
    WAPtr src = layer->GetImage(), srcMask = layer->GetMask();
    ASSERT_EQ(layer->Flip(h, v, 0, nullptr, nullptr), 1);
    EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{3, 4, 10, 9}));
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) {
        const int sx = h ? 6 - x : x, sy = v ? 4 - y : y;
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(layer->PeekImage()->Row(y)[3 * x + c], src->Row(sy)[3 * sx + c]) << axes;
        ASSERT_EQ(layer->PeekMask()->Row(y)[x], srcMask->Row(sy)[sx]) << axes;
      }
    }
    ExpectResolution(*layer);
  }
}

TEST(LayerFlip, PaletteLayersMirrorWholePixels) {
  const std::uint8_t nibbles[3] = {0x12, 0x34, 0x50};  // pixels 1 2 3 4 5
  WAPtr image = WAPtr::Adopt(NewWA(kWAType4Bit, 5, 1, nullptr));
  std::copy(nibbles, nibbles + 3, image->Row(0));
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  ASSERT_EQ(layer->Flip(1, 0, 0, nullptr, nullptr), 1);
  const std::uint8_t* row = layer->PeekImage()->Row(0);
  EXPECT_EQ(row[0], 0x54);
  EXPECT_EQ(row[1], 0x32);
  EXPECT_EQ(row[2] & 0xF0, 0x10);
}

TEST(LayerCropTo, OutsideAndWholeLeaveTheLayer) {
  std::mt19937 rng(7);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{10, 10, 20, 20}, false, rng);
  const Saved saved(*layer);
  int outside = 0;
  EXPECT_EQ(layer->CropTo(RECT{30, 0, 40, 10}, &outside, 255, 255, 255), 1);
  EXPECT_EQ(outside, 1);
  outside = 0;
  EXPECT_EQ(layer->CropTo(RECT{0, 0, 20, 20}, &outside, 255, 255, 255), 1);
  EXPECT_EQ(outside, 0);
  EXPECT_TRUE(saved.Same(*layer));
}

TEST(LayerCropTo, CopiesTheOverlapIntoBuffersOfTheCropsSize) {
  std::mt19937 rng(8);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{10, 10, 20, 20}, true, rng);
  WAPtr src = layer->GetImage(), srcMask = layer->GetMask();
  ASSERT_EQ(layer->CropTo(RECT{15, 5, 25, 12}, nullptr, 1, 2, 3), 1);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{15, 5, 25, 12}));
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), RECT{15, 5, 25, 12}));
  // Overlap (15, 10, 20, 12) lands at (0, 5) of the new buffers.
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool in = x < 5 && y >= 5;
      const int m = layer->PeekMask()->Row(y)[x];
      EXPECT_EQ(m, in ? srcMask->Row(y - 5)[x + 5] : 0);
      if (in) {
        EXPECT_EQ(layer->PeekImage()->Row(y)[3 * x], src->Row(y - 5)[3 * (x + 5)]);
      }
    }
  }
  ExpectResolution(*layer);
}

TEST(LayerCropTo, ALayerWithoutMaskShowsNothingOutsideItsOldPixels) {
  CLayerPtr layer = CLayerPtr::Adopt(
      new CLayer(SolidBuffer(kWAType24, 10, 10, 90).get(), POINT{10, 10}, 0, nullptr, 0));
  ASSERT_EQ(layer->CropTo(RECT{15, 15, 25, 25}, nullptr, 0, 0, 0), 1);
  ASSERT_TRUE(layer->HasMask());
  EXPECT_FALSE(layer->IsTransparencyLocked());
  EXPECT_EQ(layer->PeekMask()->Row(0)[0], 255);
  EXPECT_EQ(layer->PeekMask()->Row(4)[4], 255);
  EXPECT_EQ(layer->PeekMask()->Row(5)[0], 0);
  EXPECT_EQ(layer->PeekMask()->Row(0)[5], 0);
  // Inside the old layer no mask is needed.
  CLayerPtr inner = CLayerPtr::Adopt(
      new CLayer(SolidBuffer(kWAType24, 10, 10, 90).get(), POINT{0, 0}, 0, nullptr, 0));
  ASSERT_EQ(inner->CropTo(RECT{2, 2, 5, 5}, nullptr, 0, 0, 0), 1);
  EXPECT_FALSE(inner->HasMask());
}

TEST(LayerCropTo, PaletteLayersFillTheNewAreaWithTheFillValue) {
  WAPtr image = SolidBuffer(kWAType8Palette, 4, 4, 7);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  ASSERT_EQ(layer->CropTo(RECT{2, 2, 6, 6}, nullptr, 200, 0, 0), 1);
  EXPECT_EQ(layer->PeekImage()->GetType(), kWAType8Palette);
  EXPECT_EQ(layer->PeekImage()->Row(0)[0], 7);
  EXPECT_EQ(layer->PeekImage()->Row(3)[3], 200);
  EXPECT_FALSE(layer->HasMask());
}

TEST(LayerGeometry, AMaskOffTheLayerRectIsFirstRecutToIt) {
  WAPtr image = SolidBuffer(kWAType8Grey, 8, 8, 50);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  WAPtr small = SolidBuffer(kWAType8Grey, 4, 8, 255);
  ASSERT_EQ(layer->ReplaceMask(small.get()), kLayerOk);  // covers the left half
  layer->SetMaskDefaultColor(0);
  ASSERT_EQ(layer->Flip(1, 0, 0, nullptr, nullptr), 1);
  ASSERT_EQ(layer->PeekMask()->GetW(), 8);
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), layer->GetRect()));
  EXPECT_EQ(layer->PeekMask()->Row(3)[0], 0);
  EXPECT_EQ(layer->PeekMask()->Row(3)[7], 255);
}

TEST(LayerGeometry, SwappingAChangeTwiceRestoresTheLayer) {
  std::mt19937 rng(9);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{0, 0, 12, 8}, false, rng);
  const Saved saved(*layer);
  LayerChange change;
  ASSERT_TRUE(BuildRotate(*layer, 30, 0, POINT{6, 4}, true, {}, &change));
  EXPECT_TRUE(saved.Same(*layer));  // building changes nothing
  SwapIn(layer.get(), &change);
  EXPECT_TRUE(layer->HasMask());  // the opaque mask that lets the corners show through
  EXPECT_FALSE(layer->IsTransparencyLocked());
  SwapIn(layer.get(), &change);
  EXPECT_TRUE(saved.Same(*layer));
  EXPECT_EQ(layer->GetMaskFlags(), 0);
}

// Rects, centres and angles beyond the limits are refused before any
// arithmetic, the layer unchanged; the largest allowed ones still work.
TEST(LayerLimits, ScaleRotateCropAndCanvasRefuseWhatLiesBeyondTheLimits) {
  constexpr LONG kMin = std::numeric_limits<LONG>::min();
  constexpr LONG kMax = std::numeric_limits<LONG>::max();
  constexpr LONG kEdge = static_cast<LONG>(kMaxLayerCoordinate);
  const RECT rects[] = {{kMin, 0, 10, 10},           {0, 0, kMax, 10},
                        {kMin, kMin, kMax, kMax},    {kEdge, 0, kEdge + 1, 1},
                        {0, 0, kMaxImageSide + 1, 1}, {0, 0, 1, kMaxImageSide + 1}};
  std::mt19937 rng(12);
  CLayerPtr layer = RandomLayer(kWAType24, RECT{5, 5, 25, 15}, true, rng);
  const Saved before(*layer);
  for (const RECT& r : rects) {
    EXPECT_EQ(layer->ScaleTo(r, 0, nullptr, nullptr), 0) << r.left << "," << r.right;
    int outside = 0;
    EXPECT_EQ(layer->CropTo(r, &outside, 0, 0, 0), 0) << r.left << "," << r.right;
    EXPECT_FALSE(layer->SetLayerRect(r)) << r.left << "," << r.right;
    EXPECT_FALSE(layer->ResizeCanvas(r, nullptr)) << r.left << "," << r.right;
    EXPECT_EQ(outside, 0);
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(layer->Rotate(nan, 0, POINT{0, 0}, 0, nullptr, nullptr), 0);
  EXPECT_EQ(layer->Rotate(std::numeric_limits<double>::infinity(), 1, POINT{0, 0}, 0, nullptr,
                          nullptr), 0);
  EXPECT_EQ(layer->Rotate(90, 0, POINT{kMin, kMax}, 0, nullptr, nullptr), 0);
  EXPECT_EQ(layer->Rotate(180, 0, POINT{kEdge, 0}, 0, nullptr, nullptr), 0);  // lands past 2^24
  EXPECT_TRUE(before.Same(*layer));

  EXPECT_EQ(layer->ScaleTo(RECT{kEdge - kMaxImageSide, -kEdge, kEdge, -kEdge + 1}, 0, nullptr,
                           nullptr), 1);
  EXPECT_EQ(layer->PeekImage()->GetW(), kMaxImageSide);
  EXPECT_EQ(layer->Rotate(90, 0, POINT{kEdge - kMaxImageSide, -kEdge}, 0, nullptr, nullptr), 1);
  EXPECT_EQ(layer->PeekImage()->GetH(), kMaxImageSide);
}

}  // namespace
