// Layer construction, unique ids, reference counts, the attribute record
// and the opacity conversions.
#include "engine/layers/Layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

#include "layer_support.h"
#include "platform/rect.h"

namespace {

using namespace lumora;
using lumora::testing::DefaultInfo;
using lumora::testing::MakeLayer;
using lumora::testing::SolidBuffer;

TEST(Layer, EmptyLayerHasTheDefaults) {
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer());
  EXPECT_EQ(layer->GetRefCount(), 1);
  EXPECT_EQ(layer->GetOpacity(), 255);
  EXPECT_EQ(layer->GetMergeMode(), kMergeNormal);
  EXPECT_EQ(layer->GetChannelIds(), (std::vector<std::int16_t>{0, 1, 2}));
  EXPECT_TRUE(layer->GetChannelLengths().empty());
  EXPECT_EQ(layer->GetAddScale(), 10000);
  EXPECT_EQ(layer->GetSubtractOffset(), 0);
  EXPECT_EQ(layer->GetBlendFunction(), nullptr);
  EXPECT_EQ(layer->GetBlendIfActive(), 0);
  EXPECT_EQ(layer->GetImageType(), 0);
  EXPECT_FALSE(layer->GetImage());
  EXPECT_EQ(layer->GetReplace(), 0u);
  EXPECT_EQ(layer->GetDrawEntries(), LayerDrawEntries::kNone);
  EXPECT_EQ(layer->GetFlags(), 0u);
}

TEST(Layer, UniqueIdsCountUpAndCopiesShareThem) {
  CLayerPtr a = CLayerPtr::Adopt(new CLayer());
  CLayerPtr b = CLayerPtr::Adopt(new CLayer());
  EXPECT_EQ(b->GetUniqueId(), a->GetUniqueId() + 1);
  CLayerPtr copy = CLayerPtr::Adopt(new CLayer(*b));
  EXPECT_EQ(copy->GetUniqueId(), b->GetUniqueId());
  WAPtr image = SolidBuffer(kWAType24, 4, 4, 1);
  CLayerPtr c = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  EXPECT_EQ(c->GetUniqueId(), b->GetUniqueId() + 1);
  const RECT r{0, 0, 3, 3};
  CLayerPtr d = MakeLayer(kWAType8Grey, r, false);
  EXPECT_EQ(d->GetUniqueId(), c->GetUniqueId() + 1);
}

TEST(Layer, ImageConstructor) {
  WAPtr image = SolidBuffer(kWAType24, 5, 3, 9);
  WAPtr mask = SolidBuffer(kWAType8Grey, 4, 2, 255);
  EXPECT_THROW(CLayer(nullptr, POINT{0, 0}, 0, nullptr, 0), layer_err_params);
  EXPECT_THROW(CLayer(image.get(), POINT{0, 0}, 1, nullptr, 0), layer_err_params);
  EXPECT_THROW(CLayer(image.get(), POINT{0, 0}, 1, image.get(), 0), layer_err_params);

  CLayerPtr plain =
      CLayerPtr::Adopt(new CLayer(image.get(), POINT{10, 20}, 0, nullptr, kMergeScreen));
  EXPECT_EQ(image->GetRefCount(), 2);
  EXPECT_TRUE(RectsEqual(plain->GetRect(), RECT{10, 20, 15, 23}));
  EXPECT_EQ(plain->GetImageType(), kWAType24);
  EXPECT_TRUE(plain->IsTransparencyLocked());
  EXPECT_EQ(plain->GetBlendFunction(), &GetBlendMode(kMergeScreen));
  EXPECT_EQ(plain->GetName(), "");
  EXPECT_EQ(plain->GetOpacity(), 255);

  CLayerPtr masked = CLayerPtr::Adopt(new CLayer(image.get(), POINT{10, 20}, 1, mask.get(), 0));
  EXPECT_FALSE(masked->IsTransparencyLocked());
  EXPECT_TRUE(masked->HasMask());
  EXPECT_EQ(masked->GetMaskFlags() & kMaskAttached, kMaskAttached);
  EXPECT_TRUE(RectsEqual(masked->GetMaskRect(), RECT{10, 20, 14, 22}));
  EXPECT_EQ(masked->GetMask().get(), mask.get());
  plain.Reset();
  masked.Reset();
  EXPECT_EQ(image->GetRefCount(), 1);
}

