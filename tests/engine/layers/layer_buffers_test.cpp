// Layer buffers: image and mask attach and replace, mask and auxiliary
// buffer creation, saved copies, placement, opaque bounds, flags and
// baking the mask in.
#include <gtest/gtest.h>

#include "engine/layers/Layer.h"
#include "layer_support.h"
#include "stack_support.h"
#include "platform/rect.h"

namespace {

using namespace lumora;
using lumora::testing::AllBytes;
using lumora::testing::MakeLayer;
using lumora::testing::PatternBuffer;
using lumora::testing::SolidBuffer;

TEST(LayerImage, SetAndReplace) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{10, 10, 20, 15}, false);
  WAPtr same = layer->GetImage();
  EXPECT_EQ(layer->SetImage(same.get()), kLayerOk);
  EXPECT_NE(layer->GetBlendFunction(), nullptr);  // unchanged
  WAPtr grey = SolidBuffer(kWAType8Grey, 4, 3, 7);
  EXPECT_EQ(layer->SetImage(grey.get()), kLayerOk);
  EXPECT_EQ(layer->GetBlendFunction(), nullptr);
  EXPECT_EQ(layer->GetDrawEntries(), LayerDrawEntries::kGrey);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{10, 10, 20, 15}));
  WAPtr bigger = SolidBuffer(kWAType8Grey, 30, 2, 7);
  EXPECT_EQ(layer->ReplaceImage(bigger.get()), kLayerOk);
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{10, 10, 40, 12}));
  EXPECT_EQ(layer->SetImage(nullptr), kLayerNullBuffer);
  POINT origin{};
  EXPECT_EQ(layer->GetImage(&origin).get(), bigger.get());
  EXPECT_EQ(origin.x, 10);
  EXPECT_EQ(bigger->GetRefCount(), 2);  // the test's and the layer's; the getter's went
}

TEST(LayerMask, AttachAndRemove) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{1, 2, 5, 6}, false);
  layer->GetImage()->SetXRes(300);
  layer->GetImage()->SetYRes(150);
  WAPtr mask = SolidBuffer(kWAType8Grey, 4, 4, 200);
  EXPECT_EQ(layer->SetMask(mask.get()), kLayerOk);
  EXPECT_FALSE(layer->IsTransparencyLocked());
  EXPECT_TRUE(layer->HasMask());
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), layer->GetRect()));
  EXPECT_EQ(mask->GetXRes(), 300);
  EXPECT_EQ(mask->GetYRes(), 150);
  layer->SetEditMask(1);
  layer->SetMaskHighlight(1);
  EXPECT_EQ(layer->SetMask(nullptr), kLayerOk);
  EXPECT_FALSE(layer->HasMask());
  EXPECT_FALSE(layer->GetMask());
  EXPECT_EQ(layer->GetMaskFlags(), 0);
  EXPECT_TRUE(layer->IsTransparencyLocked());
  EXPECT_EQ(layer->GetEditMask(), 0);
  EXPECT_EQ(layer->GetMaskHighlight(), 0);
  EXPECT_TRUE(RectIsEmpty(layer->GetMaskRect()));
  // A palette layer takes no mask.
  WAPtr palette = SolidBuffer(kWAType8Palette, 4, 4, 1);
  CLayerPtr indexed = CLayerPtr::Adopt(new CLayer(palette.get(), POINT{0, 0}, 0, nullptr, 0));
  EXPECT_EQ(indexed->SetMask(mask.get()), kLayerNotLayerable);
  EXPECT_EQ(indexed->CreateMask(1), kLayerNotLayerable);
  EXPECT_EQ(indexed->CreateAuxBuffer(1), kLayerNotLayerable);
  EXPECT_EQ(indexed->ReplaceMask(mask.get()), kLayerNullBuffer);
}

