// Arranging layers, aligning and distributing linked layers, link ids and
// clipping groups.
#include <gtest/gtest.h>

#include <string>

#include "engine/layers/LayerMng.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ColourLayer;
using lumora::testing::EmptyStack;
using lumora::testing::kNoMask;

// Layers named by the letters, bottom first; a lower-case letter is a
// grouped layer. Each is 2 x 2 at (0, 0).
CLayersManagerPtr Stack(const char* notation) {
  CLayersManagerPtr stack = EmptyStack(100, 100);
  for (const char* c = notation; *c != 0; ++c) {
    const bool grouped = *c >= 'a' && *c <= 'z';
    const char name[2] = {static_cast<char>(grouped ? *c - 'a' + 'A' : *c), 0};
    CLayerPtr layer = ColourLayer(RECT{0, 0, 2, 2}, 0, 0, 0, kNoMask, name);
    layer->SetGrouped(grouped ? 1 : 0);
    stack->AddLayer(layer.get());
  }
  stack->SetActiveLayerByIndex(0);
  return stack;
}

// The stack in the notation of Stack().
std::string Notation(const CLayersManager& stack) {
  std::string s;
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer* l = stack.GetLayer(i);
    s += static_cast<char>(l->GetGrouped() ? l->GetName()[0] - 'A' + 'a' : l->GetName()[0]);
  }
  return s;
}

CLayer* Named(CLayersManager& stack, char name) {
  const char n[2] = {name, 0};
  return stack.FindLayerByName(n);
}

TEST(LayerArrange, MovesKeepGroupsTogether) {
  const struct {
    const char* start;
    char layer;
    unsigned (CLayersManager::*op)(CLayer*);
    unsigned result;
    const char* expected;
  } cases[] = {
      {"ABcdE", 'B', &CLayersManager::BringToFront, 0, "AEBcd"},  // a base takes its members
      {"ABcdE", 'C', &CLayersManager::BringToFront, 0, "ABdEC"},  // a member leaves its group
      {"ABcdE", 'B', &CLayersManager::SendToBack, 0, "BcdAE"},
      {"ABC", 'C', &CLayersManager::BringForward, 1, "ABC"},    // already on top
      {"ABC", 'A', &CLayersManager::SendBackward, 1, "ABC"},    // already at the bottom
      {"ABcD", 'B', &CLayersManager::BringForward, 0, "ACBD"},  // past its member: both free
      {"ABC", 'A', &CLayersManager::BringForward, 0, "BAC"},
      {"ABcD", 'A', &CLayersManager::BringForward, 0, "BacD"},    // joins the base above
      {"ABcdE", 'B', &CLayersManager::SendBackward, 0, "BcdAE"},  // the run passes A
      {"ABC", 'C', &CLayersManager::SendBackward, 0, "ACB"},
  };
  for (const auto& c : cases) {
    CLayersManagerPtr stack = Stack(c.start);
    EXPECT_EQ(((*stack).*c.op)(Named(*stack, c.layer)), c.result) << c.start << " " << c.layer;
    EXPECT_EQ(Notation(*stack), c.expected) << c.start << " " << c.layer;
  }
  CLayersManagerPtr stack = Stack("AB");
  EXPECT_EQ(stack->BringToFront(nullptr), 16u);
  EXPECT_EQ(stack->SendBackward(nullptr), 16u);
}

TEST(LayerArrange, ABaseThatLosesItsGroupDropsItsSavedCopies) {
  CLayersManagerPtr stack = Stack("ABc");
  CLayer* b = Named(*stack, 'B');
  b->SaveImageCopy(b->GetRect());  // the group drawn into it
  ASSERT_NE(b->PeekSavedImage(), nullptr);
  stack->BringToFront(stack->GetLayer(2));
  EXPECT_EQ(b->PeekSavedImage(), nullptr);
}

