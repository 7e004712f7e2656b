// The document's layer operations: each one undo step over the layer stack,
// then the screen, the layer palette and the modified mark.
#include <algorithm>

#include "document/ImageDocument.h"
#include "document/DocumentRecorder.h"
#include "document/LayerMerge.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/Dib.h"
#include "engine/pixels/ImageLimits.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kDone = 0;
constexpr int kNothingToDo = 1;
constexpr int kFailed = 16;

}  // namespace

bool ImageDocument::BackupImageEx(std::uint32_t stepId, bool pixelStep) {
  return BackupImageCore(std::string(res::String(stepId)), pixelStep);
}

void ImageDocument::LayerChanged(const RECT* rect, CLayer* row) {
  InvalidateImageRect(rect, false, false);
  if (row != nullptr) {
    host_->UpdateLayerInPalette(row);
  } else {
    host_->UpdateLayerPalette();
    host_->UpdateNavigator();
  }
  modified_ = true;
}

int ImageDocument::LayerStep(std::uint32_t stepId, const std::function<int(CLayersManager&)>& change) {
  if (!hasImage_ || !BackupImage(stepId)) return -1;
  int code;
  {
    DocumentLockScope lock(this);
    code = change(*stack_);
  }
  if (code != kDone) RevertLastBackup();
  return code;
}

bool ImageDocument::EditActiveLayerInfo(std::uint32_t stepId, bool withStep, bool refresh,
                                        const std::function<void(LAYER_INFO&)>& edit) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || (withStep && !BackupImage(stepId))) return false;
  {
    DocumentLockScope lock(this);
    LAYER_INFO info = active->GetLayerInfo();
    edit(info);
    active->SetLayerInfo(info);
  }
  if (refresh) {
    const RECT rect = active->GetRect();
    InvalidateImageRect(&rect, false, false);
  }
  host_->UpdateLayerInPalette(active);
  modified_ = true;
  return true;
}

// ---- Attributes ----

bool ImageDocument::TuneLayer(const std::string& name, const std::string& modeName, int opacity,
                              const std::uint8_t blendIf[8][4]) {
  if (!EditActiveLayerInfo(IDS_STEP_LAYER_TUNING, true, false, [&](LAYER_INFO& info) {
        info.name = name;
        info.mergeMode = GetMergeModeByName(modeName);
        info.opacity = std::clamp(opacity, 0, 100);
        for (int i = 0; i < 8; ++i) std::copy(blendIf[i], blendIf[i] + 4, info.blendIf[i]);
      })) {
    return false;
  }
  LayerChanged(nullptr, nullptr);
  return true;
}

bool ImageDocument::SetLayerWebLink(const std::string& link) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || !BackupImage(IDS_STEP_WEB_LINK)) return false;
  {
    DocumentLockScope lock(this);
    LAYER_INFO info = active->GetLayerInfo();
    info.linkText = link;
    active->SetLayerInfo(info);
  }
  modified_ = true;
  return true;
}

bool ImageDocument::ChangeOpacity() {
  if (!hasImage_) return false;
  // A series goes on only while its step is the newest and nothing was
  // undone: after an undo the current state's name may read the same with
  // redo items waiting, and a change then needs a step of its own.
  if (fields_.name == res::String(IDS_STEP_OPACITY_CHANGE) && undo_.UndoCount() > 0 && undo_.RedoCount() == 0)
    return false;
  return BackupImage(IDS_STEP_OPACITY_CHANGE);
}

bool ImageDocument::ShowLayer(bool show) {
  if (!EditActiveLayerInfo(IDS_STEP_SHOW_LAYER, true, false, [&](LAYER_INFO& info) { info.visible = show ? 1 : 0; }))
    return false;
  InvalidateImageRect(nullptr, false, false);
  return true;
}

bool ImageDocument::SetLayerMergeMode(const std::string& modeName) {
  return EditActiveLayerInfo(IDS_STEP_MERGE_MODE, true, true,
                             [&](LAYER_INFO& info) { info.mergeMode = GetMergeModeByName(modeName); });
}

