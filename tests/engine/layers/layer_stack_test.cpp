// The layer stack: construction, the list and the active layer, unique
// names, adding, inserting, deleting and removing, layer images and masks
// set through the stack, and the copy for undo snapshots.
#include <gtest/gtest.h>

#include "engine/layers/LayerMng.h"
#include "hostapi/toolhost.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ColourLayer;
using lumora::testing::DefaultInfo;
using lumora::testing::EmptyStack;
using lumora::testing::kNoMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;
using lumora::testing::SolidBuffer;

// A stack of layers named A, B, C... from the bottom, each 8 x 6.
CLayersManagerPtr NamedStack(const char* names) {
  CLayersManagerPtr stack = EmptyStack(8, 6);
  for (const char* n = names; *n != 0; ++n) {
    const char name[2] = {*n, 0};
    CLayerPtr layer = ColourLayer(RECT{0, 0, 8, 6}, 1, 2, 3, kNoMask, name);
    EXPECT_EQ(stack->AddLayer(layer.get()), 0);
  }
  stack->SetActiveLayerByIndex(0);
  return stack;
}

std::string Order(const CLayersManager& stack) {
  std::string s;
  for (int i = 0; i < stack.GetLayerCount(); ++i) s += stack.GetLayer(i)->GetName();
  return s;
}

TEST(LayerStackConstruction, NewImageAndItsFailures) {
  EXPECT_THROW(CLayersManager(kWAType24, nullptr, 0, 5, 0x00600060u, 0, 0), layer_err_params);
  EXPECT_THROW(CLayersManager(kWAType24, nullptr, 5, 0, 0x00600060u, 0, 0), layer_err_params);
  // Sides outside 1..30000 are refused as the other geometry entries refuse
  // them, however little memory the image would take.
  EXPECT_THROW(CLayersManager(kWAType24, nullptr, 1000000, 1, 0x00600060u, 0, 0), layer_err_params);
  EXPECT_THROW(CLayersManager(kWAType24, nullptr, 1, 30001, 0x00600060u, 0, 0), layer_err_params);
  EXPECT_THROW(CLayersManager(kWAType24, nullptr, -4, 2, 0x00600060u, 0, 0), layer_err_params);
  EXPECT_EQ(CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 30000, 1, 0x00600060u, 0, 0))->GetWidth(),
            30000);
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, nullptr, 5, 4, 0x00480060u, RGB(10, 20, 30), 0));
  ASSERT_EQ(stack->GetLayerCount(), 1);
  ASSERT_EQ(stack->GetActiveLayer(), stack->GetLayer(0));
  EXPECT_EQ(PixelAt(stack->GetLayer(0)->PeekImage(), 4, 3), (Px{30, 20, 10}));
  EXPECT_EQ(stack->GetLayer(0)->PeekImage()->GetYRes(), 0x48);
  EXPECT_EQ(stack->GetLayer(0)->GetRefCount(), 2);  // the list and the active layer
  // A grey image: the filled layer is converted to the stack's type.
  CLayersManagerPtr grey = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType8Grey, nullptr, 3, 2, 0x00600060u, RGB(255, 0, 0), 0));
  EXPECT_EQ(grey->GetLayer(0)->PeekImage()->GetType(), kWAType8Grey);
  EXPECT_EQ(grey->GetLayer(0)->PeekImage()->Row(0)[0], 76);
  // A failed fill is recorded and thrown.
  LUResetError();
  VrWA2000::ReadWA::MM_SetMemoryLimits(1000);
  EXPECT_THROW(CLayersManager(kWAType24, nullptr, 100, 100, 0x00600060u, 0, 0), layer_error);
  VrWA2000::ReadWA::MM_SetMemoryLimits(0);
  EXPECT_EQ(LUGetErrorState().source, "LayerMng");
  EXPECT_EQ(LUGetErrorState().line, 182);
  LUResetError();
}

TEST(LayerStackConstruction, AroundAnImageAndAroundALayer) {
  EXPECT_THROW(CLayersManager(nullptr, static_cast<VrWA2000::WA*>(nullptr)), layer_err_params);
  WAPtr image = SolidBuffer(kWAType8Palette, 4, 3, 1);
  CLayersManagerPtr paletted = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, image.get()));
  EXPECT_EQ(paletted->GetImageType(), kWAType8Palette);
  EXPECT_FALSE(paletted->IsLayerable());
  EXPECT_EQ(paletted->GetLayer(0)->GetName(), "Layer 1");

  EXPECT_THROW(CLayersManager(nullptr, static_cast<CLayer*>(nullptr)), layer_bad_layer);
  CLayerPtr layer = ColourLayer(RECT{5, 7, 9, 10}, 1, 2, 3, 255);
  CLayersManagerPtr one = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, layer.get()));
  EXPECT_EQ(one->GetWidth(), 4);
  EXPECT_EQ(one->GetHeight(), 3);
  EXPECT_EQ(one->GetChannelCount(), 4);
  EXPECT_EQ(layer->GetRect().left, 0);
  EXPECT_EQ(one->GetActiveLayer(), layer.get());
  EXPECT_EQ(layer->GetRefCount(), 3);  // ours, the list's and the active layer's
}