// Layers at the given left edges, all linked with id 3 (the reference too,
// unless `refLink` says otherwise); each is 10 x 10.
CLayersManagerPtr Row(std::initializer_list<int> lefts, std::uint16_t refLink = 3) {
  CLayersManagerPtr stack = EmptyStack(200, 200);
  for (int left : lefts) {
    CLayerPtr layer = ColourLayer(RECT{left, left / 2, left + 10, left / 2 + 10}, 0, 0, 0);
    layer->SetLinkId(stack->GetLayerCount() == 0 ? refLink : 3);
    stack->AddLayer(layer.get());
  }
  return stack;
}

TEST(LayerAlign, EdgesAndCentres) {
  CLayersManagerPtr stack = Row({40, 0, 100});
  CLayer* ref = stack->GetLayer(0);
  EXPECT_EQ(stack->AlignLinkedLeft(ref), 0u);
  EXPECT_EQ(stack->GetLayer(1)->GetRect().left, 40);
  EXPECT_EQ(stack->GetLayer(2)->GetRect().left, 40);
  EXPECT_EQ(stack->AlignLinkedTop(ref), 0u);  // y1 of each to the reference's
  EXPECT_EQ(stack->GetLayer(2)->GetRect().bottom, 30);
  // A layer with an empty opaque rect stays; one outside the set too.
  CLayersManagerPtr mixed = Row({40, 0, 100});
  mixed->GetLayer(1)->CreateMask(0);
  mixed->GetLayer(2)->SetLinkId(4);
  EXPECT_EQ(mixed->AlignLinkedRight(mixed->GetLayer(0)), 0u);
  EXPECT_EQ(mixed->GetLayer(1)->GetRect().left, 0);
  EXPECT_EQ(mixed->GetLayer(2)->GetRect().left, 100);
  EXPECT_EQ(mixed->AlignLinkedRight(mixed->GetLayer(1)), 1u);  // empty reference
  EXPECT_EQ(mixed->AlignLinkedHCenter(nullptr), 1u);
}

TEST(LayerAlign, AnUnlinkedReferenceMovesNothing) {
  CLayersManagerPtr stack = Row({40, 0, 100}, 0);
  for (int i = 1; i < 3; ++i) stack->GetLayer(i)->SetLinkId(0);
  EXPECT_EQ(stack->AlignLinkedLeft(stack->GetLayer(0)), 1u);
  EXPECT_EQ(stack->DistributeLinkedLeft(stack->GetLayer(0)), 1u);
  EXPECT_EQ(stack->GetLayer(1)->GetRect().left, 0);
  EXPECT_EQ(stack->GetLayer(2)->GetRect().left, 100);
}

TEST(LayerDistribute, EvenStepsAndTooFewLayers) {
  // Top keys (y1) 10, 20 and 50 by bottoms 0, 10, 40: step (40 + 1) / 2 = 20.
  CLayersManagerPtr stack = EmptyStack(200, 200);
  for (int top : {0, 40, 10}) {
    CLayerPtr layer = ColourLayer(RECT{0, top, 10, top + 10}, 0, 0, 0);
    layer->SetLinkId(3);
    stack->AddLayer(layer.get());
  }
  EXPECT_EQ(stack->DistributeLinkedTop(stack->GetLayer(0)), 0u);
  EXPECT_EQ(stack->GetLayer(2)->GetRect().bottom, 30);
  EXPECT_EQ(stack->GetLayer(1)->GetRect().bottom, 50);
  // Horizontal centres 5, 25 (moved) and 105: step (100 + 1) / 2 = 50.
  CLayersManagerPtr row = Row({0, 20, 100});
  EXPECT_EQ(row->DistributeLinkedHCenter(row->GetLayer(0)), 0u);
  EXPECT_EQ(row->GetLayer(1)->GetRect().left, 50);
  // Two linked layers: nothing to spread, and no division by zero.
  CLayersManagerPtr two = Row({0, 30});
  EXPECT_EQ(two->DistributeLinkedLeft(two->GetLayer(0)), 1u);
  EXPECT_EQ(two->GetLayer(1)->GetRect().left, 30);
}