bool ImageDocument::SetLayerOpacity(int percent, bool withStep) {
  return EditActiveLayerInfo(IDS_STEP_SET_OPACITY, withStep, true,
                             [&](LAYER_INFO& info) { info.opacity = std::clamp(percent, 0, 100); });
}

bool ImageDocument::LockLayerPixels(bool lock, bool withStep) {
  return EditActiveLayerInfo(IDS_STEP_LOCK_PIXELS, withStep, false,
                             [&](LAYER_INFO& info) { info.lockTransparency = lock ? 1 : 0; });
}

bool ImageDocument::LockLayerPosition(bool lock, bool withStep) {
  return EditActiveLayerInfo(IDS_STEP_LOCK_POSITION, withStep, false,
                             [&](LAYER_INFO& info) { info.lockPosition = lock ? 1 : 0; });
}

bool ImageDocument::EditLayerMask(bool edit) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || (edit && active->HasMask() == 0)) return false;
  if (!BackupImage(IDS_STEP_EDIT_MASK)) return false;
  {
    DocumentLockScope lock(this);
    active->SetEditMask(edit ? 1 : 0);
  }
  if (edit) {
    EnterMaskEditMode(true);
  } else {
    LeaveMaskEditMode(true);
  }
  host_->UpdateLayerInPalette(active);
  modified_ = true;
  return true;
}

bool ImageDocument::EnableLayerMask(bool enable) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || active->HasMask() == 0) return false;
  if (active->IsMaskEnabled() == (enable ? 1 : 0)) return true;
  {
    DocumentLockScope lock(this);
    active->EnableMask(enable ? 1 : 0);
  }
  const RECT rect = active->GetRect();
  InvalidateImageRect(&rect, false, false);
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  modified_ = true;
  return true;
}

// ---- Links and groups ----

bool ImageDocument::AddLayerLink(int index) {
  CLayer* active = GetActiveLayer();
  CLayer* layer = hasImage_ ? stack_->GetLayer(index) : nullptr;
  if (active == nullptr || layer == nullptr || layer == active) return false;
  if (LayerStep(IDS_STEP_ADD_LINK, [&](CLayersManager& stack) {
        stack.LinkWithActive(layer);
        return kDone;
      }) != kDone) {
    return false;
  }
  host_->UpdateLayerPalette();
  modified_ = true;
  return true;
}

bool ImageDocument::DeleteLayerLink(int index) {
  CLayer* layer = hasImage_ ? stack_->GetLayer(index) : nullptr;
  if (layer == nullptr || layer->GetLinkId() == 0) return false;
  if (LayerStep(IDS_STEP_DELETE_LINK, [&](CLayersManager& stack) {
        stack.UnlinkLayer(layer);
        return kDone;
      }) != kDone) {
    return false;
  }
  host_->UpdateLayerPalette();
  modified_ = true;
  return true;
}

bool ImageDocument::GroupWithPrevious() {
  if (!hasImage_ || !stack_->CanGroupWithPrevious()) return false;
  if (LayerStep(IDS_STEP_GROUP_LAYERS, [](CLayersManager& stack) {
        stack.GroupWithPrevious();
        return kDone;
      }) != kDone) {
    return false;
  }
  InvalidateImageRect(nullptr, false, false);
  host_->LayerGroupsChanged();
  modified_ = true;
  return true;
}

bool ImageDocument::Ungroup() {
  if (!hasImage_ || !stack_->CanUngroup()) return false;
  if (LayerStep(IDS_STEP_UNGROUP_LAYERS, [](CLayersManager& stack) {
        stack.UngroupActive();
        return kDone;
      }) != kDone) {
    return false;
  }
  InvalidateImageRect(nullptr, false, false);
  host_->LayerGroupsChanged();
  modified_ = true;
  return true;
}