TEST(Layer, RectConstructorMakesZeroFilledBuffers) {
  LAYER_INFO info = DefaultInfo("Stroke");
  info.opacity = 50;
  info.mergeMode = kMergeMultiply;
  const RECT r{2, 3, 12, 9};
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&r, info, kWAType24, 1));
  ASSERT_TRUE(layer->GetImage());
  EXPECT_EQ(layer->GetImage()->GetW(), 10);
  EXPECT_EQ(layer->GetImage()->GetH(), 6);
  EXPECT_TRUE(lumora::testing::AllBytes(layer->GetImage().get(), 0));
  // The mask starts fully transparent: a work layer is drawn at once.
  ASSERT_TRUE(layer->GetMask());
  EXPECT_TRUE(lumora::testing::AllBytes(layer->GetMask().get(), 0));
  EXPECT_EQ(layer->GetName(), "Stroke");
  EXPECT_EQ(layer->GetOpacity(), 128);
  EXPECT_EQ(layer->GetBlendFunction(), &GetBlendMode(kMergeMultiply));
  EXPECT_FALSE(layer->IsTransparencyLocked());
  EXPECT_EQ(layer->GetDrawEntries(), LayerDrawEntries::kColour);

  CLayerPtr unmasked = CLayerPtr::Adopt(new CLayer(&r, info, kWAType8Grey, 0));
  EXPECT_TRUE(unmasked->IsTransparencyLocked());
  EXPECT_EQ(unmasked->GetDrawEntries(), LayerDrawEntries::kGrey);
}

TEST(Layer, RectConstructorRejectsBadArguments) {
  const LAYER_INFO info = DefaultInfo();
  const RECT empty{5, 5, 5, 9};
  const RECT r{0, 0, 10, 10};
  EXPECT_THROW(CLayer(nullptr, info, kWAType24, 0), layer_err_params);
  EXPECT_THROW(CLayer(&empty, info, kWAType24, 0), layer_err_params);
  EXPECT_THROW(CLayer(&r, info, kWAType8Palette, 0), layer_err_params);
  VrWA2000::WA::MM_SetMemoryLimits(1);
  EXPECT_THROW(CLayer(&r, info, kWAType24, 0), layer_err_nomemory);
  VrWA2000::WA::MM_SetMemoryLimits(0);
}

TEST(Layer, OpacityConversions) {
  EXPECT_EQ(CLayer::OpacityToPercent(255), 100);
  EXPECT_EQ(CLayer::OpacityToPercent(0), 0);
  EXPECT_EQ(CLayer::OpacityToPercent(128), 50);
  EXPECT_EQ(CLayer::OpacityFromPercent(100), 255);
  EXPECT_EQ(CLayer::OpacityFromPercent(50), 128);
  EXPECT_EQ(CLayer::OpacityFromPercent(1), 3);
  // 0 % hides the layer: byte 0, not 1.
  EXPECT_EQ(CLayer::OpacityFromPercent(0), 0);
  EXPECT_EQ(CLayer::OpacityFromPercent(-5), 0);
  EXPECT_EQ(CLayer::OpacityFromPercent(150), 255);
  for (int p = 0; p <= 100; ++p)
    EXPECT_EQ(CLayer::OpacityToPercent(CLayer::OpacityFromPercent(p)), p);
  // Each byte reads as its nearest percent, never 0 while the layer shows,
  // and a record passed back unchanged keeps the byte itself.
  const RECT r{0, 0, 1, 1};
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&r, DefaultInfo(), kWAType8Grey, 0));
  for (int b = 0; b <= 255; ++b) {
    const int percent = CLayer::OpacityToPercent(static_cast<std::uint8_t>(b));
    EXPECT_LE(std::abs(percent * 255 - b * 100), 255 / 2 + 100) << b;
    EXPECT_EQ(percent == 0, b == 0) << b;
    EXPECT_LE(std::abs(CLayer::OpacityFromPercent(percent) - b), 2) << b;
    layer->SetOpacity(static_cast<std::uint8_t>(b));
    layer->SetLayerInfo(layer->GetLayerInfo());
    EXPECT_EQ(layer->GetOpacity(), b);
  }
}

TEST(Layer, ZeroPercentOpacityHidesTheLayer) {
  LAYER_INFO info = DefaultInfo();
  info.opacity = 0;
  const RECT r{0, 0, 2, 2};
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&r, info, kWAType8Grey, 0));
  EXPECT_EQ(layer->GetOpacity(), 0);
  EXPECT_EQ(layer->GetBlendContext().OpacityTable()[255], 0);
}

TEST(Layer, LayerInfoIsEveryCallersOwn) {
  const RECT r1{0, 0, 2, 2}, r2{5, 5, 9, 9};
  CLayerPtr a = CLayerPtr::Adopt(new CLayer(&r1, DefaultInfo("first"), kWAType8Grey, 0));
  CLayerPtr b = CLayerPtr::Adopt(new CLayer(&r2, DefaultInfo("second"), kWAType8Grey, 0));
  const LAYER_INFO first = a->GetLayerInfo();
  const LAYER_INFO second = b->GetLayerInfo();
  EXPECT_EQ(first.name, "first");
  EXPECT_TRUE(RectsEqual(first.rect, r1));
  EXPECT_EQ(second.name, "second");
}

