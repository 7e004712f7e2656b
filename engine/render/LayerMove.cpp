// Moving layers in the view: the drag's steps over the render queue's
// immediate path.
#include "engine/render/LayerMove.h"

#include "platform/rect.h"
#include "res/resource.h"

namespace lumora {

std::vector<CLayer*> LayerMove::MovedLayers() const {
  std::vector<CLayer*> layers{layer_};
  CLayersManager* stack = doc_->MoveStack();
  if (linkId_ == 0 || stack == nullptr) return layers;
  for (int i = 0; i < stack->GetLayerCount(); ++i) {
    CLayer* other = stack->GetLayer(i);
    if (other != layer_ && other->GetLinkId() == linkId_) layers.push_back(other);
  }
  return layers;
}

void LayerMove::QueueDeferred() {
  for (CLayer* layer : MovedLayers()) {
    const RECT rect = layer->GetRect();
    doc_->MoveQueue().DeferRect(&rect);
  }
}

bool LayerMove::Begin(LayerMoveDocument& doc, CLayer* layer, POINT imagePoint) {
  CLayersManager* stack = doc.MoveStack();
  if (Running() || layer == nullptr || stack == nullptr || !stack->IsLayerable() || stack->GetLayerIndex(layer) < 0)
    return false;
  doc.MoveQueue().StopThread();
  doc_ = &doc;
  layer_ = layer;
  layer_->AddRef();
  linkId_ = layer->GetLinkId();
  const RECT rect = layer->GetRect();
  grab_ = POINT{imagePoint.x - rect.left, imagePoint.y - rect.top};
  stepped_ = false;
  refused_ = false;
  QueueDeferred();
  // Nothing below the moved layers changes while they move.
  CLayer* lowest = layer_;
  for (CLayer* moved : MovedLayers()) {
    if (stack->GetLayerIndex(moved) < stack->GetLayerIndex(lowest)) lowest = moved;
  }
  stack->BeginMoveRender(lowest);
  return true;
}

bool LayerMove::Track(POINT imagePoint, const Snap& snap) {
  if (!Running() || refused_) return false;
  const std::vector<CLayer*> layers = MovedLayers();
  for (CLayer* layer : layers) {
    if (layer->GetPositionLocked() == 0) continue;
    // Once per drag: the rest of the drag moves nothing.
    refused_ = true;
    doc_->ShowMoveRefusal(layer == layer_ ? IDS_LAYER_LOCKED : IDS_LINKED_LAYERS_LOCKED);
    return false;
  }
  const RECT old = layer_->GetRect();
  POINT d{imagePoint.x - grab_.x - old.left, imagePoint.y - grab_.y - old.top};
  if (d.x == 0 && d.y == 0) return false;
  if (!stepped_) {
    if (!doc_->OpenMoveStep()) return false;
    stepped_ = true;
  }
  if (snap) snap(old, &d);
  doc_->MarkMoved();
  if (d.x == 0 && d.y == 0) return false;
  doc_->MoveSelectionBy(d);
  CMapRect& queue = doc_->MoveQueue();
  for (CLayer* layer : layers) {
    const RECT from = layer->GetRect();
    {
      DocumentLockScope lock(doc_->MoveLock());
      layer->Offset(d);
    }
    const RECT to = layer->GetRect();
    RECT bands[4];
    GetBorderRects(from, to, &bands[0], &bands[1], &bands[2], &bands[3]);
    for (const RECT& band : bands) {
      if (!RectIsEmpty(band)) queue.QueueRectNow(&band);
    }
    queue.QueueRectNow(&to);
  }
  queue.RenderImmediateList();
  return true;
}

bool LayerMove::PrepareAhead(int budget) {
  if (!Running() || budget <= 0) return false;
  CLayersManager* stack = doc_->MoveStack();
  if (stack == nullptr) return false;
  RECT under{0, 0, 0, 0};
  for (CLayer* layer : MovedLayers()) {
    const RECT r = layer->GetRect();
    if (RectIsEmpty(under)) {
      under = r;
    } else if (!RectIsEmpty(r)) {
      RectUnion(&under, under, r);
    }
  }
  if (RectIsEmpty(under)) return false;
  const LONG cell = CLayersManager::kMoveCell;
  const RECT around{under.left - cell, under.top - cell, under.right + cell, under.bottom + cell};
  // The ring's count includes the cells under the layers.
  stack->PrepareMoveCells(under, &budget);
  return stack->PrepareMoveCells(around, &budget) > 0;
}

bool LayerMove::Nudge(LayerMoveDocument& doc, CLayer* layer, int dx, int dy) {
  if (layer == nullptr) return false;
  const RECT rect = layer->GetRect();
  if (!Begin(doc, layer, POINT{rect.left, rect.top})) return false;
  const bool moved = Track(POINT{rect.left + dx, rect.top + dy});
  End();
  return moved;
}

void LayerMove::End() {
  if (!Running()) return;
  QueueDeferred();
  if (CLayersManager* stack = doc_->MoveStack()) stack->EndMoveRender();
  LayerMoveDocument* doc = doc_;
  CLayer* layer = layer_;
  doc_ = nullptr;
  layer_ = nullptr;
  linkId_ = 0;
  doc->MoveQueue().StartThread();
  doc->MoveEnded(layer);
  layer->Release();
}

}  // namespace lumora
