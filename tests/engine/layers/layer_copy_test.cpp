// Copying layers, merging one layer's pixels into another, and the blend
// parameters of a layer.
#include <gtest/gtest.h>

#include <vector>

#include "engine/blend/CompositeRows.h"
#include "engine/layers/Layer.h"
#include "layer_support.h"
#include "platform/rect.h"

namespace {

using namespace lumora;
using lumora::testing::AllBytes;
using lumora::testing::MakeLayer;
using lumora::testing::PatternBuffer;
using lumora::testing::SolidBuffer;

TEST(LayerCopy, CopiesAttributesAndClonesBuffers) {
  CLayerPtr source = MakeLayer(kWAType24, RECT{3, 4, 9, 8}, true);
  LAYER_INFO info = source->GetLayerInfo();
  info.name = "Source";
  info.linkText = "link";
  info.opacity = 60;
  info.mergeMode = kMergeDifference;
  info.blendIf[0][0] = 40;
  info.blendIf[0][1] = 60;
  info.linkId = 3;
  info.grouped = 1;
  source->SetLayerInfo(info);
  source->SetAddScaleOffset(15000, -7);
  source->SetReplace(1);
  source->SetChannels({-1, 0, 1, 2}, {10, 20, 30, 40});
  source->CreateAuxBuffer(1);
  source->SaveImageCopy(source->GetRect());
  source->SaveMaskCopy(source->GetRect());
  source->SetMemoryLock(1);
  std::fill_n(source->GetImage()->Row(0), 18, std::uint8_t{77});

  CLayerPtr copy = CLayerPtr::Adopt(new CLayer(*source));
  EXPECT_EQ(copy->GetUniqueId(), source->GetUniqueId());
  EXPECT_EQ(copy->GetName(), "Source");
  EXPECT_EQ(copy->GetLinkText(), "link");
  EXPECT_EQ(copy->GetOpacity(), source->GetOpacity());
  EXPECT_EQ(copy->GetBlendContext().OpacityTable()[200],
            source->GetBlendContext().OpacityTable()[200]);
  EXPECT_EQ(copy->GetBlendFunction(), &GetBlendMode(kMergeDifference));
  EXPECT_EQ(copy->GetBlendIfActive(), 1);
  EXPECT_EQ(copy->GetBlendContext().blendIfTables[0][20], 0);
  EXPECT_EQ(copy->GetLinkId(), 3);
  EXPECT_EQ(copy->GetGrouped(), 1);
  EXPECT_EQ(copy->GetAddScale(), 15000);
  EXPECT_EQ(copy->GetAddOffset(), -7);
  EXPECT_EQ(copy->GetReplace(), 0u);  // not copied
  EXPECT_EQ(copy->GetMemoryLock(), 0);
  EXPECT_EQ(copy->GetChannelLengths(), (std::vector<std::uint32_t>{10, 20, 30, 40}));
  EXPECT_TRUE(RectsEqual(copy->GetRect(), source->GetRect()));
  EXPECT_TRUE(RectsEqual(copy->GetMaskRect(), source->GetMaskRect()));
  EXPECT_FALSE(copy->IsTransparencyLocked());
  // Own buffers with the same pixels.
  for (auto get : {&CLayer::GetSavedImageCopy, &CLayer::GetSavedMaskCopy, &CLayer::GetAuxBuffer}) {
    ASSERT_TRUE(((*copy).*get)());
    EXPECT_NE(((*copy).*get)().get(), ((*source).*get)().get());
  }
  ASSERT_NE(copy->GetImage().get(), source->GetImage().get());
  EXPECT_EQ(copy->GetImage()->Row(0)[17], 77);
  std::fill_n(copy->GetImage()->Row(0), 18, std::uint8_t{5});
  EXPECT_EQ(source->GetImage()->Row(0)[17], 77);
  source->SetMemoryLock(0);
}

TEST(LayerCopy, ANoMaskSourceLeavesNoMask) {
  CLayerPtr source = MakeLayer(kWAType8Grey, RECT{0, 0, 4, 4}, false);
  CLayerPtr target = MakeLayer(kWAType8Grey, RECT{0, 0, 2, 2}, true);
  target->CopyFrom(source.get());
  EXPECT_FALSE(target->HasMask());
  EXPECT_FALSE(target->GetMask());
  EXPECT_EQ(target->GetDrawEntries(), LayerDrawEntries::kGrey);
  const std::uint64_t id = target->GetUniqueId();
  target->CopyFrom(target.get());  // itself: nothing
  EXPECT_EQ(target->GetUniqueId(), id);
}

TEST(LayerBlend, FunctionAndScaleOffset) {
  CLayerPtr layer = MakeLayer(kWAType24, RECT{0, 0, 1, 1}, false);
  layer->SetBlendFunction(kMergeColorBurn, 1, 0);
  EXPECT_EQ(layer->GetBlendFunction(), &GetBlendMode(kMergeColorBurn));
  layer->SetBlendFunction(25, 0, 1);
  EXPECT_EQ(layer->GetBlendFunction(), &GetBlendMode(kMergeNormal));
  layer->SetAddScaleOffset(5000, 300);
  EXPECT_EQ(layer->GetAddScale(), 10000);
  EXPECT_EQ(layer->GetAddOffset(), 255);
  layer->SetSubtractScaleOffset(30000, -300);
  EXPECT_EQ(layer->GetSubtractScale(), 20000);
  EXPECT_EQ(layer->GetSubtractOffset(), -255);
  layer->SetMergeMode(kMergeAdd);
  EXPECT_EQ(layer->GetBlendFunction(), &GetBlendMode(kMergeAdd));
}

TEST(MergeLayer, OverTheOverlapWithTheSourcesMode) {
  CLayerPtr target = MakeLayer(kWAType8Grey, RECT{0, 0, 6, 1}, false);
  std::fill_n(target->GetImage()->Row(0), 6, std::uint8_t{100});
  CLayerPtr source = MakeLayer(kWAType8Grey, RECT{4, 0, 10, 1}, true);
  std::fill_n(source->GetImage()->Row(0), 6, std::uint8_t{200});
  source->GetMask()->Row(0)[0] = 255;
  source->GetMask()->Row(0)[1] = 128;
  source->SetMergeMode(kMergeMultiply);
  EXPECT_EQ(target->MergeLayer(source.get()), target.get());
  const std::uint8_t* row = target->GetImage()->Row(0);
  EXPECT_EQ(row[3], 100);  // outside the overlap
  EXPECT_EQ(row[4], 78);   // 200 x 100 / 255
  EXPECT_EQ(row[5], (78 * 128 + 100 * 127) / 255);
  EXPECT_EQ(source->GetImage()->Row(0)[0], 200);  // the source is left alone
}

TEST(MergeLayer, NothingAcrossTypesOrWithoutOverlap) {
  CLayerPtr colour = MakeLayer(kWAType24, RECT{0, 0, 4, 4}, false);
  CLayerPtr grey = MakeLayer(kWAType8Grey, RECT{0, 0, 4, 4}, false);
  std::fill_n(grey->GetImage()->Row(0), 4, std::uint8_t{9});
  colour->MergeLayer(grey.get());
  EXPECT_TRUE(AllBytes(colour->GetImage().get(), 0));
  CLayerPtr distant = MakeLayer(kWAType8Grey, RECT{10, 10, 12, 12}, false);
  std::fill_n(distant->GetImage()->Row(0), 2, std::uint8_t{9});
  CLayerPtr other = MakeLayer(kWAType8Grey, RECT{0, 0, 4, 4}, false);
  other->MergeLayer(distant.get());
  other->MergeLayer(nullptr);
  EXPECT_TRUE(AllBytes(other->GetImage().get(), 0));
}

TEST(MergeLayer, ReadsTheSavedCopyAndIgnoresADisabledMask) {
  CLayerPtr target = MakeLayer(kWAType8Grey, RECT{0, 0, 2, 1}, false);
  CLayerPtr source = MakeLayer(kWAType8Grey, RECT{0, 0, 2, 1}, true);  // mask all 0
  std::fill_n(source->GetImage()->Row(0), 2, std::uint8_t{50});
  source->SaveImageCopy(source->GetRect());
  std::fill_n(source->GetImage()->Row(0), 2, std::uint8_t{60});
  target->MergeLayer(source.get());
  EXPECT_EQ(target->GetImage()->Row(0)[0], 0);  // the mask hides everything
  source->EnableMask(0);
  target->MergeLayer(source.get());
  EXPECT_EQ(target->GetImage()->Row(0)[0], 50);  // as shown: the saved copy, no mask
}

TEST(MergeLayer, TargetMaskDecidesWhereUnderlyingRangesApply) {
  CLayerPtr target = MakeLayer(kWAType8Grey, RECT{0, 0, 2, 1}, true);
  std::fill_n(target->GetImage()->Row(0), 2, std::uint8_t{100});
  target->GetMask()->Row(0)[1] = 255;
  CLayerPtr source = MakeLayer(kWAType8Grey, RECT{0, 0, 2, 1}, false);
  std::fill_n(source->GetImage()->Row(0), 2, std::uint8_t{200});
  std::uint8_t ranges[8][4];
  for (auto& r : ranges) r[0] = 0, r[1] = 0, r[2] = 255, r[3] = 255;
  ranges[4][2] = 50, ranges[4][3] = 51;  // underlying above 50 fails
  source->SetBlendIfRanges(ranges);
  target->MergeLayer(source.get());
  EXPECT_EQ(target->GetImage()->Row(0)[0], 200);  // target mask 0: ranges not applied
  EXPECT_EQ(target->GetImage()->Row(0)[1], 100);
  EXPECT_EQ(target->GetMask()->Row(0)[1], 255);  // never written
}

TEST(MergeLayer, DissolveMergesAsTheScreenShowsIt) {
  CLayerPtr source = MakeLayer(kWAType24, RECT{3, 2, 43, 12}, false);
  for (int y = 0; y < 10; ++y) {
    for (int i = 0; i < 120; ++i)
      source->GetImage()->Row(y)[i] = static_cast<std::uint8_t>(i * 3 + y);
  }
  LAYER_INFO info = source->GetLayerInfo();
  info.mergeMode = kMergeDissolve;
  info.opacity = 50;
  source->SetLayerInfo(info);
  CLayerPtr first = MakeLayer(kWAType24, RECT{0, 0, 50, 20}, false);
  CLayerPtr second = MakeLayer(kWAType24, RECT{0, 0, 50, 20}, false);
  first->MergeLayer(source.get());
  second->MergeLayer(source.get());
  // The screen: the same layer composited row by row over covered pixels.
  WAPtr screen = SolidBuffer(kWAType24, 50, 20, 0);
  std::vector<std::uint8_t> cov(40, 255);
  for (int y = 0; y < 10; ++y) {
    CompositeRow24(source->GetBlendContext(), screen->Row(y + 2) + 9, source->GetImage()->Row(y),
                   nullptr, nullptr, 40, cov.data(), 0, y);
  }
  int shown = 0;
  for (int y = 0; y < 20; ++y) {
    for (int i = 0; i < 150; ++i) {
      ASSERT_EQ(first->GetImage()->Row(y)[i], second->GetImage()->Row(y)[i]);
      ASSERT_EQ(first->GetImage()->Row(y)[i], screen->Row(y)[i]) << y << " " << i;
      shown += first->GetImage()->Row(y)[i] != 0;
    }
  }
  EXPECT_GT(shown, 300);  // about half of the 400 pixels, three bytes each
}

}  // namespace
