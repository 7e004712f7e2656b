// Arranging layers in the stack, aligning and distributing linked layers,
// link ids and clipping groups. A clipping group is read from the order
// alone: a grouped layer belongs to the nearest ungrouped layer below it
// (the base), and a base is an ungrouped layer with a grouped one above.
#include <algorithm>

#include "engine/layers/LayerMng.h"
#include "platform/rect.h"

using lumora::DocumentLockScope;

namespace {

enum Edge { kTop, kVCenter, kBottom, kLeft, kHCenter, kRight };

bool Vertical(int edge) { return edge == kTop || edge == kVCenter || edge == kBottom; }

// The opaque rect that aligning and distributing use (mask values from 128
// up), empty for a layer whose mask holds none.
RECT OpaqueRect(const CLayer& layer) {
  RECT r;
  layer.GetOpaqueRect(&r, 128);
  return r;
}

// The edge or centre an alignment matches; centres truncate toward zero.
LONG AlignKey(const RECT& r, int edge) {
  switch (edge) {
    case kTop:
      return r.bottom;
    case kVCenter:
      return r.top + (r.bottom - r.top) / 2;
    case kBottom:
      return r.top;
    case kLeft:
      return r.left;
    case kHCenter:
      return r.left + (r.right - r.left) / 2;
    default:
      return r.right;
  }
}

// The key distributing sorts and spaces by; the centre keys round up.
LONG DistributeKey(const RECT& r, int edge) {
  switch (edge) {
    case kVCenter:
      return r.top + (r.bottom - r.top + 1) / 2;
    case kHCenter:
      return r.left + (r.right - r.left + 1) / 2;
    default:
      return AlignKey(r, edge);
  }
}

void MoveAlong(CLayer* layer, int edge, LONG delta) {
  layer->Offset(Vertical(edge) ? POINT{0, delta} : POINT{delta, 0});
}

}  // namespace

// ---- Groups ----

std::vector<CLayer*> CLayersManager::GroupBases() const {
  std::vector<CLayer*> bases;
  for (std::size_t i = 0; i + 1 < layers_.size(); ++i) {
    if (layers_[i]->GetGrouped() == 0 && layers_[i + 1]->GetGrouped() != 0) {
      bases.push_back(layers_[i]);
    }
  }
  return bases;
}

int CLayersManager::GroupEnd(int index) const {
  int end = index + 1;
  while (end < GetLayerCount() && layers_[static_cast<std::size_t>(end)]->GetGrouped() != 0) ++end;
  return end;
}

void CLayersManager::DropCopiesOfLostBases(const std::vector<CLayer*>& formerBases) {
  // The saved copies of a base hold its group drawn in; once the group is
  // gone they would go on showing it.
  DocumentLockScope lock(document_);
  for (CLayer* layer : formerBases) {
    if (IndexOf(layer) >= 0 && GetGroupBase(layer) != layer) layer->ReleaseSavedCopies();
  }
}

CLayer* CLayersManager::GetGroupBase(const CLayer* layer) const {
  const int index = IndexOf(layer);
  if (index < 0) return nullptr;
  if (layer->GetGrouped() != 0) {
    for (int i = index - 1; i >= 0; --i) {
      if (layers_[static_cast<std::size_t>(i)]->GetGrouped() == 0) return layers_[i];
    }
    return nullptr;
  }
  const CLayer* above = GetLayer(index + 1);
  return above != nullptr && above->GetGrouped() != 0 ? const_cast<CLayer*>(layer) : nullptr;
}

bool CLayersManager::CanGroupWithPrevious() const {
  const CLayer* active = active_.get();
  if (active == nullptr || notLayerable_ != 0 || active->GetGrouped() != 0) return false;
  const int index = IndexOf(active);
  if (index <= 0) return false;
  if (active->GetLinkId() == 0) return true;
  int lowest = -1, highest = -1, count = 0;
  for (int i = 0; i < GetLayerCount(); ++i) {
    const CLayer* layer = layers_[static_cast<std::size_t>(i)];
    if (layer->GetLinkId() != active->GetLinkId()) continue;
    if (layer->GetGrouped() != 0) return false;
    if (lowest < 0) lowest = i;
    highest = i;
    ++count;
  }
  return lowest > 0 && highest - lowest + 1 == count;
}

void CLayersManager::GroupWithPrevious() {
  CLayer* active = active_.get();
  if (active == nullptr) return;
  DocumentLockScope lock(document_);
  const std::vector<CLayer*> bases = GroupBases();
  if (active->GetLinkId() == 0) {
    active->SetGrouped(1);
  } else {
    bool lowest = true;
    for (CLayer* layer : layers_) {
      if (layer->GetLinkId() != active->GetLinkId()) continue;
      if (!lowest) layer->SetGrouped(1);
      lowest = false;
    }
  }
  DropCopiesOfLostBases(bases);
}

