// Flat stacks, flattening, merging the visible layers in place and merging
// a list of layers into a new one.
#include <gtest/gtest.h>

#include <string>

#include "engine/layers/LayerMng.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::Add;
using lumora::testing::ColourLayer;
using lumora::testing::DefaultInfo;
using lumora::testing::EmptyStack;
using lumora::testing::kNoMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;

std::string Names(const CLayersManager& stack) {
  std::string s;
  for (int i = 0; i < stack.GetLayerCount(); ++i) s += stack.GetLayer(i)->GetName() + ",";
  return s;
}

TEST(LayerFlat, OnlyAPlainFullLayerIsFlat) {
  const struct {
    const char* what;
    void (*change)(CLayer*);
    bool flat;
  } cases[] = {
      {"plain", [](CLayer*) {}, true},
      {"mask", [](CLayer* l) { l->CreateMask(1); }, false},
      {"offset",
       [](CLayer* l) {
         l->Offset(POINT{1, 0});
       },
       false},
      {"hidden", [](CLayer* l) { l->SetVisible(0); }, false},
      {"opacity", [](CLayer* l) { l->SetOpacity(200); }, false},
      {"multiply", [](CLayer* l) { l->SetMergeMode(kMergeMultiply); }, false},
      {"blend-if",
       [](CLayer* l) {
         LAYER_INFO info = l->GetLayerInfo();
         info.blendIf[0][0] = 10;
         l->SetLayerInfo(info);
       },
       false},
  };
  for (const auto& c : cases) {
    CLayersManagerPtr stack = EmptyStack();
    c.change(Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 1, 2, 3)));
    EXPECT_EQ(stack->IsFlat(), c.flat) << c.what;
  }
  CLayersManagerPtr two = EmptyStack();
  Add(*two, ColourLayer(RECT{0, 0, 8, 4}, 1, 2, 3));
  Add(*two, ColourLayer(RECT{0, 0, 8, 4}, 1, 2, 3));
  EXPECT_FALSE(two->IsFlat());
}

TEST(LayerFlatten, OneLayerOverTheBackgroundWithoutAPriorRender) {
  CLayersManagerPtr stack = EmptyStack();
  Add(*stack, ColourLayer(RECT{0, 0, 4, 4}, 10, 20, 30));
  CLayer* hidden = Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 99, 99, 99));
  hidden->SetVisible(0);
  CLayer* viewed = Add(*stack, ColourLayer(RECT{2, 0, 3, 4}, 50, 60, 70, 255));
  viewed->SetHideLayerChannels(1);  // the mask view is for the screen only
  EXPECT_EQ(stack->Flatten(200, 201, 202), 0);
  ASSERT_EQ(stack->GetLayerCount(), 1);
  CLayer* flat = stack->GetLayer(0);
  EXPECT_EQ(stack->GetActiveLayer(), flat);
  EXPECT_TRUE(stack->IsFlat());
  EXPECT_EQ(PixelAt(flat->PeekImage(), 0, 0), (Px{10, 20, 30}));
  EXPECT_EQ(PixelAt(flat->PeekImage(), 2, 3), (Px{50, 60, 70}));
  EXPECT_EQ(PixelAt(flat->PeekImage(), 7, 3), (Px{202, 201, 200}));
  // The composite shows the flat image, fully covered.
  WAPtr composite = stack->GetCompositeImage();
  WAPtr coverage = stack->GetCompositeMask();
  EXPECT_TRUE(lumora::testing::SameBytes(composite.get(), flat->PeekImage()));
  EXPECT_TRUE(lumora::testing::AllBytes(coverage.get(), 255));
  EXPECT_EQ(EmptyStack()->Flatten(0, 0, 0), 0);
}

TEST(LayerMergeAll, KeepsHiddenLayersInOrderUnlessAsked) {
  for (int removeHidden : {0, 1}) {
    CLayersManagerPtr stack = EmptyStack();
    Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 0, 0, 0, kNoMask, "H1"))->SetVisible(0);
    Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 1, 1, 1, kNoMask, "A"));
    CLayer* b = Add(*stack, ColourLayer(RECT{0, 0, 4, 4}, 2, 2, 2, kNoMask, "B"));
    Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 3, 3, 3, kNoMask, "H2"))->SetVisible(0);
    stack->SetActiveLayer(b);
    EXPECT_EQ(stack->MergeAll(removeHidden), 0);
    EXPECT_EQ(Names(*stack), removeHidden ? "B," : "H1,B,H2,");
    CLayer* merged = stack->GetActiveLayer();
    EXPECT_EQ(merged->GetName(), "B");
    EXPECT_EQ(PixelAt(merged->PeekImage(), 0, 0), (Px{2, 2, 2}));
    EXPECT_EQ(PixelAt(merged->PeekImage(), 7, 0), (Px{1, 1, 1}));
  }
  CLayersManagerPtr one = EmptyStack();
  Add(*one, ColourLayer(RECT{0, 0, 8, 4}, 1, 1, 1));
  EXPECT_EQ(one->MergeAll(0), 1);
}