// A mask that does not fit the layer (another size, another type) would be
// written as channels the file's records do not describe: refused, and the
// layer keeps the mask it had, through the layer and through its stack.
TEST(LayerMask, RefusesAMaskOfAnotherSizeOrType) {
  CLayersManagerPtr stack = lumora::testing::EmptyStack(8, 4);
  CLayer* layer = lumora::testing::Add(*stack, MakeLayer(kWAType24, RECT{0, 0, 8, 4}, true));
  const WAPtr kept = layer->GetMask();
  struct Case {
    int type, width, height;
  } cases[] = {{kWAType8Grey, 4, 2}, {kWAType8Grey, 16, 8}, {kWAType8Grey, 8, 5}, {kWAType24, 8, 4},
               {kWAType8Palette, 8, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.width) + "x" + std::to_string(c.height));
    WAPtr mask = SolidBuffer(c.type, c.width, c.height, 9);
    EXPECT_EQ(layer->SetMask(mask.get()), kLayerNullBuffer);
    EXPECT_EQ(stack->SetLayerMask(layer, mask.get()), kLayerNullBuffer);
    EXPECT_EQ(layer->GetMask().get(), kept.get());
    EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), RECT{0, 0, 8, 4}));
  }
  WAPtr fits = SolidBuffer(kWAType8Grey, 8, 4, 9);
  EXPECT_EQ(stack->SetLayerMask(layer, fits.get()), kLayerOk);
  EXPECT_EQ(layer->GetMask().get(), fits.get());
}

TEST(LayerMask, ReplaceTakesTheMasksSize) {
  CLayerPtr layer = MakeLayer(kWAType8Grey, RECT{3, 4, 13, 14}, false);
  WAPtr mask = SolidBuffer(kWAType8Grey, 6, 2, 1);
  EXPECT_EQ(layer->ReplaceMask(mask.get()), kLayerOk);
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), RECT{3, 4, 9, 6}));
}

TEST(LayerMask, CreateKeepsAnExistingMask) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{0, 0, 6, 4}, false);
  ASSERT_EQ(layer->CreateMask(0), kLayerOk);
  EXPECT_TRUE(AllBytes(layer->GetMask().get(), 0));  // zero-filled: nothing shows yet
  EXPECT_FALSE(layer->IsTransparencyLocked());
  WAPtr before = layer->GetMask();
  EXPECT_EQ(layer->CreateMask(1), kLayerOk);
  EXPECT_EQ(layer->GetMask().get(), before.get());
  EXPECT_TRUE(AllBytes(before.get(), 0));
  CLayerPtr filled = MakeLayer(kWAType8Grey, RECT{0, 0, 6, 4}, false);
  ASSERT_EQ(filled->CreateMask(1), kLayerOk);
  EXPECT_TRUE(AllBytes(filled->GetMask().get(), 255));
  CLayerPtr starved = MakeLayer(kWAType8Grey, RECT{0, 0, 60, 40}, false);
  VrWA2000::WA::MM_SetMemoryLimits(1);
  EXPECT_EQ(starved->CreateMask(1), kLayerCannotMake);
  EXPECT_EQ(starved->CreateAuxBuffer(1), kLayerCannotMake);
  VrWA2000::WA::MM_SetMemoryLimits(0);
  EXPECT_FALSE(starved->HasMask());
}

TEST(LayerMask, RemoveWithAndWithoutBakingIn) {
  CLayerPtr layer = MakeLayer(kWAType8Grey, RECT{0, 0, 2, 1}, false);
  EXPECT_EQ(layer->RemoveMask(0, 0, 0, 0), kLayerNullBuffer);
  layer->GetImage()->Row(0)[0] = 200;
  layer->GetImage()->Row(0)[1] = 200;
  ASSERT_EQ(layer->CreateMask(0), kLayerOk);
  layer->GetMask()->Row(0)[1] = 255;
  EXPECT_EQ(layer->RemoveMask(1, 0, RGB(30, 60, 90), 0), kLayerOk);
  EXPECT_EQ(layer->GetImage()->Row(0)[0], 60);  // mask 0: the colour's grey
  EXPECT_EQ(layer->GetImage()->Row(0)[1], 200);
  EXPECT_FALSE(layer->HasMask());
  EXPECT_TRUE(layer->IsTransparencyLocked());
  CLayerPtr empty = CLayerPtr::Adopt(new CLayer());
  EXPECT_EQ(empty->RemoveMask(0, 0, 0, 0), kLayerNullBuffer);
}