// ---- Order, alignment and distribution ----

bool ImageDocument::ArrangeActive(std::uint32_t stepId, unsigned (CLayersManager::*arrange)(CLayer*)) {
  if (GetActiveLayer() == nullptr) return false;
  const int code = LayerStep(stepId, [&](CLayersManager& stack) {
    const unsigned result = (stack.*arrange)(stack.GetActiveLayer());
    return result <= kNothingToDo ? static_cast<int>(result) : kFailed;
  });
  if (code == kNothingToDo) return true;
  if (code != kDone) return false;
  LayerChanged(nullptr, nullptr);
  return true;
}

namespace {

// A layer at the end it is sent to has nowhere to go.
bool AtTop(const CLayersManager& stack) { return stack.GetLayerAbove(stack.GetActiveLayer()) == nullptr; }
bool AtBottom(const CLayersManager& stack) { return stack.GetLayerBelow(stack.GetActiveLayer()) == nullptr; }

}  // namespace

bool ImageDocument::BringForward() {
  if (hasImage_ && AtTop(*stack_)) return GetActiveLayer() != nullptr;
  return ArrangeActive(IDS_STEP_BRING_FORWARD, &CLayersManager::BringForward);
}

bool ImageDocument::BringToFront() {
  if (hasImage_ && AtTop(*stack_)) return GetActiveLayer() != nullptr;
  return ArrangeActive(IDS_STEP_BRING_TO_FRONT, &CLayersManager::BringToFront);
}

bool ImageDocument::SendBackward() {
  if (hasImage_ && AtBottom(*stack_)) return GetActiveLayer() != nullptr;
  return ArrangeActive(IDS_STEP_SEND_BACKWARD, &CLayersManager::SendBackward);
}

bool ImageDocument::SendToBack() {
  if (hasImage_ && AtBottom(*stack_)) return GetActiveLayer() != nullptr;
  return ArrangeActive(IDS_STEP_SEND_TO_BACK, &CLayersManager::SendToBack);
}

namespace {

using Arrange = unsigned (CLayersManager::*)(CLayer*);

// Choices 0..5: top, vertical centre, bottom, left, horizontal centre, right.
constexpr Arrange kAlign[6] = {&CLayersManager::AlignLinkedTop,  &CLayersManager::AlignLinkedVCenter,
                               &CLayersManager::AlignLinkedBottom, &CLayersManager::AlignLinkedLeft,
                               &CLayersManager::AlignLinkedHCenter, &CLayersManager::AlignLinkedRight};
constexpr Arrange kDistribute[6] = {&CLayersManager::DistributeLinkedTop,  &CLayersManager::DistributeLinkedVCenter,
                                    &CLayersManager::DistributeLinkedBottom, &CLayersManager::DistributeLinkedLeft,
                                    &CLayersManager::DistributeLinkedHCenter, &CLayersManager::DistributeLinkedRight};

// A pixel counts for aligning when its mask value is more than half.
bool HasAlignPixels(const CLayer& layer) {
  RECT opaque;
  layer.GetOpaqueRect(&opaque, 128);
  return !RectIsEmpty(opaque);
}

}  // namespace

bool ImageDocument::AlignLinkedLayers(int choice) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || choice < 0 || choice > 5 || active->GetLinkId() == 0 || !HasAlignPixels(*active))
    return false;
  return ArrangeActive(IDS_STEP_ALIGN, kAlign[choice]);
}

bool ImageDocument::DistributeLinkedLayers(int choice) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || choice < 0 || choice > 5 || active->GetLinkId() == 0 || !HasAlignPixels(*active))
    return false;
  return ArrangeActive(IDS_STEP_DISTRIBUTE, kDistribute[choice]);
}

// ---- Merging ----

