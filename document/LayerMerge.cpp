#include "document/LayerMerge.h"

#include <vector>

namespace lumora {

namespace {

constexpr int kMerged = 0;
constexpr int kNothingToMerge = 1;
constexpr int kMergeFailed = 16;

bool Hidden(const CLayer* layer) { return layer->IsVisible() == 0; }

// The merged layer takes `reference`'s place above it and becomes active;
// the listed layers go. Deleting them while none is active takes them out
// without ungrouping the layers above, which stay clipped to the merged one.
int Replace(CLayersManager& stack, const std::vector<CLayer*>& list, CLayer* reference, CLayerPtr merged) {
  if (!merged) return kMergeFailed;
  CLayer* layer = merged.get();
  layer->AddRef();
  if (!stack.InsertLayer(reference, layer)) {
    layer->Release();
    return kMergeFailed;
  }
  stack.SetActiveLayer(layer);
  for (CLayer* gone : list) stack.DeleteLayer(gone);
  return kMerged;
}

}  // namespace

int ClassifyMerge(const CLayersManager& stack) {
  const CLayer* active = stack.GetActiveLayer();
  if (stack.GetLayerCount() < 2 || active == nullptr || Hidden(active)) return kMergeNone;
  if (active->GetLinkId() == 0) {
    if (stack.GetGroupBase(active) == active) return kMergeGroup;
    const CLayer* below = stack.GetLayerBelow(active);
    if (below == nullptr || Hidden(below)) return kMergeNone;
    if (active->GetGrouped() != 0 || below->GetGrouped() == 0) return kMergeDown;
    return kMergeNone;
  }
  // Every clipping group lies wholly inside the link set or wholly outside.
  bool allIn = true, allOut = true, baseIn = false;
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer* layer = stack.GetLayer(i);
    const bool inSet = layer->GetLinkId() == active->GetLinkId();
    if (layer->GetGrouped() == 0) {
      allIn = allOut = true;
      baseIn = inSet;
      continue;
    }
    allIn = allIn && baseIn && inSet;
    allOut = allOut && !baseIn && !inSet;
    if (!allIn && !allOut) return kMergeNone;
  }
  return kMergeLinked;
}

int MergeLinkedCore(CLayersManager& stack) {
  CLayer* active = stack.GetActiveLayer();
  if (stack.IsLayerable() == 0 || stack.GetLayerCount() < 2 || active == nullptr) return kNothingToMerge;
  std::vector<CLayer*> list;
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    CLayer* layer = stack.GetLayer(i);
    if (active->GetLinkId() != 0 && layer->GetLinkId() == active->GetLinkId()) list.push_back(layer);
  }
  if (list.size() < 2) return kNothingToMerge;
  DocumentLockScope lock(stack.GetDocument());
  CLayerPtr merged = CLayerPtr::Adopt(stack.MergeLayers(list, active->GetLayerInfo(), 0, RECT{}));
  if (merged) merged->SetGrouped(0);
  return Replace(stack, list, active, std::move(merged));
}

int MergeDownCore(CLayersManager& stack) {
  CLayer* active = stack.GetActiveLayer();
  if (stack.IsLayerable() == 0 || active == nullptr) return kNothingToMerge;
  CLayer* below = stack.GetLayerBelow(active);
  if (below == nullptr) return kNothingToMerge;
  DocumentLockScope lock(stack.GetDocument());
  // Two members of one group merge as plain layers; the result stays in
  // the group.
  const bool bothClipped = active->GetGrouped() != 0 && below->GetGrouped() != 0;
  if (bothClipped) {
    active->SetGrouped(0);
    below->SetGrouped(0);
  }
  const std::vector<CLayer*> list{below, active};
  CLayerPtr merged = CLayerPtr::Adopt(
      stack.MergeLayers(list, active->GetLayerInfo(), 1, RECT{0, 0, stack.GetWidth(), stack.GetHeight()}));
  if (bothClipped) {
    active->SetGrouped(1);
    below->SetGrouped(1);
  }
  if (merged) merged->SetGrouped(bothClipped ? 1 : 0);
  return Replace(stack, list, below, std::move(merged));
}

int MergeGroupCore(CLayersManager& stack) {
  CLayer* active = stack.GetActiveLayer();
  if (stack.IsLayerable() == 0 || active == nullptr) return kNothingToMerge;
  CLayer* base = stack.GetGroupBase(active);
  if (base == nullptr) return kMergeFailed;
  std::vector<CLayer*> list{base};
  for (int i = stack.GetLayerIndex(base) + 1; i < stack.GetLayerCount() && stack.GetLayer(i)->GetGrouped() != 0; ++i)
    list.push_back(stack.GetLayer(i));
  if (list.size() < 2) return kNothingToMerge;
  DocumentLockScope lock(stack.GetDocument());
  CLayerPtr merged = CLayerPtr::Adopt(stack.MergeLayers(list, active->GetLayerInfo(), 0, RECT{}));
  if (merged) merged->SetGrouped(0);
  return Replace(stack, list, active, std::move(merged));
}

int MergeVisibleCore(CLayersManager& stack) {
  if (stack.IsLayerable() == 0 || stack.GetLayerCount() < 2) return kNothingToMerge;
  DocumentLockScope lock(stack.GetDocument());
  const int code = stack.MergeAll(0);
  return code == 0 || code == kNothingToMerge ? code : kMergeFailed;
}

int MergeByKind(CLayersManager& stack) {
  switch (ClassifyMerge(stack)) {
    case kMergeLinked: return MergeLinkedCore(stack);
    case kMergeDown: return MergeDownCore(stack);
    case kMergeGroup: return MergeGroupCore(stack);
    default: return kNothingToMerge;
  }
}

int FlattenCore(CLayersManager& stack, bool compositeCurrent) {
  if (stack.IsLayerable() == 0 || stack.IsFlat()) return kNothingToMerge;
  DocumentLockScope lock(stack.GetDocument());
  if (compositeCurrent) {
    const int code = stack.FlattenCurrentComposite(255, 255, 255);
    // Mask views on screen: the composite is not the merged image.
    if (code != lumora::kLayerNoComposite) return code == 0 ? kMerged : kMergeFailed;
  }
  return stack.Flatten(255, 255, 255) == 0 ? kMerged : kMergeFailed;
}

}  // namespace lumora
