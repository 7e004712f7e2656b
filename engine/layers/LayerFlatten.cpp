// Reducing layers to one: whether a stack is a plain one-layer image,
// flattening it, merging the visible layers in place, and merging a list of
// layers into a new layer.
#include <algorithm>
#include <cstring>

#include "engine/layers/LayerDraw.h"
#include "engine/layers/LayerMng.h"

using lumora::DocumentLockScope;

bool CLayersManager::IsFlat() const {
  if (layers_.size() != 1) return false;
  const CLayer& layer = *layers_.front();
  const RECT& r = layer.GetRect();
  // Anything that changes how the one layer shows would be lost by saving
  // or flattening its pixels as they are.
  return layer.HasMask() == 0 && r.left == 0 && r.top == 0 && r.right == width_ &&
         r.bottom == height_ && layer.IsVisible() != 0 && layer.GetOpacity() == 255 &&
         layer.GetMergeMode() == lumora::kMergeNormal && layer.GetBlendIfActive() == 0;
}

int CLayersManager::Flatten(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  DocumentLockScope lock(document_);
  if (layers_.empty()) return lumora::kLayerOk;
  const WAPtr merged = CreateMergedImage(1, red, green, blue);
  if (!merged) return lumora::kLayerCannotMake;
  return InstallFlatLayer(merged);
}

int CLayersManager::FlattenCurrentComposite(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  DocumentLockScope lock(document_);
  if (layers_.empty()) return lumora::kLayerOk;
  if (notLayerable_ != 0 || !compositeImage_ || !compositeCoverage_ || compositeImage_->GetW() != width_ ||
      compositeImage_->GetH() != height_ || compositeCoverage_->GetW() != width_ ||
      compositeCoverage_->GetH() != height_) {
    return lumora::kLayerNoComposite;
  }
  for (const CLayer* layer : layers_) {
    if (layer->GetHideLayerChannels() != 0 || layer->GetMaskHighlight() != 0) return lumora::kLayerNoComposite;
  }
  const WAPtr merged = WAPtr::Adopt(CloneWA(compositeImage_.get()));
  if (!merged) return lumora::kLayerCannotMake;
  SetPackedResolution(merged.get(), resolution_);
  lumora::detail::OverBackground(merged.get(), compositeCoverage_.get(), red, green, blue);
  return InstallFlatLayer(merged);
}

int CLayersManager::InstallFlatLayer(const WAPtr& merged) {
  CLayer* flat = nullptr;
  try {
    flat = new CLayer(merged.get(), POINT{0, 0}, 0, nullptr, 0);
  } catch (const std::exception&) {
    return lumora::kLayerCannotMake;
  }
  ReleaseAllLayers();
  layers_.push_back(flat);
  flat->SetResolution(resolution_);
  SetActiveNode(0);
  // The composite shows the flat image at once, fully covered.
  UpdateComposite(merged->GetType());
  if (compositeImage_ && compositeCoverage_ && compositeImage_ != merged) {
    VrWA2000::ReadWriteWA::Copy(compositeImage_.get(), POINT{0, 0}, merged.get(), POINT{0, 0},
                                merged->GetW(), merged->GetH(), 12);
    for (int y = 0; y < compositeCoverage_->GetH(); ++y) {
      std::memset(compositeCoverage_->Row(y), 255,
                  static_cast<std::size_t>(compositeCoverage_->GetW()));
    }
  }
  return lumora::kLayerOk;
}