bool ImageDocument::FlattenImage() {
  if (!hasImage_ || stack_->GetLayerCount() == 0 || stack_->IsFlat()) return true;
  DocumentPreviewOff preview(host_);
  LeaveMaskEditMode(true);
  // The composite brought up to date is the merged image: no render pass
  // of its own then.
  const bool current = compositeWhole_;
  if (current) queue_.RenderAllNow();
  const int code =
      LayerStep(IDS_STEP_FLATTEN, [current](CLayersManager& stack) { return FlattenCore(stack, current); });
  if (code == kNothingToDo) return true;
  if (code != kDone) return false;
  SetActiveLayer(stack_->GetActiveLayer(), true, false);
  SendNotifyToViews();
  LayerChanged(nullptr, nullptr);
  return true;
}

bool ImageDocument::MergeCommon(int (*core)(CLayersManager&)) {
  if (GetActiveLayer() == nullptr) return false;
  DocumentPreviewOff preview(host_);
  LeaveMaskEditMode(true);
  const int code = LayerStep(IDS_STEP_MERGE_LAYERS, core);
  if (code == kNothingToDo) return true;
  if (code != kDone) return false;
  CLayer* merged = stack_->GetActiveLayer();
  SetActiveLayer(merged, true, false);
  SendNotifyToViews();
  // The merged layer covers what the merged layers showed.
  const RECT rect = merged->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

bool ImageDocument::MergeVisible() { return MergeCommon(MergeVisibleCore); }
bool ImageDocument::MergeLinked() { return MergeCommon(MergeByKind); }

// ---- Whole-image geometry ----

void ImageDocument::ImageResized() {
  queue_.SetImageSize(stack_->GetWidth(), stack_->GetHeight());
  ResetDrawContextInAllViews();
  NotifyImageResizedInAllViews();
  InvalidateImageRect(nullptr, false, false);
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  modified_ = true;
}

bool ImageDocument::GeometryStep(std::uint32_t stepId, const std::function<bool(CLayersManager&)>& change) {
  if (!hasImage_) return false;
  DocumentPreviewOff preview(host_);
  // The worker reads the layers and the size that change here.
  queue_.StopThread();
  const int code = LayerStep(stepId, [&](CLayersManager& stack) { return change(stack) ? kDone : kFailed; });
  if (code != kDone) {
    queue_.StartThread();
    return false;
  }
  ImageResized();
  SetActiveLayer(stack_->GetActiveLayer(), true, false);
  queue_.StartThread();
  return true;
}

bool ImageDocument::ResizeCanvas(const RECT& canvas) {
  // A canvas the image could not take is refused before a step is opened.
  if (!IsImageSize(std::int64_t{canvas.right} - canvas.left, std::int64_t{canvas.bottom} - canvas.top))
    return false;
  return GeometryStep(IDS_STEP_CANVAS_SIZE, [&](CLayersManager& stack) { return stack.ResizeCanvas(canvas) == 0; });
}

bool ImageDocument::ApplyEdge(const std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)>& shape,
                              int lighting, const std::string& shadowName) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || active->HasMask() == 0 || active->PeekMask() == nullptr || lighting < 0 || lighting > 4)
    return false;
  // The shaped mask is a new buffer: the undo snapshot may share the old one.
  const WAPtr mask = WAPtr::Adopt(CloneWA(active->PeekMask()));
  if (!mask) return false;
  const int w = mask->GetW(), h = mask->GetH();
  const std::ptrdiff_t stride = h > 1 ? mask->Row(1) - mask->Row(0) : w;
  if (!shape(mask->Row(0), w, h, stride)) return false;
  CLayerPtr shadow;
  const RECT maskRect = active->GetMaskRect();
  if (lighting != 0) {
    // The shadow falls away from the light (rows count upward).
    const int d = std::max(w, h) * 3 / 100;
    const int dx = lighting == 1 || lighting == 3 ? d : -d;
    const int dy = lighting == 1 || lighting == 2 ? -d : d;
    const RECT place{maskRect.left + dx, maskRect.top + dy, maskRect.right + dx, maskRect.bottom + dy};
    LAYER_INFO info;
    InitLayerInfo(info);
    info.name = !stack_->IsLayerNameUsed(shadowName, nullptr) ? shadowName
                                                               : stack_->MakeUniqueLayerName(shadowName, 0, nullptr);
    const WAPtr shadowMask = WAPtr::Adopt(CloneWA(mask.get()));
    try {
      shadow = CLayerPtr::Adopt(new CLayer(&place, info, stack_->GetImageType(), 0));
    } catch (const std::exception&) {
      return false;
    }
    if (!shadowMask || shadow->SetMask(shadowMask.get()) != kLayerOk) return false;
  }
  const int code = LayerStep(lighting != 0 ? IDS_SHADOW : IDS_STEP_EDGE, [&](CLayersManager& stack) {
    if (active->SetMaskAt(mask.get(), maskRect) != kLayerOk) return kFailed;
    if (shadow) {
      CLayer* fresh = shadow.get();
      fresh->AddRef();
      if (!stack.InsertLayerBelow(active, fresh)) {
        fresh->Release();
        return kFailed;
      }
    }
    return kDone;
  });
  if (code != kDone) return false;
  RECT changed = maskRect;
  if (shadow) RectUnion(&changed, maskRect, shadow->GetRect());
  LayerChanged(&changed, nullptr);
  return true;
}