TEST(LayerLinks, IdsLinkAndUnlink) {
  CLayersManagerPtr stack = Stack("ABCDE");
  EXPECT_EQ(stack->GetNewLinkId(), 2);
  CLayer* a = Named(*stack, 'A');
  CLayer* b = Named(*stack, 'B');
  a->SetOpacity(100);  // not a whole percent
  stack->LinkWithActive(b);
  EXPECT_EQ(a->GetLinkId(), 2);
  EXPECT_EQ(b->GetLinkId(), 2);
  EXPECT_EQ(a->GetOpacity(), 100);  // linking leaves the opacity as it was
  stack->SetActiveLayer(Named(*stack, 'C'));
  stack->LinkWithActive(Named(*stack, 'D'));
  stack->LinkWithActive(Named(*stack, 'E'));
  EXPECT_EQ(Named(*stack, 'E')->GetLinkId(), 3);
  // A set of three loses one member; a set of two dissolves and the higher
  // ids move down.
  stack->UnlinkLayer(Named(*stack, 'E'));
  EXPECT_EQ(Named(*stack, 'E')->GetLinkId(), 0);
  EXPECT_EQ(Named(*stack, 'D')->GetLinkId(), 3);
  stack->UnlinkLayer(a);
  EXPECT_EQ(a->GetLinkId(), 0);
  EXPECT_EQ(b->GetLinkId(), 0);
  EXPECT_EQ(Named(*stack, 'C')->GetLinkId(), 2);
  EXPECT_EQ(Named(*stack, 'D')->GetLinkId(), 2);
}

TEST(LayerGroups, BasesGroupingAndUngrouping) {
  CLayersManagerPtr stack = Stack("ABcdE");
  EXPECT_EQ(stack->GetGroupBase(Named(*stack, 'D')), Named(*stack, 'B'));
  EXPECT_EQ(stack->GetGroupBase(Named(*stack, 'B')), Named(*stack, 'B'));
  EXPECT_EQ(stack->GetGroupBase(Named(*stack, 'A')), nullptr);
  CLayersManagerPtr orphan = Stack("aB");
  EXPECT_EQ(orphan->GetGroupBase(orphan->GetLayer(0)), nullptr);
  stack->SetActiveLayer(Named(*stack, 'A'));
  EXPECT_FALSE(stack->CanGroupWithPrevious());  // the bottom layer
  EXPECT_FALSE(stack->CanUngroup());
  stack->SetActiveLayer(Named(*stack, 'E'));
  EXPECT_TRUE(stack->CanGroupWithPrevious());
  Named(*stack, 'E')->SetOpacity(100);  // not a whole percent
  stack->GroupWithPrevious();
  EXPECT_EQ(Notation(*stack), "ABcde");
  EXPECT_EQ(Named(*stack, 'E')->GetOpacity(), 100);
  // Ungrouping a member frees it and every member above it, not those
  // above the active layer.
  stack->SetActiveLayer(Named(*stack, 'A'));
  stack->UngroupLayer(Named(*stack, 'D'));
  EXPECT_EQ(Notation(*stack), "ABcDE");
  stack->SetActiveLayer(Named(*stack, 'B'));
  EXPECT_TRUE(stack->CanUngroup());
  stack->UngroupActive();
  EXPECT_EQ(Notation(*stack), "ABCDE");
}

TEST(LayerGroups, LinkedSetsGroupTogether) {
  CLayersManagerPtr stack = Stack("ABCD");
  for (char n : {'B', 'C', 'D'}) Named(*stack, n)->SetLinkId(2);
  stack->SetActiveLayer(Named(*stack, 'C'));
  EXPECT_TRUE(stack->CanGroupWithPrevious());
  stack->GroupWithPrevious();
  EXPECT_EQ(Notation(*stack), "ABcd");
  CLayersManagerPtr bottom = Stack("ABCD");
  for (char n : {'A', 'B'}) Named(*bottom, n)->SetLinkId(2);
  bottom->SetActiveLayer(Named(*bottom, 'B'));
  EXPECT_FALSE(bottom->CanGroupWithPrevious());  // the set reaches the bottom
  CLayersManagerPtr gap = Stack("ABCD");
  for (char n : {'B', 'D'}) Named(*gap, n)->SetLinkId(2);
  gap->SetActiveLayer(Named(*gap, 'B'));
  EXPECT_FALSE(gap->CanGroupWithPrevious());  // not consecutive
}

}  // namespace