int CLayersManager::MergeAll(int removeHidden) {
  if (layers_.size() < 2) return 1;
  DocumentLockScope lock(document_);
  LAYER_INFO info;
  if (active_) {
    info = active_->GetLayerInfo();
  } else {
    InitLayerInfo(info);
  }
  CLayer* merged = MergeLayers(layers_, info, 1, RECT{0, 0, width_, height_});
  if (merged == nullptr) return lumora::kLayerNullBuffer;
  CLayer* active = active_.get();
  if (!InsertLayer(active, merged)) {
    merged->Release();
    return lumora::kLayerNullBuffer;
  }
  SetActiveLayer(merged);
  // Every visible layer goes, merged or not (one clipped to a hidden base
  // shows nothing and is not in the merged layer); hidden ones go only when
  // asked, and a hidden member of a visible base's group is a group no more.
  const std::vector<CLayer*> walk = layers_;
  bool baseVisible = true;
  bool haveBase = false;
  for (CLayer* layer : walk) {
    if (layer == merged) continue;
    const bool isBase = layer->GetGrouped() == 0 || !haveBase;
    if (isBase) {
      baseVisible = layer->IsVisible() != 0;
      haveBase = true;
    }
    const bool remove = layer->IsVisible() != 0 || removeHidden != 0;
    if (!remove && !isBase && baseVisible) layer->SetGrouped(0);
    if (remove) TakeAt(IndexOf(layer))->Release();
  }
  // The merged layer is the visible image itself: it is clipped by
  // nothing, and a kept group stays with its hidden base rather than being
  // clipped to the merged layer.
  merged->SetGrouped(0);
  for (int index = IndexOf(merged);
       index + 1 < GetLayerCount() && GetLayer(index + 1)->GetGrouped() != 0; ++index) {
    std::swap(layers_[static_cast<std::size_t>(index)],
              layers_[static_cast<std::size_t>(index + 1)]);
  }
  return lumora::kLayerOk;
}

CLayer* CLayersManager::MergeLayers(const std::vector<CLayer*>& list, const LAYER_INFO& info,
                                    int clip, const RECT& clipRect) {
  if (list.empty()) return nullptr;
  DocumentLockScope lock(document_);
  if (list.size() == 1) {
    CLayer* copy = nullptr;
    try {
      copy = list.front()->CreateCopy();
    } catch (const std::exception&) {
      return nullptr;
    }
    if (!copy->IsWholeCopyOf(*list.front())) {
      copy->Release();
      return nullptr;
    }
    return copy;
  }
  // Grouped layers never widen the merge: they show only over their base.
  RECT mergeRect{};
  bool any = false;
  bool haveBase = false;
  for (const CLayer* layer : list) {
    const bool isBase = layer->GetGrouped() == 0 || !haveBase;
    haveBase = true;
    if (!isBase || layer->IsVisible() == 0) continue;
    lumora::RectUnion(&mergeRect, mergeRect, layer->GetRect());
    any = true;
  }
  if (!any || lumora::RectIsEmpty(mergeRect)) return nullptr;
  if (clip != 0 && !lumora::RectIntersect(&mergeRect, mergeRect, clipRect)) return nullptr;
  const VrWA2000::WA* firstImage = list.front()->PeekImage();
  if (firstImage == nullptr) return nullptr;
  LAYER_INFO mergedInfo;
  mergedInfo.name = info.name;
  InitLayerInfo(mergedInfo);
  const RECT local{0, 0, lumora::RectWidth(mergeRect), lumora::RectHeight(mergeRect)};
  CLayerPtr merged;
  try {
    merged = CLayerPtr::Adopt(new CLayer(&local, mergedInfo, firstImage->GetType(), 1));
  } catch (const std::exception&) {
    return nullptr;
  }
  lumora::detail::DrawArgs args;
  args.dst = merged->PeekImage();
  args.cov = merged->PeekMask();
  args.rect = local;
  args.shift = POINT{-mergeRect.left, -mergeRect.top};
  args.views = false;
  CLayer* pending = nullptr;
  int position = 0;
  const int count = static_cast<int>(list.size());
  while (position < count) {
    CLayer* layer = list[static_cast<std::size_t>(position)];
    if (layer->GetGrouped() != 0 && pending != nullptr) {
      DrawClippingGroup(pending, mergeRect, &position, list, false);
      continue;
    }
    if (pending != nullptr) lumora::detail::DrawCompositeRect(*pending, args);
    pending = layer;
    ++position;
  }
  if (pending != nullptr) lumora::detail::DrawCompositeRect(*pending, args);
  merged->MoveTo(POINT{mergeRect.left, mergeRect.top});
  return merged.Detach();
}