bool ImageDocument::AddFrameLayer(int border, const std::vector<std::uint8_t>& pictureDib,
                                  const std::vector<std::uint8_t>& maskDib, const std::string& name) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || border < 0) return false;
  const std::int64_t width = std::int64_t{stack_->GetWidth()} + 2 * std::int64_t{border};
  const std::int64_t height = std::int64_t{stack_->GetHeight()} + 2 * std::int64_t{border};
  if (!IsImageSize(width, height)) return false;
  const WAPtr picture = WAPtr::Adopt(DIBToImage(pictureDib.data(), pictureDib.size(), 0));
  const WAPtr mask = WAPtr::Adopt(DIBToImage(maskDib.data(), maskDib.size(), 0));
  if (!picture || !mask || picture->GetW() != width || picture->GetH() != height || mask->GetW() != width ||
      mask->GetH() != height)
    return false;
  LAYER_INFO info = active->GetLayerInfo();
  info.name = !stack_->IsLayerNameUsed(name, nullptr) ? name : stack_->MakeUniqueLayerName(name, 0, nullptr);
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(picture.get(), POINT{0, 0}, 1, mask.get(), info.mergeMode));
  } catch (const std::exception&) {
    return false;
  }
  layer->SetLayerInfo(info);
  const RECT canvas{-border, -border, static_cast<LONG>(width - border), static_cast<LONG>(height - border)};
  // The DIB's 300 is pixels per metre: the stack's resolution is kept as it was.
  return GeometryStep(IDS_STEP_FRAME, [&](CLayersManager& stack) {
    if (stack.ResizeCanvas(canvas) != 0) return false;
    if (stack.AddLayer(layer.get()) != kLayerOk) return false;
    stack.SetActiveLayer(layer.get());
    return true;
  });
}

bool ImageDocument::ResizeImage(int width, int height, int xResolution, int yResolution) {
  return GeometryStep(IDS_STEP_RESIZE_IMAGE, [&](CLayersManager& stack) {
    const std::uint32_t old = stack.GetResolution();
    if (xResolution > 0 && yResolution > 0) {
      stack.SetResolution((static_cast<std::uint32_t>(xResolution) & 0xFFFFu) |
                          ((static_cast<std::uint32_t>(yResolution) & 0xFFFFu) << 16));
    }
    if (stack.ResizeImage(SIZE{width, height}) == 1) return true;
    stack.SetResolution(old);
    return false;
  });
}

bool ImageDocument::RotateImage(double angle, int inRadians) {
  return GeometryStep(IDS_STEP_ROTATE_IMAGE,
                      [&](CLayersManager& stack) { return stack.RotateImage(angle, inRadians) == 1; });
}

