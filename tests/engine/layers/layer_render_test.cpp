// Rendering the layer stack into its composite pair: coverage, riders,
// clipping groups, mask views and highlights per pass, the merged image,
// and the properties that rendering in cells equals rendering whole and
// that every implementation level gives the same bytes.
#include <gtest/gtest.h>

#include <random>

#include "engine/blend/composite_support.h"
#include "engine/layers/LayerDraw.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/Div255.h"
#include "engine/pixels/WAccess.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::Add;
using lumora::testing::AllBytes;
using lumora::testing::ByteAt;
using lumora::testing::ColourLayer;
using lumora::testing::EmptyStack;
using lumora::testing::kNoMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;
using lumora::testing::SameBytes;
using lumora::testing::SolidBuffer;

void RenderAll(CLayersManager& stack) {
  stack.Render(RECT{0, 0, stack.GetWidth(), stack.GetHeight()});
}

TEST(RenderStack, OpaqueLayerCoversItsRectOnly) {
  CLayersManagerPtr stack = EmptyStack();
  Add(*stack, ColourLayer(RECT{2, 1, 6, 3}, 10, 20, 30));
  RenderAll(*stack);
  WAPtr image = stack->GetCompositeImage(), coverage = stack->GetCompositeMask();
  EXPECT_EQ(PixelAt(image.get(), 2, 1), (Px{10, 20, 30}));
  EXPECT_EQ(ByteAt(coverage.get(), 5, 2), 255);
  EXPECT_EQ(ByteAt(coverage.get(), 6, 2), 0);
  EXPECT_EQ(ByteAt(coverage.get(), 2, 0), 0);
  WAPtr merged = stack->CreateMergedImage(1, 1, 2, 3);
  EXPECT_EQ(PixelAt(merged.get(), 0, 0), (Px{3, 2, 1}));
  EXPECT_EQ(PixelAt(merged.get(), 3, 2), (Px{10, 20, 30}));
  // Rendering a rect partly outside the image clears coverage only inside.
  stack->GetLayer(0)->SetVisible(0);
  stack->Render(RECT{-3, -3, 4, 2});
  EXPECT_EQ(ByteAt(coverage.get(), 3, 1), 0);
  EXPECT_EQ(ByteAt(coverage.get(), 4, 1), 255);
  EXPECT_EQ(ByteAt(coverage.get(), 3, 2), 255);
}

TEST(RenderStack, AWorkLayerRidesOnTheLayerBelow) {
  CLayersManagerPtr stack = EmptyStack();
  CLayer* target = Add(*stack, ColourLayer(RECT{0, 0, 4, 4}, 100, 100, 100));
  const RECT whole{0, 0, 8, 4};
  CLayer* work =
      Add(*stack,
          CLayerPtr::Adopt(new CLayerPaint(&whole, lumora::testing::DefaultInfo(), kWAType24, 1)));
  std::mt19937 rng(3);
  lumora::testing::FillRandom(work->PeekImage(), rng);
  for (int y = 0; y < 4; ++y) std::fill_n(work->PeekMask()->Row(y), 8, std::uint8_t{255});
  ASSERT_EQ(stack->GetLayerAbove(target), work);
  RenderAll(*stack);
  WAPtr image = stack->GetCompositeImage(), coverage = stack->GetCompositeMask();
  EXPECT_EQ(PixelAt(image.get(), 1, 1), PixelAt(work->PeekImage(), 1, 1));
  EXPECT_EQ(ByteAt(coverage.get(), 6, 1), 0);  // not drawn by itself
}

TEST(RenderStack, ClippingGroupsClipToTheBase) {
  CLayersManagerPtr stack = EmptyStack();
  CLayer* base = Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 10, 10, 10, 0));
  for (int y = 0; y < 4; ++y) std::fill_n(base->PeekMask()->Row(y), 4, std::uint8_t{255});
  Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 200, 200, 200))->SetGrouped(1);
  CLayer* top = Add(*stack, ColourLayer(RECT{7, 0, 8, 4}, 50, 50, 50));
  RenderAll(*stack);
  WAPtr image = stack->GetCompositeImage(), coverage = stack->GetCompositeMask();
  EXPECT_EQ(PixelAt(image.get(), 1, 1), (Px{200, 200, 200}));
  EXPECT_EQ(ByteAt(coverage.get(), 5, 1), 0);
  EXPECT_EQ(PixelAt(image.get(), 7, 1), (Px{50, 50, 50}));
  // A hidden base takes its group with it; the layer above still shows.
  base->SetVisible(0);
  RenderAll(*stack);
  EXPECT_EQ(ByteAt(coverage.get(), 1, 1), 0);
  EXPECT_EQ(PixelAt(image.get(), 7, 1), (Px{50, 50, 50}));
  // A base shown as its mask: the group is not drawn into it.
  base->SetVisible(1);
  base->SetHideLayerChannels(1);
  top->SetVisible(0);
  RenderAll(*stack);
  EXPECT_EQ(PixelAt(image.get(), 1, 1), (Px{255, 255, 255}));
  EXPECT_EQ(PixelAt(image.get(), 5, 1), (Px{0, 0, 0}));
  EXPECT_TRUE(AllBytes(coverage.get(), 255));
}