TEST(Layer, LayerInfoRoundTrip) {
  const RECT r{0, 0, 8, 8};
  CLayerPtr layer = MakeLayer(kWAType24, r, true);
  LAYER_INFO info = layer->GetLayerInfo();
  info.name = "Sky";
  info.linkText = "http://example.invalid/";
  info.rect = RECT{100, 100, 200, 200};  // not applied
  info.opacity = 40;
  info.mergeMode = kMergeOverlay;
  info.visible = 0;
  info.lockTransparency = 1;
  info.lockPosition = 1;
  info.maskFlags |= kMaskDisabled;
  info.maskHighlight = 1;
  info.linkId = 7;
  info.grouped = 1;
  // Interleaved: entry 3 is the underlying red range (layer range 5).
  const std::uint8_t under[4] = {10, 20, 200, 250};
  std::copy(under, under + 4, info.blendIf[3]);
  layer->SetLayerInfo(info);
  EXPECT_EQ(layer->GetName(), "Sky");
  EXPECT_TRUE(RectsEqual(layer->GetRect(), r));
  EXPECT_EQ(layer->GetOpacity(), 102);  // the nearest byte: (40 * 255 + 50) / 100
  EXPECT_FALSE(layer->IsVisible());
  EXPECT_TRUE(layer->IsTransparencyLocked());
  EXPECT_FALSE(layer->IsMaskEnabled());
  EXPECT_EQ(layer->GetMaskHighlight(), 1);
  EXPECT_EQ(layer->GetBlendIfRange(5)[1], 20);
  EXPECT_EQ(layer->GetBlendIfActive(), 1);
  EXPECT_EQ(layer->GetBlendFunction(), &GetBlendMode(kMergeOverlay));
  const LAYER_INFO back = layer->GetLayerInfo();
  EXPECT_EQ(back.name, "Sky");
  EXPECT_EQ(back.linkText, info.linkText);
  EXPECT_EQ(back.opacity, 40);
  EXPECT_EQ(back.mergeMode, kMergeOverlay);
  EXPECT_EQ(back.visible, 0);
  EXPECT_EQ(back.lockTransparency, 1);
  EXPECT_EQ(back.lockPosition, 1);
  EXPECT_EQ(back.maskHighlight, 1);
  EXPECT_EQ(back.linkId, 7);
  EXPECT_EQ(back.grouped, 1);
  EXPECT_TRUE(std::equal(under, under + 4, back.blendIf[3]));
  EXPECT_TRUE(RectsEqual(back.rect, r));
}

TEST(Layer, LayerInfoSettersKeepTheirConditionsWithoutAMask) {
  const RECT r{0, 0, 4, 4};
  LAYER_INFO info = DefaultInfo();
  info.editMask = 1;
  info.hideLayerChannels = 1;
  info.maskHighlight = 1;
  info.lockTransparency = 0;
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&r, info, kWAType8Grey, 0));
  EXPECT_EQ(layer->GetEditMask(), 0);
  EXPECT_EQ(layer->GetHideLayerChannels(), 0);
  EXPECT_EQ(layer->GetMaskHighlight(), 0);
  EXPECT_TRUE(layer->IsTransparencyLocked());
}

TEST(Layer, KindsAndCanPaint) {
  struct TextLike : CLayer {
    int IsText() const override { return 1; }
  };
  const RECT r{0, 0, 4, 4};
  CLayerPtr paint = CLayerPtr::Adopt(new CLayerPaint(&r, DefaultInfo(), kWAType24, 1));
  CLayerPtr mask = CLayerPtr::Adopt(new CLayerMask(&r, DefaultInfo(), kWAType8Grey, 1));
  EXPECT_EQ(paint->IsPaint(), 1);
  EXPECT_EQ(paint->IsMask(), 0);
  EXPECT_EQ(mask->IsPaint(), 1);
  EXPECT_EQ(mask->IsMask(), 1);
  CLayerPtr plain = MakeLayer(kWAType24, r, false);
  EXPECT_EQ(plain->CanPaint(), 1);  // transparency lock does not matter
  plain->SetVisible(0);
  EXPECT_EQ(plain->CanPaint(), 0);
  CLayerPtr text = CLayerPtr::Adopt(new TextLike());
  EXPECT_EQ(text->CanPaint(), 0);
  // A copy of a work layer made through the copy constructor is a work layer.
  CLayerPtr copy = CLayerPtr::Adopt(new CLayerMask(static_cast<const CLayerMask&>(*mask)));
  EXPECT_EQ(copy->IsMask(), 1);
}

TEST(Layer, FindChannelIndex) {
  const std::int16_t ids[] = {-1, 0, 1, 2, -2};
  EXPECT_EQ(FindChannelIndex(ids, 5, -1), 0);
  EXPECT_EQ(FindChannelIndex(ids, 5, 2), 3);
  EXPECT_EQ(FindChannelIndex(ids, 5, 3), -1);
  EXPECT_EQ(FindChannelIndex(ids, 0, 0), -1);
}

TEST(LayerThreaded, CountsAndIdsHoldUnderConcurrentUse) {
  CLayerPtr shared = CLayerPtr::Adopt(new CLayer());
  constexpr int kThreads = 4, kRounds = 2000;
  std::vector<std::vector<std::uint64_t>> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        CLayerPtr hold = shared;  // one more reference, dropped again
        CLayerPtr made = CLayerPtr::Adopt(new CLayer());
        ids[t].push_back(made->GetUniqueId());
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared->GetRefCount(), 1);
  std::set<std::uint64_t> all;
  for (const auto& v : ids) all.insert(v.begin(), v.end());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kRounds));
}

}  // namespace