bool ImageDocument::FlipImage(bool horizontal, bool vertical) {
  return GeometryStep(IDS_STEP_ROTATE_IMAGE, [&](CLayersManager& stack) {
    return stack.FlipImage(horizontal ? 1 : 0, vertical ? 1 : 0) == 1;
  });
}

// ---- Masks ----

bool ImageDocument::AddLayerMask(bool reveal) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || active->HasMask() != 0) return false;
  if (LayerStep(reveal ? IDS_STEP_REVEAL_ALL : IDS_STEP_HIDE_ALL, [&](CLayersManager&) {
        return active->CreateMask(reveal ? 1 : 0) == 0 ? kDone : kFailed;
      }) != kDone) {
    return false;
  }
  const RECT rect = active->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

bool ImageDocument::RemoveLayerMask(bool apply) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || active->HasMask() == 0) return false;
  DocumentPreviewOff preview(host_);
  if (LayerStep(IDS_STEP_REMOVE_MASK, [&](CLayersManager&) {
        return active->RemoveMask(apply ? 1 : 0, 0, 0xFFFFFFu, 0) == 0 ? kDone : kFailed;
      }) != kDone) {
    return false;
  }
  // The mask's own view goes with the mask.
  LeaveMaskEditMode(true);
  const RECT rect = active->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

// ---- New layers ----

namespace {

// Only a plain new layer replays from its statement.
bool IsPlainLayer(const LAYER_INFO& info) {
  if (!info.linkText.empty() || info.visible == 0 || info.editMask != 0 || info.hideLayerChannels != 0 ||
      info.maskHighlight != 0 || info.lockTransparency != 0 || info.lockPosition != 0)
    return false;
  for (const auto& range : info.blendIf)
    if (range[0] != 0 || range[1] != 0 || range[2] != 255 || range[3] != 255) return false;
  return true;
}

}  // namespace

CLayer* ImageDocument::CreateLayer(const LAYER_INFO& info, bool fill) {
  if (GetActiveLayer() == nullptr) return nullptr;
  if (IsPlainLayer(info)) {
    Recorder().CreateNewLayer(info.name, GetMergeModeName(info.mergeMode), info.opacity, info.grouped,
                              fill ? 1 : 0);
  }
  CLayerPtr layer = CLayerPtr::Adopt(stack_->CreateFilledLayer(info, host_->FillColour(), 0));
  if (!layer || layer->CreateMask(fill ? 1 : 0) != 0) return nullptr;
  layer->SetLayerInfo(info);
  if (LayerStep(IDS_STEP_NEW_LAYER, [&](CLayersManager& stack) {
        CLayer* fresh = layer.get();
        fresh->AddRef();
        if (!stack.InsertLayer(stack.GetActiveLayer(), fresh)) {
          fresh->Release();
          return kFailed;
        }
        // The insertion gives the layer its neighbour's grouping; "group
        // with previous" asks for the group of the layer below.
        if (info.grouped != 0) fresh->SetGrouped(1);
        return kDone;
      }) != kDone) {
    return nullptr;
  }
  SetActiveLayer(layer.get(), true, false);
  const RECT rect = layer->GetRect();
  LayerChanged(&rect, nullptr);
  return layer.get();
}

bool ImageDocument::NewLayer(const std::string& name, const std::string& modeName, int opacity, bool fill,
                             bool group) {
  if (GetActiveLayer() == nullptr) return false;
  LAYER_INFO info;
  InitLayerInfo(info);
  info.name = !name.empty() && !stack_->IsLayerNameUsed(name, nullptr)
                  ? name
                  : stack_->MakeUniqueLayerName(name, 0, nullptr);
  info.mergeMode = GetMergeModeByName(modeName);
  info.opacity = std::clamp(opacity, 0, 100);
  info.grouped = group ? 1 : 0;
  return CreateLayer(info, fill) != nullptr;
}

}  // namespace lumora