TEST(LayerMask, ApplyMask) {
  struct Case {
    int percent;
    int maskValue;
    bool invert;
    int channel;
    int blue, green, red;  // expected
  };
  // Image (blue 200, green 100, red 50) mixed with red 250, green 0, blue 10.
  const Case cases[] = {
      {0, 255, false, 0, 200, 100, 50},   // fully opaque: unchanged
      {0, 0, false, 0, 10, 0, 250},       // fully masked: the colour
      {100, 0, false, 0, 200, 100, 50},   // +255 makes every value opaque
      {-100, 255, false, 0, 10, 0, 250},  // -255 makes every value transparent
      {0, 255, true, 0, 10, 0, 250},      // inverted
      {0, 128, false, 0, (200 * 128 + 10 * 127) / 255, 100 * 128 / 255,
       (50 * 128 + 250 * 127) / 255},
      {0, 0, false, 1, 200, 100, 250},   // red only
      {0, 0, false, 2, 200, 0, 50},      // green only
      {0, 0, false, 7, 10, 100, 50},     // any other: blue only
      {300, 0, false, 0, 200, 100, 50},  // percent clamped to 100
  };
  for (const auto& c : cases) {
    CLayerPtr layer = MakeLayer(kWAType24, RECT{5, 5, 7, 6}, true);
    for (int x = 0; x < 2; ++x) {
      std::uint8_t* p = layer->GetImage()->Row(0) + 3 * x;
      p[0] = 200, p[1] = 100, p[2] = 50;
      layer->GetMask()->Row(0)[x] = static_cast<std::uint8_t>(c.maskValue);
    }
    if (c.invert) layer->SetMaskFlags(layer->GetMaskFlags() | kMaskInvert);
    ASSERT_EQ(layer->ApplyMask(c.percent, RGB(250, 0, 10), c.channel), kLayerOk);
    const std::uint8_t* p = layer->GetImage()->Row(0) + 3;
    EXPECT_EQ(p[0], c.blue) << c.percent << " " << c.maskValue << " " << c.channel;
    EXPECT_EQ(p[1], c.green) << c.percent << " " << c.maskValue << " " << c.channel;
    EXPECT_EQ(p[2], c.red) << c.percent << " " << c.maskValue << " " << c.channel;
    EXPECT_EQ(layer->GetMask()->Row(0)[1], c.maskValue);  // the mask itself is kept
  }
  CLayerPtr unmasked = MakeLayer(kWAType24, RECT{0, 0, 2, 2}, false);
  EXPECT_EQ(unmasked->ApplyMask(0, 0, 0), kLayerNotLayerable);
}

TEST(LayerMask, ApplyMaskOnlyOverTheOverlap) {
  CLayerPtr layer = MakeLayer(kWAType8Grey, RECT{0, 0, 4, 1}, false);
  std::fill_n(layer->GetImage()->Row(0), 4, std::uint8_t{100});
  WAPtr mask = SolidBuffer(kWAType8Grey, 2, 1, 0);
  ASSERT_EQ(layer->ReplaceMask(mask.get()), kLayerOk);
  layer->MoveTo(POINT{0, 0});
  layer->SetMaskRect(RECT{1, 0, 3, 1});
  ASSERT_EQ(layer->ApplyMask(0, RGB(0, 0, 0), 0), kLayerOk);
  const std::uint8_t* row = layer->GetImage()->Row(0);
  EXPECT_EQ(row[0], 100);
  EXPECT_EQ(row[1], 0);
  EXPECT_EQ(row[2], 0);
  EXPECT_EQ(row[3], 100);
}