// A visible layer clipped to a hidden base shows nothing: it is not in the
// merged layer and goes with the other visible layers. A hidden member of
// that group stays grouped with its base, whichever layer was active.
TEST(LayerMergeAll, AVisibleLayerClippedToAHiddenBaseGoes) {
  for (int activeIndex : {0, 1, 2, 3}) {
    SCOPED_TRACE(activeIndex);
    CLayersManagerPtr stack = EmptyStack();
    Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 1, 1, 1, kNoMask, "A"));
    Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 2, 2, 2, kNoMask, "B"))->SetVisible(0);
    Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 3, 3, 3, kNoMask, "C"))->SetGrouped(1);
    CLayer* d = Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 4, 4, 4, kNoMask, "D"));
    d->SetGrouped(1);
    d->SetVisible(0);
    stack->SetActiveLayerByIndex(activeIndex);
    ASSERT_EQ(stack->MergeAll(0), 0);
    const CLayer* merged = stack->GetActiveLayer();
    // The merged layer takes the active layer's name.
    ASSERT_EQ(stack->GetLayerCount(), 3);
    for (int i = 0; i < 3; ++i) {
      const std::string name = stack->GetLayer(i)->GetName();
      EXPECT_TRUE(stack->GetLayer(i) == merged || name == "B" || name == "D") << name;
    }
    const int b = stack->GetLayerIndex(stack->FindLayerByName("B"));
    ASSERT_GE(b, 0);
    EXPECT_EQ(stack->GetLayer(b + 1)->GetName(), "D");
    EXPECT_EQ(stack->GetLayer(b + 1)->GetGrouped(), 1);
    EXPECT_EQ(merged->GetGrouped(), 0);
    EXPECT_EQ(PixelAt(merged->PeekImage(), 0, 0), (Px{1, 1, 1}));
  }
}

TEST(LayerMergeLayers, GroupsClipAndHiddenLayers) {
  CLayersManagerPtr stack = EmptyStack();
  CLayer* base = Add(*stack, ColourLayer(RECT{2, 1, 6, 3}, 10, 10, 10, 0));
  base->PeekMask()->Row(0)[0] = 255;  // one opaque pixel at (2, 1)
  base->SetHideLayerChannels(1);      // display flags are off for the merge
  CLayer* member = Add(*stack, ColourLayer(RECT{0, 0, 8, 4}, 200, 200, 200));
  member->SetGrouped(1);
  CLayerPtr merged =
      CLayerPtr::Adopt(stack->MergeLayers({base, member}, DefaultInfo("M"), 0, RECT{}));
  ASSERT_TRUE(merged);
  // The group never widens the merge: the base's rect, the member inside
  // the base's mask only.
  EXPECT_TRUE(RectsEqual(merged->GetRect(), RECT{2, 1, 6, 3}));
  EXPECT_EQ(merged->GetName(), "M");
  EXPECT_EQ(PixelAt(merged->PeekImage(), 0, 0), (Px{200, 200, 200}));
  EXPECT_EQ(merged->PeekMask()->Row(0)[0], 255);
  EXPECT_EQ(merged->PeekMask()->Row(0)[1], 0);
  EXPECT_EQ(base->GetHideLayerChannels(), 1);
  EXPECT_TRUE(RectsEqual(base->GetRect(), RECT{2, 1, 6, 3}));
  // Clipped to a rect that misses: nothing.
  EXPECT_EQ(stack->MergeLayers({base, member}, DefaultInfo("M"), 1, RECT{7, 3, 8, 4}), nullptr);
  // One hidden layer: its copy; two: nothing.
  member->SetVisible(0);
  base->SetVisible(0);
  CLayerPtr copy = CLayerPtr::Adopt(stack->MergeLayers({member}, DefaultInfo("M"), 0, RECT{}));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetUniqueId(), member->GetUniqueId());
  EXPECT_EQ(stack->MergeLayers({base, member}, DefaultInfo("M"), 0, RECT{}), nullptr);
  EXPECT_EQ(stack->MergeLayers({}, DefaultInfo("M"), 0, RECT{}), nullptr);
}

}  // namespace
