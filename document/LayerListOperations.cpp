// The document's services over its list of layers: adding, inserting,
// deleting, copying and resizing layers and duplicating one into another
// document.
#include <vector>

#include "document/DocumentFiles.h"
#include "document/ImageDocument.h"
#include "platform/rect.h"
#include "platform/text.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 16;

}  // namespace

bool ImageDocument::AddLayer(CLayer* layer, bool withStep) {
  if (!hasImage_ || layer == nullptr || !stack_->CanAddLayer(layer)) return false;
  const auto add = [&](CLayersManager& stack) { return stack.AddLayer(layer) == 0 ? kDone : kFailed; };
  if (withStep) {
    if (LayerStep(IDS_STEP_ADD_LAYER, add) != kDone) return false;
  } else {
    DocumentLockScope lock(this);
    if (add(*stack_) != kDone) return false;
  }
  SetActiveLayer(layer, true, false);
  const RECT rect = layer->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

bool ImageDocument::InsertLayerAt(CLayer* reference, CLayer* layer, bool above, bool makeActive, bool refresh,
                                  bool withStep) {
  if (!hasImage_ || layer == nullptr) return false;
  const auto insert = [&](CLayersManager& stack) {
    // The stack takes a reference of its own.
    layer->AddRef();
    const bool inserted = above ? stack.InsertLayer(reference, layer) : stack.InsertLayerBelow(reference, layer);
    if (!inserted) layer->Release();
    return inserted ? kDone : kFailed;
  };
  if (withStep) {
    if (LayerStep(IDS_STEP_INSERT_LAYER, insert) != kDone) return false;
  } else {
    DocumentLockScope lock(this);
    if (insert(*stack_) != kDone) return false;
  }
  if (makeActive) SetActiveLayer(layer, true, false);
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  if (refresh) {
    const RECT rect = layer->GetRect();
    InvalidateImageRect(&rect, false, false);
  }
  modified_ = true;
  return true;
}

bool ImageDocument::InsertLayer(CLayer* reference, CLayer* layer, bool makeActive, bool refresh, bool withStep) {
  return InsertLayerAt(reference, layer, true, makeActive, refresh, withStep);
}

bool ImageDocument::InsertLayerBelow(CLayer* reference, CLayer* layer, bool makeActive, bool refresh,
                                     bool withStep) {
  return InsertLayerAt(reference, layer, false, makeActive, refresh, withStep);
}

int ImageDocument::InsertNewLayer(const RECT& rect, bool makeActive, bool withStep) {
  if (!hasImage_) return -1;
  LAYER_INFO info;
  InitLayerInfo(info);
  info.name = stack_->MakeUniqueLayerName(std::string(), 0, nullptr);
  CLayerPtr layer;
  try {
    // The default record asks for a mask: the new layer starts transparent.
    layer = CLayerPtr::Adopt(
        new CLayer(&rect, info, stack_->GetImageType(), (info.maskFlags & kMaskAttached) != 0 ? 1 : 0));
  } catch (const std::exception&) {
    return -1;
  }
  if (!InsertLayer(GetActiveLayer(), layer.get(), makeActive, true, withStep)) return -1;
  return stack_->GetLayerIndex(layer.get());
}

bool ImageDocument::DeleteLayer(CLayer* layer, bool withStep, bool paletteOnly) {
  if (!hasImage_ || layer == nullptr || !stack_->CanDeleteLayer(layer)) return false;
  if (withStep && !BackupImage(IDS_STEP_DELETE_LAYER)) return false;
  const RECT former = layer->GetRect();
  const bool wasActive = layer == stack_->GetActiveLayer();
  if (wasActive) {
    // A base leaves its group's members unclipped; a member leaves the
    // members above it in their group.
    if (layer->GetGrouped() == 0) stack_->UngroupLayer(layer);
    SetActiveLayer(stack_->GetNeighbourLayer(layer), false, true);
  }
  int code;
  {
    DocumentLockScope lock(this);
    code = stack_->DeleteLayer(layer);
  }
  if (code != 0) {
    if (withStep) RevertLastBackup();
    return false;
  }
  if (paletteOnly) {
    host_->SelectLayerInPalette(stack_->GetActiveLayer());
  } else {
    host_->UpdateLayerPalette();
  }
  if (wasActive) NotifyImageResizedInAllViews();
  InvalidateImageRect(&former, false, false);
  modified_ = true;
  return true;
}

bool ImageDocument::DeleteActiveLayer() {
  if (!DeleteLayer(GetActiveLayer(), true, false)) return false;
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  return true;
}

CLayer* ImageDocument::CopyLayer(CLayer* layer) {
  if (!hasImage_ || layer == nullptr || stack_->GetLayerIndex(layer) < 0) return nullptr;
  DocumentPreviewOff preview(host_);
  CLayerPtr copy = CLayerPtr::Adopt(stack_->DuplicateLayer(layer));
  if (!copy) return nullptr;
  if (LayerStep(IDS_STEP_COPY_LAYER, [&](CLayersManager& stack) {
        copy->AddRef();
        if (stack.InsertLayer(layer, copy.get())) return kDone;
        copy->Release();
        return kFailed;
      }) != kDone) {
    return nullptr;
  }
  SetActiveLayer(copy.get(), true, false);
  const RECT rect = copy->GetRect();
  LayerChanged(&rect, nullptr);
  return copy.get();
}

bool ImageDocument::ResizeLayer(CLayer* layer, const RECT& rect) {
  if (!hasImage_ || layer == nullptr || stack_->GetLayerIndex(layer) < 0) return false;
  const RECT former = layer->GetRect();
  bool resized;
  {
    DocumentLockScope lock(this);
    resized = layer->SetLayerRect(rect);
  }
  if (!resized) {
    host_->ShowMessageText(FormatWithNames(IDS_CANT_RESIZE_LAYER, {layer->GetName()}), IDS_ERROR_CAPTION);
    return false;
  }
  if (layer == GetActiveLayer()) NotifyImageResizedInAllViews();
  RECT both = former;
  RectUnion(&both, former, layer->GetRect());
  InvalidateImageRect(&both, false, false);
  serverUpdatePending_ = true;
  modified_ = true;
  return true;
}

bool ImageDocument::DuplicateLayer(const std::string& name, ImageDocument* target, bool activate,
                                   const std::string& newDocumentTitle) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr) return false;
  DocumentPreviewOff preview(host_);
  CLayerPtr copy;
  try {
    copy = CLayerPtr::Adopt(active->CreateCopy());
  } catch (const std::exception&) {
  }
  if (copy && !copy->IsWholeCopyOf(*active)) copy.Reset();
  if (copy) {
    LAYER_INFO info = copy->GetLayerInfo();
    info.name = name;
    copy->SetLayerInfo(info);
  }
  if (target == nullptr) {
    if (copy && host_->NewDocumentFromLayer(copy.get(), newDocumentTitle)) return true;
    host_->ShowMessageText(FormatWithNames(IDS_CANT_DOC_FROM_LAYER, {active->GetName()}), IDS_ERROR_CAPTION);
    return false;
  }
  bool inserted = false;
  if (copy && target->HasImage()) {
    CLayersManager& into = *target->GetLayers();
    // The target's layers keep names of their own.
    if (into.IsLayerNameUsed(name, nullptr)) {
      LAYER_INFO info = copy->GetLayerInfo();
      info.name = into.MakeUniqueLayerName(name, 0, nullptr);
      copy->SetLayerInfo(info);
    }
    if (target != this) {
      // Into another image the copy's content lands in that image's middle.
      POINT centre{};
      copy->GetContentCenter(&centre);
      copy->Offset(POINT{(into.GetWidth() + 1) / 2 - centre.x, (into.GetHeight() + 1) / 2 - centre.y});
    }
    inserted = target->InsertLayer(into.GetActiveLayer(), copy.get(), true, true, true);
  }
  if (!inserted) {
    host_->ShowMessageText(FormatWithNames(IDS_CANT_INSERT_LAYER_COPY, {active->GetName(), AnsiToUtf8(target->host_->Title())}),
                           IDS_ERROR_CAPTION);
    return false;
  }
  if (activate) target->host_->ActivateFrames();
  return true;
}

}  // namespace lumora