TEST(RenderStack, GroupedLayersWithoutABaseDoNotStall) {
  CLayersManagerPtr stack = EmptyStack();
  Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 9, 9, 9))->SetGrouped(1);
  Add(*stack, ColourLayer(RECT{0, 0, 2, 4}, 7, 7, 7))->SetGrouped(1);
  RenderAll(*stack);
  WAPtr image = stack->GetCompositeImage();
  EXPECT_EQ(PixelAt(image.get(), 0, 0), (Px{7, 7, 7}));
  EXPECT_EQ(PixelAt(image.get(), 5, 0), (Px{9, 9, 9}));
}

TEST(RenderStack, HighlightIsEachStacksOwn) {
  // Two stacks with different highlight colours rendered in turn: each
  // pass uses its own stack's colour and opacity (50 percent: 127).
  auto make = [](int red, int blue) {
    CLayersManagerPtr stack = EmptyStack(2, 1);
    CLayer* layer = Add(*stack, ColourLayer(RECT{0, 0, 2, 1}, 0, 0, 0, 0));
    layer->SetMaskHighlight(1);
    GlobalLayerMaskInfo info;
    SetPSDColorRGB(&info.color, red, 0, blue);
    stack->SetGlobalLayerMask(info);
    return stack;
  };
  CLayersManagerPtr red = make(255, 0), blue = make(0, 255);
  RenderAll(*red);
  RenderAll(*blue);
  RenderAll(*red);
  EXPECT_EQ(PixelAt(red->GetCompositeImage().get(), 0, 0), (Px{0, 0, 255}));
  EXPECT_EQ(ByteAt(red->GetCompositeMask().get(), 0, 0), 127);
  EXPECT_EQ(PixelAt(blue->GetCompositeImage().get(), 1, 0), (Px{255, 0, 0}));
  // The merged image leaves the highlight out.
  WAPtr merged = red->CreateMergedImage(1, 9, 9, 9);
  EXPECT_EQ(PixelAt(merged.get(), 0, 0), (Px{9, 9, 9}));
}

TEST(RenderStack, CompositeBuffersAndUnlayerableStacks) {
  CLayersManagerPtr stack = EmptyStack();
  Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 1, 1, 1));
  WAPtr held = stack->GetCompositeImage();
  EXPECT_FALSE(stack->SetCompositeImage(SolidBuffer(kWAType24, 3, 3, 0).get()));
  EXPECT_FALSE(stack->SetCompositeImage(SolidBuffer(kWAType8Palette, 8, 4, 0).get()));
  EXPECT_EQ(stack->GetCompositeImage(), held);
  WAPtr other = SolidBuffer(kWAType24, 8, 4, 0);
  EXPECT_TRUE(stack->SetCompositeImage(other.get()));
  EXPECT_FALSE(stack->SetCompositeMask(SolidBuffer(kWAType8Grey, 2, 2, 0).get()));
  // A flat stack hands out its own image, or a copy.
  CLayersManagerPtr flat = EmptyStack();
  CLayer* only = Add(*flat, ColourLayer(RECT{0, 0, 8, 4}, 1, 1, 1));
  EXPECT_EQ(flat->CreateMergedImage(0, 0, 0, 0), nullptr);  // no active layer
  flat->SetActiveLayer(only);
  EXPECT_EQ(flat->CreateMergedImage(0, 0, 0, 0).get(), only->PeekImage());
  WAPtr copy = flat->CreateMergedImage(1, 0, 0, 0);
  EXPECT_NE(copy.get(), only->PeekImage());
  EXPECT_TRUE(SameBytes(copy.get(), only->PeekImage()));
  // A palette image renders nothing; its composite is its own image.
  WAPtr palette = SolidBuffer(kWAType8Palette, 4, 2, 6);
  CLayersManagerPtr paletted = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, palette.get()));
  paletted->Render(RECT{0, 0, 4, 2});
  EXPECT_EQ(paletted->GetCompositeImage().get(), palette.get());
  EXPECT_EQ(paletted->GetCompositeMask().get(), nullptr);
  EXPECT_TRUE(AllBytes(palette.get(), 6));
}