bool CLayersManager::CanUngroup() const {
  const CLayer* active = active_.get();
  if (active == nullptr || notLayerable_ != 0) return false;
  const CLayer* above = GetLayerAbove(active);
  return active->GetGrouped() != 0 || (above != nullptr && above->GetGrouped() != 0);
}

void CLayersManager::UngroupActive() { UngroupLayer(active_.get()); }

void CLayersManager::UngroupLayer(CLayer* layer) {
  const int index = IndexOf(layer);
  if (index < 0) return;
  DocumentLockScope lock(document_);
  const std::vector<CLayer*> bases = GroupBases();
  CLayer* below = GetLayer(index - 1);
  if (layer->GetGrouped() != 0) {
    if (below != nullptr && below->GetGrouped() == 0) below->ReleaseSavedCopies();
  } else {
    layer->ReleaseSavedCopies();
  }
  layer->SetGrouped(0);
  const int end = GroupEnd(index);
  for (int i = index + 1; i < end; ++i) layers_[static_cast<std::size_t>(i)]->SetGrouped(0);
  DropCopiesOfLostBases(bases);
}

// ---- Links ----

std::uint16_t CLayersManager::GetNewLinkId() const {
  if (layers_.empty()) return 2;
  std::uint16_t largest = 1;
  for (const CLayer* layer : layers_) largest = std::max(largest, layer->GetLinkId());
  return static_cast<std::uint16_t>(largest + 1);
}

void CLayersManager::LinkWithActive(CLayer* layer) {
  CLayer* active = active_.get();
  if (layer == nullptr || active == nullptr) return;
  DocumentLockScope lock(document_);
  if (active->GetLinkId() == 0) active->SetLinkId(GetNewLinkId());
  layer->SetLinkId(active->GetLinkId());
}

void CLayersManager::UnlinkLayer(CLayer* layer) {
  if (layer == nullptr || layer->GetLinkId() == 0) return;
  DocumentLockScope lock(document_);
  const std::uint16_t id = layer->GetLinkId();
  const auto members = std::count_if(layers_.begin(), layers_.end(),
                                     [id](const CLayer* l) { return l->GetLinkId() == id; });
  if (members != 2) {
    layer->SetLinkId(0);
    return;
  }
  // A set of two dissolves; the ids above it move down to stay dense.
  for (CLayer* l : layers_) {
    if (l->GetLinkId() == id) {
      l->SetLinkId(0);
    } else if (l->GetLinkId() > id) {
      l->SetLinkId(static_cast<std::uint16_t>(l->GetLinkId() - 1));
    }
  }
}

// ---- Arrange ----

unsigned CLayersManager::MoveToEnd(CLayer* layer, bool toTop) {
  if (layer == nullptr) return 16;
  DocumentLockScope lock(document_);
  const int index = IndexOf(layer);
  if (index < 0) return 16;
  const std::vector<CLayer*> bases = GroupBases();
  // A base takes its members along.
  const auto first = layers_.begin() + index;
  const auto last = layers_.begin() + (layer->GetGrouped() == 0 ? GroupEnd(index) : index + 1);
  if (toTop) {
    std::rotate(first, last, layers_.end());
  } else {
    std::rotate(layers_.begin(), first, last);
  }
  layer->SetGrouped(0);
  DropCopiesOfLostBases(bases);
  return 0;
}

unsigned CLayersManager::BringToFront(CLayer* layer) { return MoveToEnd(layer, true); }

unsigned CLayersManager::SendToBack(CLayer* layer) { return MoveToEnd(layer, false); }

unsigned CLayersManager::BringForward(CLayer* layer) {
  if (layer == nullptr) return 16;
  DocumentLockScope lock(document_);
  const int index = IndexOf(layer);
  if (index < 0) return 16;
  CLayer* above = GetLayer(index + 1);
  if (above == nullptr) return 1;
  const std::vector<CLayer*> bases = GroupBases();
  const bool aboveGrouped = above->GetGrouped() != 0, wasGrouped = layer->GetGrouped() != 0;
  TakeAt(index);
  // Put back as InsertLayer does: L joins the group of the layer above.
  layer->SetGrouped(GetGroupBase(above) == above ? 1 : above->GetGrouped());
  InsertAt(index + 1, layer);
  if (aboveGrouped && !wasGrouped) {
    // The base passed its first member: neither is grouped any more.
    layer->SetGrouped(0);
    above->SetGrouped(0);
  }
  DropCopiesOfLostBases(bases);
  return 0;
}