TEST(LayerStackList, NeighboursActiveAndDeletion) {
  CLayersManagerPtr stack = NamedStack("ABC");
  CLayer* a = stack->GetLayer(0);
  CLayer* b = stack->GetLayer(1);
  CLayer* c = stack->GetLayer(2);
  EXPECT_EQ(stack->GetLayerAbove(a), b);
  EXPECT_EQ(stack->GetLayerBelow(a), nullptr);
  EXPECT_EQ(stack->GetNeighbourLayer(a), b);
  EXPECT_EQ(stack->GetNeighbourLayer(c), b);
  EXPECT_EQ(stack->SetActiveLayer(b), 0);
  EXPECT_EQ(stack->SetActiveLayerByIndex(7), kLayerBadIndex);
  CLayerPtr stranger = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0);
  EXPECT_EQ(stack->SetActiveLayer(stranger.get()), kLayerNoImage);
  EXPECT_EQ(stack->DeleteLayer(stranger.get()), kLayerNotInList);
  EXPECT_EQ(stack->DeleteLayer(nullptr), kLayerNoImage);
  // The active layer hands over to the one below it...
  EXPECT_EQ(stack->DeleteLayer(b), 0);
  EXPECT_EQ(stack->GetActiveLayer(), a);
  // ...and the active bottom layer to the one above.
  EXPECT_EQ(stack->DeleteLayer(a), 0);
  EXPECT_EQ(stack->GetActiveLayer(), c);
  EXPECT_EQ(stack->DeleteLayer(c), kLayerLastLayer);
  EXPECT_EQ(stack->GetNeighbourLayer(c), c);
  SIZE size{};
  EXPECT_EQ(stack->GetActiveLayerImageSize(0, &size), 0);
  EXPECT_EQ(size.cx, 8);
  EXPECT_EQ(stack->GetActiveLayerImageSize(1, &size), kLayerNoImage);
}

TEST(LayerStackList, IterationAndLookups) {
  CLayersManagerPtr stack = NamedStack("ABCD");
  stack->GetLayer(1)->SetLinkId(5);
  stack->GetLayer(3)->SetLinkId(5);
  stack->GetLayer(0)->SetVisible(0);
  stack->StartIteration();
  EXPECT_EQ(stack->GetNextLinkedLayer(5), stack->GetLayer(1));
  EXPECT_EQ(stack->GetNextLinkedLayer(5), stack->GetLayer(3));
  EXPECT_EQ(stack->GetNextLinkedLayer(5), nullptr);
  stack->StartIteration();
  EXPECT_EQ(stack->GetNextVisibleLayer(), stack->GetLayer(1));
  EXPECT_EQ(stack->StartIterationAt(stack->GetLayer(2)), 2);
  EXPECT_EQ(stack->GetNextLayer(), stack->GetLayer(2));
  EXPECT_EQ(stack->FindLayerByName("C"), stack->GetLayer(2));
  EXPECT_EQ(stack->FindLayerByName("c"), nullptr);
  EXPECT_EQ(stack->FindLayerById(stack->GetLayer(3)->GetUniqueId()), stack->GetLayer(3));
  // Name checks walk on their own: the caller's iteration goes on.
  stack->StartIteration();
  stack->GetNextLayer();
  EXPECT_TRUE(stack->IsLayerNameUsed("D", nullptr));
  EXPECT_EQ(stack->GetNextLayer(), stack->GetLayer(1));
}