// ---- Properties ----

struct Composite {
  WAPtr image, coverage;
};

Composite Snapshot(CLayersManager& stack) {
  return {WAPtr::Adopt(CloneWA(stack.GetCompositeImage().get())),
          WAPtr::Adopt(CloneWA(stack.GetCompositeMask().get()))};
}

void ClearComposite(CLayersManager& stack, std::mt19937& rng) {
  // Pixels that nothing covers keep what they held; start both passes from
  // the same bytes.
  WAPtr image = stack.GetCompositeImage();
  for (int y = 0; y < image->GetH(); ++y) {
    std::fill_n(image->Row(y), image->GetBPLine(), std::uint8_t{0});
  }
  lumora::testing::FillRandomMask(stack.GetCompositeMask().get(), rng);
}

TEST(RenderProperty, CellsGiveTheSamePixelsAsTheWhole) {
  std::mt19937 rng(77);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const int type = round % 3 == 0 ? kWAType8Grey : kWAType24;
    const int w = 5 + static_cast<int>(rng() % 60), h = 3 + static_cast<int>(rng() % 40);
    CLayersManagerPtr stack = lumora::testing::RandomStack(rng, type, w, h, 3 + round % 6);
    ClearComposite(*stack, rng);
    RenderAll(*stack);
    const Composite whole = Snapshot(*stack);
    ClearComposite(*stack, rng);
    const int cw = 1 + static_cast<int>(rng() % w), ch = 1 + static_cast<int>(rng() % h);
    for (int top = 0; top < h; top += ch) {
      for (int left = 0; left < w; left += cw) stack->Render(RECT{left, top, left + cw, top + ch});
    }
    ASSERT_TRUE(SameBytes(stack->GetCompositeImage().get(), whole.image.get()));
    ASSERT_TRUE(SameBytes(stack->GetCompositeMask().get(), whole.coverage.get()));
  }
}

TEST(RenderProperty, EveryLevelRendersTheSameBytes) {
  std::mt19937 rng(91);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const int type = round % 2 == 0 ? kWAType8Grey : kWAType24;
    CLayersManagerPtr stack = lumora::testing::RandomStack(rng, type, 150, 9, 8);
    Composite reference;
    for (CompositeLevel level : lumora::testing::AvailableLevels()) {
      lumora::testing::LevelScope scope(level);
      std::mt19937 same(round);
      ClearComposite(*stack, same);
      RenderAll(*stack);
      if (level == CompositeLevel::kGeneric) {
        reference = Snapshot(*stack);
        continue;
      }
      SCOPED_TRACE(lumora::testing::LevelName(level));
      ASSERT_TRUE(SameBytes(stack->GetCompositeImage().get(), reference.image.get()));
      ASSERT_TRUE(SameBytes(stack->GetCompositeMask().get(), reference.coverage.get()));
    }
  }
}

// The merged image over the background colour: each pixel is the
// background mixed in by what its coverage leaves, with runs of full
// coverage (skipped eight at a time) and odd ends among partial values.
TEST(RenderProperty, OverBackgroundMixesEachPixelByItsCoverage) {
  std::mt19937 rng(5);
  for (const int width : {7, 8, 9, 29, 64}) {
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, 3, nullptr));
    WAPtr coverage = WAPtr::Adopt(NewWA(kWAType8Grey, width, 3, nullptr));
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        coverage->Row(y)[x] = (x / 3 + y) % 4 == 0 ? static_cast<std::uint8_t>(rng() % 256) : 255;
        for (int k = 0; k < 3; ++k) image->Row(y)[3 * x + k] = static_cast<std::uint8_t>(rng() % 256);
      }
    }
    WAPtr before = WAPtr::Adopt(CloneWA(image.get()));
    lumora::detail::OverBackground(image.get(), coverage.get(), 10, 200, 90);
    const int background[3] = {90, 200, 10};  // blue, green, red
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        const int a = coverage->Row(y)[x];
        for (int k = 0; k < 3; ++k) {
          const int p = before->Row(y)[3 * x + k];
          const int want = static_cast<int>(lumora::Div255(static_cast<std::uint32_t>(background[k] * (255 - a) + p * a)));
          ASSERT_EQ(image->Row(y)[3 * x + k], want) << width << " " << x << "," << y << " a " << a;
        }
      }
    }
  }
}

}  // namespace