TEST(LayerAux, CreateAndRelease) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{0, 0, 5, 3}, false);
  layer->GetImage()->SetXRes(72);
  ASSERT_EQ(layer->CreateAuxBuffer(0), kLayerOk);
  WAPtr aux = layer->GetAuxBuffer();
  EXPECT_TRUE(AllBytes(aux.get(), 0));
  EXPECT_EQ(aux->GetXRes(), 72);
  EXPECT_EQ(layer->CreateAuxBuffer(1), kLayerOk);
  EXPECT_EQ(layer->GetAuxBuffer().get(), aux.get());
  layer->ReleaseAuxBuffer();
  EXPECT_FALSE(layer->GetAuxBuffer());
  ASSERT_EQ(layer->CreateAuxBuffer(1), kLayerOk);
  EXPECT_TRUE(AllBytes(layer->GetAuxBuffer().get(), 255));
}

TEST(LayerSavedCopies, CloneThenRefreshOverARect) {
  CLayerPtr layer = MakeLayer(kWAType8Grey, RECT{10, 10, 14, 12}, true);
  CLayerPtr bare = CLayerPtr::Adopt(new CLayer());
  EXPECT_FALSE(bare->SaveImageCopy(RECT{0, 0, 100, 100}));
  std::fill_n(layer->GetImage()->Row(0), 4, std::uint8_t{1});
  WAPtr copy = layer->SaveImageCopy(RECT{0, 0, 0, 0});
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Row(0)[3], 1);  // a whole clone
  std::fill_n(layer->GetImage()->Row(0), 4, std::uint8_t{2});
  // Image x 12..13, y 10: layer columns 2 and 3 of row 0.
  WAPtr again = layer->SaveImageCopy(RECT{12, 10, 20, 11});
  EXPECT_EQ(again.get(), copy.get());
  EXPECT_EQ(copy->Row(0)[1], 1);
  EXPECT_EQ(copy->Row(0)[2], 2);
  EXPECT_EQ(copy->Row(0)[3], 2);
  // An image of another size makes a new clone.
  WAPtr wider = SolidBuffer(kWAType8Grey, 6, 2, 9);
  layer->ReplaceImage(wider.get());
  WAPtr fresh = layer->SaveImageCopy(RECT{0, 0, 0, 0});
  EXPECT_NE(fresh.get(), copy.get());
  EXPECT_EQ(fresh->GetW(), 6);
  EXPECT_TRUE(layer->SaveMaskCopy(layer->GetRect()));
  std::fill_n(layer->GetImage()->Row(1), 6, std::uint8_t{3});
  layer->RefreshSavedCopies();
  EXPECT_EQ(layer->GetSavedImageCopy()->Row(1)[5], 3);
  layer->ReleaseSavedCopies();
  EXPECT_FALSE(layer->GetSavedImageCopy());
  EXPECT_FALSE(layer->GetSavedMaskCopy());
  layer->RemoveMask(0, 0, 0, 0);
  EXPECT_FALSE(layer->SaveMaskCopy(layer->GetRect()));
}

TEST(LayerPlacement, ResolutionMoveAndOffset) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{0, 0, 4, 4}, true);
  layer->CreateAuxBuffer(0);
  layer->SaveImageCopy(layer->GetRect());
  layer->SetResolution(0x012C0048);  // x 72, y 300
  for (const WAPtr& b :
       {layer->GetImage(), layer->GetMask(), layer->GetAuxBuffer(), layer->GetSavedImageCopy()}) {
    EXPECT_EQ(b->GetXRes(), 72);
    EXPECT_EQ(b->GetYRes(), 300);
  }
  layer->Offset(POINT{5, -2});
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{5, -2, 9, 2}));
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), RECT{5, -2, 9, 2}));
  CLayerPtr unmasked = MakeLayer(kWAType24, RECT{0, 0, 4, 4}, false);
  unmasked->SetMaskRect(RECT{1, 1, 2, 2});
  unmasked->Offset(POINT{3, 3});
  EXPECT_TRUE(RectsEqual(unmasked->GetMaskRect(), RECT{1, 1, 2, 2}));  // no mask: not moved
  unmasked->MoveTo(POINT{10, 10});
  EXPECT_TRUE(RectsEqual(unmasked->GetRect(), RECT{10, 10, 14, 14}));
  EXPECT_TRUE(RectsEqual(unmasked->GetMaskRect(), RECT{8, 8, 9, 9}));  // moved in any case
  layer->SetMemoryLock(1);
  EXPECT_EQ(layer->GetMemoryLock(), 1);
  layer->SetMemoryLock(1);
  layer->SetMemoryLock(0);
  EXPECT_EQ(layer->GetMemoryLock(), 0);
}

