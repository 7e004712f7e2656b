// A new layer from the selected pixels of a layer: refusals, the pixels and
// coverage it takes, cutting, and inverted selections.
#include <gtest/gtest.h>

#include "engine/layers/Layer.h"
#include "hostapi/fragment.h"
#include "layer_support.h"
#include "platform/rect.h"

namespace {

using namespace lumora;
using lumora::testing::DefaultInfo;
using lumora::testing::PatternBuffer;
using lumora::testing::SolidBuffer;

struct FragmentPtr {
  explicit FragmentPtr(Fragment* f) : f(f) {}
  ~FragmentPtr() { DeleteFragment(f); }
  Fragment* f;
};

// A mask fragment at (x, y) holding `value` over w x h.
Fragment* MaskFragment(int x, int y, int w, int h, int value) {
  WAPtr buffer = SolidBuffer(kWAType8Grey, w, h, value);
  return CreateMaskUsingWA(buffer.get(), x, y);
}

// A 24-bit layer at (10, 10, 30, 30) whose pixel (x, y) holds x + y in every
// byte, with a mask of 200 when asked.
CLayerPtr SourceLayer(bool mask) {
  LAYER_INFO info = DefaultInfo("Sky");
  RECT rect{10, 10, 30, 30};
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, info, kWAType24, mask ? 1 : 0));
  WAPtr image = PatternBuffer(kWAType24, 20, 20, [](int y, int i) { return i / 3 + y; });
  layer->ReplaceImage(image.get());
  if (mask) {
    WAPtr plane = SolidBuffer(kWAType8Grey, 20, 20, 200);
    layer->SetMask(plane.get());
  }
  layer->SetOpacity(128);
  layer->SetResolution(72u | 144u << 16);
  return layer;
}

TEST(CreateLayerFromSelection, RefusesWhatSelectsNothing) {
  CLayerPtr layer = SourceLayer(false);
  EXPECT_EQ(layer->CreateLayerFromSelection(nullptr, 0), nullptr);
  LURECT r{0, 0, 50, 50};
  FragmentPtr rect(CreateRectFrg(&r, 0));
  EXPECT_EQ(layer->CreateLayerFromSelection(rect.f, 0), nullptr);  // not a mask
  FragmentPtr away(MaskFragment(40, 40, 5, 5, 255));
  EXPECT_EQ(layer->CreateLayerFromSelection(away.f, 0), nullptr);
  CLayerPtr empty = CLayerPtr::Adopt(new CLayer());
  FragmentPtr over(MaskFragment(10, 10, 5, 5, 255));
  EXPECT_EQ(empty->CreateLayerFromSelection(over.f, 0), nullptr);
}

TEST(CreateLayerFromSelection, CopiesThePixelsAndCoverageTheSelectionHolds) {
  CLayerPtr layer = SourceLayer(true);
  // Selected 255 over (5, 5, 15, 15) and 102 over (15, 5, 20, 15).
  WAPtr buffer = SolidBuffer(kWAType8Grey, 15, 10, 255);
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 15; ++x) buffer->Row(y)[x] = 102;
  FragmentPtr selection(CreateMaskUsingWA(buffer.get(), 5, 5));
  CLayerPtr lifted = CLayerPtr::Adopt(layer->CreateLayerFromSelection(selection.f, 0));
  ASSERT_TRUE(lifted);
  EXPECT_TRUE(RectsEqual(lifted->GetRect(), RECT{10, 10, 20, 15}));
  EXPECT_EQ(lifted->GetName(), "Sky");
  EXPECT_EQ(lifted->GetOpacity(), 128);
  EXPECT_NE(lifted->GetUniqueId(), layer->GetUniqueId());
  EXPECT_EQ(lifted->PeekImage()->GetXRes(), 72);
  EXPECT_EQ(lifted->PeekImage()->GetYRes(), 144);
  EXPECT_EQ(lifted->PeekImage()->Row(2)[3 * 4], 4 + 2);  // image (14, 12) = layer (4, 2)
  EXPECT_EQ(lifted->PeekMask()->Row(2)[4], 200);         // selection 255 keeps the mask
  EXPECT_EQ(lifted->PeekMask()->Row(2)[6], 200 * 102 / 255);
  EXPECT_EQ(layer->PeekMask()->Row(2)[4], 200);  // a copy leaves the source
}

TEST(CreateLayerFromSelection, CutMovesTheCoverageOutOfTheSource) {
  CLayerPtr layer = SourceLayer(false);
  ASSERT_TRUE(layer->IsTransparencyLocked());
  FragmentPtr full(MaskFragment(12, 12, 4, 4, 255));
  FragmentPtr half(MaskFragment(20, 12, 4, 4, 128));
  CLayerPtr a = CLayerPtr::Adopt(layer->CreateLayerFromSelection(full.f, 1));
  CLayerPtr b = CLayerPtr::Adopt(layer->CreateLayerFromSelection(half.f, 1));
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(layer->HasMask());  // made opaque, then cut
  EXPECT_EQ(layer->PeekMask()->Row(3)[3], 0);
  EXPECT_EQ(layer->PeekMask()->Row(3)[11], 255 - 128);
  EXPECT_EQ(layer->PeekMask()->Row(0)[0], 255);
  EXPECT_EQ(b->PeekMask()->Row(0)[0], 128);
}

TEST(CreateLayerFromSelection, AnInvertedSelectionLiftsWhatLiesOutsideItsMask) {
  CLayerPtr layer = SourceLayer(false);
  FragmentPtr hole(MaskFragment(10, 10, 10, 20, 255));  // the left half, inverted
  SetFrgInversion(hole.f, 1);
  CLayerPtr lifted = CLayerPtr::Adopt(layer->CreateLayerFromSelection(hole.f, 0));
  ASSERT_TRUE(lifted);
  EXPECT_TRUE(RectsEqual(lifted->GetRect(), RECT{10, 10, 30, 30}));
  EXPECT_EQ(lifted->PeekMask()->Row(5)[5], 0);
  EXPECT_EQ(lifted->PeekMask()->Row(5)[15], 255);
}

}  // namespace