namespace lumora {

namespace {

// New link ids for the source's link groups: for each id in use there,
// one used neither in `target` nor for another group. False when the ids
// run out.
bool FreshLinkIds(const CLayersManager& source, const CLayersManager& target,
                  std::vector<std::uint16_t>* mapping) {
  mapping->assign(65536, 0);
  std::vector<bool> used(65536, false);
  for (int i = 0; i < target.GetLayerCount(); ++i) used[target.GetLayer(i)->GetLinkId()] = true;
  std::uint32_t next = 1;
  for (int i = 0; i < source.GetLayerCount(); ++i) {
    const std::uint16_t id = source.GetLayer(i)->GetLinkId();
    if (id == 0 || (*mapping)[id] != 0) continue;
    while (next < 65536 && used[next]) ++next;
    if (next >= 65536) return false;
    (*mapping)[id] = static_cast<std::uint16_t>(next);
    used[next] = true;
  }
  return true;
}

}  // namespace

bool ImageDocument::AddLayersOnTop(const CLayersManager& source, POINT offset, std::uint32_t stepId, bool strict) {
  if (!hasImage_ || source.GetLayerCount() == 0) return false;
  std::vector<std::uint16_t> links;
  if (strict && !FreshLinkIds(source, *stack_, &links)) return false;
  if (!BackupImage(stepId)) return false;
  CLayer* last = nullptr;
  bool failed = false;
  {
    DocumentLockScope lock(this);
    for (int i = 0; i < source.GetLayerCount() && !failed; ++i) {
      CLayerPtr layer = CLayerPtr::Adopt(source.GetLayer(i)->CreateCopy());
      layer->Offset(offset);
      if (strict) {
        layer->SetName(stack_->MakeUniqueLayerName(layer->GetName(), 0, nullptr));
        layer->SetLinkId(links[layer->GetLinkId()]);
      }
      if (!stack_->CanAddLayer(layer.get()) || stack_->AddLayer(layer.get()) != 0) {
        failed = strict;
        continue;
      }
      last = layer.get();
    }
  }
  if (failed || last == nullptr) {
    RevertLastBackup();
    return false;
  }
  SetActiveLayer(last, true, false);
  LayerChanged(nullptr, nullptr);
  return true;
}

bool ImageDocument::ShowLayerAt(int index, bool show) {
  CLayer* layer = hasImage_ ? stack_->GetLayer(index) : nullptr;
  if (layer == nullptr || !BackupImage(IDS_STEP_SHOW_LAYER)) return false;
  {
    DocumentLockScope lock(this);
    LAYER_INFO info = layer->GetLayerInfo();
    info.visible = show ? 1 : 0;
    layer->SetLayerInfo(info);
  }
  LayerChanged(nullptr, layer);
  return true;
}

bool ImageDocument::MoveLayerAbove(CLayer* layer, CLayer* reference) {
  if (!hasImage_ || layer == nullptr || layer == reference) return false;
  const int from = stack_->GetLayerIndex(layer);
  const int below = reference != nullptr ? stack_->GetLayerIndex(reference) : -1;
  if (from < 0 || (reference != nullptr && below < 0)) return false;
  // Its index once it sits directly above the reference.
  const int to = from > below ? below + 1 : below;
  if (to == from) return true;
  const bool active = layer == stack_->GetActiveLayer();
  const int code = LayerStep(to > from ? IDS_STEP_BRING_FORWARD : IDS_STEP_SEND_BACKWARD, [&](CLayersManager& stack) {
    if (!stack.RemoveLayer(layer)) return kFailed;
    if (!stack.InsertLayer(reference, layer)) {
      layer->Release();  // the step's revert brings the stack back
      return kFailed;
    }
    if (active) stack.SetActiveLayer(layer);
    return kDone;
  });
  if (code != kDone) return false;
  const RECT rect = layer->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

}  // namespace lumora