TEST(LayerStackNames, UniqueNames) {
  CLayersManagerPtr stack = NamedStack("X");
  stack->GetLayer(0)->SetName("Layer 3");
  CLayerPtr four = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "Layer 4");
  CLayerPtr shape = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "Shape");
  stack->AddLayer(four.get());
  stack->AddLayer(shape.get());
  const struct {
    const char* name;
    int isCopy;
    const char* expected;
  } cases[] = {
      {"", 0, "Layer 5"},        {"Shape", 1, "Shape copy"}, {"Layer 10", 0, "Layer 10"},
      {"Layer 3", 0, "Layer 5"}, {"Shape", 0, "Shape 1"},    {"Layer 4", 1, "Layer 4 copy"},
      {"Layer ", 0, "Layer 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stack->MakeUniqueLayerName(c.name, c.isCopy, nullptr), c.expected) << c.name;
  }
  CLayerPtr copy = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "Shape copy");
  stack->AddLayer(copy.get());
  EXPECT_EQ(stack->MakeUniqueLayerName("Shape", 1, nullptr), "Shape 1");
  EXPECT_EQ(stack->MakeUniqueLayerName("Shape copy", 1, nullptr), "Shape copy 1");
  EXPECT_EQ(stack->MakeUniqueLayerName("Shape", 1, shape.get()), "Shape 1");
  CLayer* dup = stack->DuplicateLayer(shape.get());
  ASSERT_NE(dup, nullptr);
  EXPECT_EQ(dup->GetName(), "Shape 1");
  EXPECT_EQ(dup->GetUniqueId(), shape->GetUniqueId());
  EXPECT_EQ(stack->GetLayerCount(), 4);  // not inserted
  dup->Release();
}

TEST(LayerStackAdd, TypesConversionAndRefusals) {
  CLayersManagerPtr stack = NamedStack("A");
  CLayerPtr grey = lumora::testing::GreyLayer(RECT{0, 0, 2, 2}, 90);
  EXPECT_EQ(stack->AddLayer(grey.get()), 0);
  EXPECT_EQ(grey->PeekImage()->GetType(), kWAType24);  // converted
  EXPECT_EQ(grey->GetImageType(), kWAType24);
  EXPECT_EQ(grey->GetRefCount(), 2);
  EXPECT_EQ(stack->AddLayer(nullptr), kLayerNoImage);
  // A layer that cannot be added says so instead of reporting success.
  CLayerPtr empty = CLayerPtr::Adopt(new CLayer());
  EXPECT_EQ(stack->AddLayer(empty.get()), kLayerCannotConvert);
  CLayersManagerPtr paletted = EmptyStack(8, 6, kWAType8Palette);
  CLayerPtr colour = ColourLayer(RECT{0, 0, 2, 2}, 1, 1, 1);
  EXPECT_EQ(paletted->AddLayer(colour.get()), kLayerCannotConvert);  // no conversion to palette
  EXPECT_EQ(paletted->GetLayerCount(), 0);
  EXPECT_EQ(colour->GetRefCount(), 1);
  EXPECT_EQ(stack->AddLayerFromImage(nullptr, POINT{0, 0}, 1), kLayerNullBuffer);
  WAPtr image = SolidBuffer(kWAType24, 2, 2, 5);
  EXPECT_EQ(stack->AddLayerFromImage(image.get(), POINT{3, 1}, 1), 0);
  EXPECT_EQ(stack->GetActiveLayer()->GetRect().left, 3);
  EXPECT_EQ(stack->GetActiveLayer()->GetRefCount(), 2);
}

TEST(LayerStackInsert, PositionsAndGroups) {
  CLayersManagerPtr stack = NamedStack("AB");
  CLayer* a = stack->GetLayer(0);
  CLayer* b = stack->GetLayer(1);
  b->SetGrouped(1);  // A is the base of B
  CLayer* c = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "C").Detach();
  ASSERT_TRUE(stack->InsertLayer(a, c));  // above a base: joins its group
  EXPECT_EQ(Order(*stack), "ACB");
  EXPECT_EQ(c->GetGrouped(), 1);
  CLayer* d = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "D").Detach();
  ASSERT_TRUE(stack->InsertLayerBelow(a, d));
  EXPECT_EQ(Order(*stack), "DACB");
  EXPECT_EQ(d->GetGrouped(), 0);
  CLayer* e = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "E").Detach();
  ASSERT_TRUE(stack->InsertLayerBelow(nullptr, e));
  ASSERT_TRUE(
      stack->InsertLayer(nullptr, ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0, kNoMask, "F").Detach()));
  EXPECT_EQ(Order(*stack), "FDACBE");
  CLayerPtr stranger = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0);
  EXPECT_FALSE(stack->InsertLayer(stranger.get(), ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0).get()));
  EXPECT_FALSE(stack->InsertLayer(a, nullptr));
  // Removing hands the list's reference over.
  EXPECT_TRUE(stack->RemoveLayer(e));
  EXPECT_FALSE(stack->RemoveLayer(e));
  EXPECT_EQ(e->GetRefCount(), 1);
  e->Release();
}