TEST(LayerPlacement, OpaqueRectAndContentCentre) {
  CLayerPtr layer = MakeLayer(kWAType8Grey, RECT{100, 200, 110, 206}, false);
  RECT r;
  layer->GetOpaqueRect(&r, 255);
  EXPECT_TRUE(RectsEqual(r, RECT{100, 200, 110, 206}));
  POINT c;
  layer->GetContentCenter(&c);
  EXPECT_EQ(c.x, 105);
  EXPECT_EQ(c.y, 203);
  layer->CreateMask(0);
  layer->GetOpaqueRect(&r, 0);
  EXPECT_TRUE(RectsEqual(r, RECT{100, 200, 110, 206}));  // every value is at least 0
  layer->GetOpaqueRect(&r, 255);
  EXPECT_TRUE(RectsEqual(r, RECT{0, 0, 0, 0}));
  layer->GetContentCenter(&c);  // no content: the whole mask
  EXPECT_EQ(c.x, 105);
  layer->GetMask()->Row(1)[2] = 255;
  layer->GetMask()->Row(4)[7] = 40;
  layer->GetOpaqueRect(&r, 255);
  EXPECT_TRUE(RectsEqual(r, RECT{102, 201, 103, 202}));
  layer->GetOpaqueRect(&r, 30);
  EXPECT_TRUE(RectsEqual(r, RECT{102, 201, 108, 205}));
  layer->GetContentCenter(&c);
  EXPECT_EQ(c.x, 105);
  EXPECT_EQ(c.y, 203);
}

TEST(LayerFlags, Setters) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{0, 0, 2, 2}, false);
  EXPECT_EQ(layer->SetPaintOnLayer(0), 0);
  EXPECT_TRUE(layer->IsTransparencyLocked());
  EXPECT_EQ(layer->SetPaintOnLayer(1), 1);
  EXPECT_EQ(layer->SetEditMask(1), 0);
  EXPECT_EQ(layer->GetEditMask(), 0);
  EXPECT_EQ(layer->SetHideLayerChannels(1), 0);
  EXPECT_EQ(layer->GetHideLayerChannels(), 0);
  EXPECT_EQ(layer->EnableMask(0), 1);  // no mask: nothing changes
  EXPECT_EQ(layer->GetMaskFlags() & kMaskDisabled, 0);
  layer->CreateMask(1);
  EXPECT_EQ(layer->SetPaintOnLayer(0), 1);
  EXPECT_FALSE(layer->IsTransparencyLocked());
  EXPECT_EQ(layer->EnableMask(0), 1);
  EXPECT_FALSE(layer->IsMaskEnabled());
  EXPECT_EQ(layer->EnableMask(1), 0);
  EXPECT_EQ(layer->SetEditMask(1), 0);
  EXPECT_EQ(layer->SetHideLayerChannels(1), 0);
  EXPECT_EQ(layer->SetEditMask(1), 0);  // already set
  EXPECT_EQ(layer->SetEditMask(0), 1);  // clears hide-layer-channels too
  EXPECT_EQ(layer->GetHideLayerChannels(), 0);
  EXPECT_EQ(layer->SetEditMask(0), 0);
  EXPECT_EQ(layer->SetMaskHighlight(1), 0);
  EXPECT_EQ(layer->SetMaskHighlight(0), 1);
  layer->SetVisible(0);
  EXPECT_EQ(layer->GetFlags() & kLayerHidden, kLayerHidden);
  layer->SetVisible(5);
  EXPECT_TRUE(layer->IsVisible());
}

}  // namespace