unsigned CLayersManager::SendBackward(CLayer* layer) {
  if (layer == nullptr) return 16;
  DocumentLockScope lock(document_);
  const int index = IndexOf(layer);
  if (index < 0) return 16;
  CLayer* below = GetLayer(index - 1);
  if (below == nullptr) return 1;
  const std::vector<CLayer*> bases = GroupBases();
  const CLayer* above = GetLayer(index + 1);
  if (layer->GetGrouped() == 0 && above != nullptr && above->GetGrouped() != 0) {
    // A base and its members stay together; the layer below moves above
    // them and the base takes its grouped flag.
    const int end = GroupEnd(index);
    const int belowGrouped = below->GetGrouped();
    std::rotate(layers_.begin() + index - 1, layers_.begin() + index, layers_.begin() + end);
    layer->SetGrouped(belowGrouped);
  } else {
    TakeAt(index);
    layer->SetGrouped(below->GetGrouped());
    InsertAt(index - 1, layer);
  }
  DropCopiesOfLostBases(bases);
  return 0;
}

// ---- Align and distribute ----

unsigned CLayersManager::Align(CLayer* reference, int edge) {
  if (reference == nullptr) return 1;
  // Unlinked layers form no set: nothing moves with them.
  const std::uint16_t id = reference->GetLinkId();
  const RECT target = OpaqueRect(*reference);
  if (id == 0 || lumora::RectIsEmpty(target)) return 1;
  DocumentLockScope lock(document_);
  for (CLayer* layer : layers_) {
    if (layer == reference || layer->GetLinkId() != id) continue;
    const RECT r = OpaqueRect(*layer);
    if (lumora::RectIsEmpty(r)) continue;
    MoveAlong(layer, edge, AlignKey(target, edge) - AlignKey(r, edge));
  }
  return 0;
}

unsigned CLayersManager::Distribute(CLayer* reference, int edge) {
  if (reference == nullptr) return 1;
  const std::uint16_t id = reference->GetLinkId();
  if (id == 0 || lumora::RectIsEmpty(OpaqueRect(*reference))) return 1;
  struct Member {
    CLayer* layer;
    RECT rect;
  };
  DocumentLockScope lock(document_);
  std::vector<Member> members;
  for (CLayer* layer : layers_) {
    if (layer->GetLinkId() != id) continue;
    const RECT r = OpaqueRect(*layer);
    if (!lumora::RectIsEmpty(r)) members.push_back({layer, r});
  }
  // Two layers are already spread; fewer leave no step to take.
  const int n = static_cast<int>(members.size());
  if (n < 3) return 1;
  std::stable_sort(members.begin(), members.end(), [edge](const Member& a, const Member& b) {
    return DistributeKey(a.rect, edge) < DistributeKey(b.rect, edge);
  });
  const Member& first = members.front();
  const LONG step =
      (DistributeKey(members.back().rect, edge) - DistributeKey(first.rect, edge) + n - 2) /
      (n - 1);
  for (int i = 1; i + 1 < n; ++i) {
    const Member& m = members[static_cast<std::size_t>(i)];
    MoveAlong(m.layer, edge, i * step - AlignKey(m.rect, edge) + AlignKey(first.rect, edge));
  }
  return 0;
}

unsigned CLayersManager::AlignLinkedTop(CLayer* layer) { return Align(layer, kTop); }
unsigned CLayersManager::AlignLinkedVCenter(CLayer* layer) { return Align(layer, kVCenter); }
unsigned CLayersManager::AlignLinkedBottom(CLayer* layer) { return Align(layer, kBottom); }
unsigned CLayersManager::AlignLinkedLeft(CLayer* layer) { return Align(layer, kLeft); }
unsigned CLayersManager::AlignLinkedHCenter(CLayer* layer) { return Align(layer, kHCenter); }
unsigned CLayersManager::AlignLinkedRight(CLayer* layer) { return Align(layer, kRight); }
unsigned CLayersManager::DistributeLinkedTop(CLayer* layer) { return Distribute(layer, kTop); }
unsigned CLayersManager::DistributeLinkedVCenter(CLayer* layer) {
  return Distribute(layer, kVCenter);
}
unsigned CLayersManager::DistributeLinkedBottom(CLayer* layer) {
  return Distribute(layer, kBottom);
}
unsigned CLayersManager::DistributeLinkedLeft(CLayer* layer) { return Distribute(layer, kLeft); }
unsigned CLayersManager::DistributeLinkedHCenter(CLayer* layer) {
  return Distribute(layer, kHCenter);
}
unsigned CLayersManager::DistributeLinkedRight(CLayer* layer) { return Distribute(layer, kRight); }