TEST(LayerStackMaskAndImage, SetOnTheGivenLayer) {
  CLayersManagerPtr stack = NamedStack("AB");
  CLayer* b = stack->GetLayer(1);  // A is active
  WAPtr mask = SolidBuffer(kWAType8Grey, 8, 6, 9);
  EXPECT_EQ(stack->SetLayerMask(b, mask.get()), 0);
  EXPECT_EQ(b->PeekMask(), mask.get());
  EXPECT_EQ(stack->GetLayer(0)->PeekMask(), nullptr);
  EXPECT_EQ(stack->SetLayerMask(nullptr, mask.get()), kLayerNullBuffer);

  // A smaller image cuts the layer and its mask to its size.
  WAPtr smaller = SolidBuffer(kWAType24, 3, 2, 70);
  EXPECT_EQ(stack->SetLayerImage(smaller.get(), b), 0);
  EXPECT_EQ(b->GetRect().right, 3);
  EXPECT_EQ(b->GetRect().bottom, 2);
  EXPECT_EQ(b->PeekMask()->GetW(), 3);
  EXPECT_EQ(b->GetMaskRect().right, 3);
  EXPECT_EQ(b->PeekMask()->Row(1)[2], 9);
  // A larger one grows the layer; the new border is transparent.
  WAPtr larger = SolidBuffer(kWAType24, 5, 2, 80);
  EXPECT_EQ(stack->SetLayerImage(larger.get(), b), 0);
  EXPECT_EQ(b->GetRect().right, 5);
  EXPECT_EQ(b->PeekImage(), larger.get());
  EXPECT_EQ(b->PeekMask()->Row(0)[4], 0);
  // A flat stack keeps its size.
  CLayersManagerPtr flat = NamedStack("A");
  EXPECT_EQ(flat->SetLayerImage(smaller.get(), flat->GetLayer(0)), kLayerNullBuffer);
  EXPECT_EQ(flat->SetImageType(kWAType24), 0);  // the current type succeeds
}

TEST(LayerStackCopy, SnapshotKeepsTheActiveIndexAndFailsWhole) {
  CLayersManagerPtr stack = NamedStack("ABC");
  stack->SetActiveLayerByIndex(1);
  stack->GetLayer(2)->CreateAuxBuffer(1);
  CLayersManagerPtr copy = CLayersManagerPtr::Adopt(new CLayersManager(stack.get()));
  EXPECT_EQ(Order(*copy), "ABC");
  EXPECT_EQ(copy->GetLayerIndex(copy->GetActiveLayer()), 1);
  EXPECT_NE(copy->GetLayer(0), stack->GetLayer(0));
  EXPECT_EQ(copy->GetLayer(0)->GetUniqueId(), stack->GetLayer(0)->GetUniqueId());
  EXPECT_NE(copy->GetLayer(2)->PeekAux(), nullptr);
  // A layer that cannot be copied fails the snapshot; the target is kept.
  const std::uint64_t limit = VrWA2000::ReadWA::MM_BytesInUse() + 300;
  VrWA2000::ReadWA::MM_SetMemoryLimits(limit);
  EXPECT_EQ(copy->CopyFrom(stack.get()), kLayerCannotMake);
  EXPECT_THROW(CLayersManager(stack.get()), layer_err_nomemory);
  VrWA2000::ReadWA::MM_SetMemoryLimits(0);
  EXPECT_EQ(Order(*copy), "ABC");
  EXPECT_EQ(copy->GetLayerCount(), 3);
  // A source whose active layer is not listed gives an active bottom layer.
  CLayer* active = stack->GetActiveLayer();
  stack->RemoveLayer(active);  // the list's reference is ours now
  ASSERT_EQ(copy->CopyFrom(stack.get()), 0);
  EXPECT_EQ(copy->GetLayerIndex(copy->GetActiveLayer()), 0);
  active->Release();
  EXPECT_THROW(CLayersManager(static_cast<const CLayersManager*>(nullptr)), layer_error);
}

TEST(LayerStackFilled, FilledLayerOverTheWholeImage) {
  CLayersManagerPtr stack = NamedStack("A");
  CLayer* layer = stack->CreateFilledLayer(DefaultInfo("Fill"), RGB(1, 2, 3), 1);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->GetRect().right, 8);
  EXPECT_EQ(PixelAt(layer->PeekImage(), 7, 5), (Px{3, 2, 1}));
  EXPECT_EQ(layer->PeekMask()->Row(0)[0], 255);
  EXPECT_EQ(stack->GetLayerCount(), 1);
  layer->Release();
}

}  // namespace
