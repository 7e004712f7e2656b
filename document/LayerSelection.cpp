// Masks made from the selection, and the layer operations that copy, cut,
// clear or mask the selected area of the active layer.
#include "document/LayerSelection.h"

#include <cstring>

#include "document/DocumentFiles.h"
#include "document/ImageDocument.h"
#include "platform/rect.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kDone = 0;
constexpr int kNothingToDo = 1;
constexpr int kFailed = 16;

bool AnyNonZero(const VrWA2000::WA& buffer) {
  for (int y = 0; y < buffer.GetH(); ++y) {
    const std::uint8_t* row = buffer.Row(y);
    for (int x = 0; x < buffer.GetW(); ++x)
      if (row[x] != 0) return true;
  }
  return false;
}

void InvertBuffer(VrWA2000::WA& buffer) {
  for (int y = 0; y < buffer.GetH(); ++y) {
    std::uint8_t* row = buffer.Row(y);
    for (int x = 0; x < buffer.GetW(); ++x) row[x] = static_cast<std::uint8_t>(255 - row[x]);
  }
}

}  // namespace

RECT SelectionReach(const Fragment* selection, const RECT& within) {
  if (selection == nullptr) return RECT{};
  if (IsFrgInverted(selection) != 0) return within;
  if (GetFragmentType(selection) == kFrgEmpty) return RECT{};
  LURECT lu{};
  if (GetFragmentBoundRect(selection, &lu) == 0) return RECT{};
  RECT bounds;
  LURectToRect(&bounds, &lu);
  RECT reach{};
  return RectIntersect(&reach, bounds, within) ? reach : RECT{};
}

Fragment* SelectionToMask(Fragment* selection, const RECT& rect) {
  if (selection == nullptr || RectIsEmpty(rect)) return nullptr;
  LURECT lu{};
  RectToLURect(&lu, &rect);
  Fragment* mask = CreateEmptyMask(&lu);
  if (mask == nullptr) return nullptr;
  if (GetFragmentType(selection) == kFrgMask) {
    if (Fragment* smooth = GetSmoothMask(selection)) {
      PutFragmentToMask(mask, smooth, kFrgAdd);
      DeleteFragment(smooth);
    }
  } else {
    InitAccessToSmoothedEdge(selection);
    PutFragmentToMask(mask, selection, kFrgAdd);
    FreeAccessToSmoothedEdge(selection);
  }
  // The shape went in without its inversion: the coverage takes it here.
  if (IsFrgInverted(selection) != 0) {
    WAPtr buffer = WAPtr::Adopt(GetMaskWA(mask));
    if (!buffer) {
      DeleteFragment(mask);
      return nullptr;
    }
    InvertBuffer(*buffer);
  }
  return mask;
}

CLayer* ImageDocument::MakeLayerFromSelection(Fragment* selection, bool cut) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || selection == nullptr) return nullptr;
  const auto refuse = [&]() -> CLayer* {
    host_->ShowMessageText(FormatWithNames(IDS_NO_PIXELS_SELECTED, {active->GetName()}), IDS_ERROR_CAPTION);
    return nullptr;
  };
  const RECT area = SelectionReach(selection, active->GetRect());
  if (RectIsEmpty(area)) return refuse();
  Fragment* mask = SelectionToMask(selection, area);
  if (mask == nullptr) return refuse();
  CLayerPtr layer;
  {
    DocumentLockScope lock(this);
    layer = CLayerPtr::Adopt(active->CreateLayerFromSelection(mask, cut ? 1 : 0));
  }
  DeleteFragment(mask);
  // Selected pixels that are all transparent make no layer either.
  if (!layer || layer->PeekMask() == nullptr || !AnyNonZero(*layer->PeekMask())) return refuse();
  return layer.Detach();
}

bool ImageDocument::NewLayerViaCopy(Fragment* selection, bool cut) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || selection == nullptr || !BackupImage(IDS_STEP_NEW_LAYER)) return false;
  CLayerPtr layer = CLayerPtr::Adopt(MakeLayerFromSelection(selection, cut));
  bool inserted = false;
  if (layer) {
    layer->SetName(stack_->MakeUniqueLayerName(active->GetName(), 1, nullptr));
    DocumentLockScope lock(this);
    layer->AddRef();
    inserted = stack_->InsertLayer(active, layer.get());
    if (!inserted) layer->Release();
  }
  if (!inserted) {
    RevertLastBackup();
    return false;
  }
  SetActiveLayer(layer.get(), true, false);
  RECT rect = layer->GetRect();
  if (cut) RectUnion(&rect, rect, active->GetRect());
  LayerChanged(&rect, nullptr);
  return true;
}

bool ImageDocument::NewMaskFromSelection(Fragment* selection, bool reveal) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || selection == nullptr) return false;
  // Hiding nothing leaves the layer as it is.
  if (GetFragmentType(selection) == kFrgEmpty && IsFrgInverted(selection) == 0 && !reveal) return true;
  const int code = LayerStep(IDS_STEP_NEW_MASK, [&](CLayersManager& stack) {
    Fragment* mask = SelectionToMask(selection, active->GetRect());
    WAPtr coverage = WAPtr::Adopt(mask != nullptr ? GetMaskWA(mask) : nullptr);
    DeleteFragment(mask);
    if (!coverage) return kFailed;
    // Revealed, the selection is where the layer shows; hidden, the rest.
    if (!reveal) InvertBuffer(*coverage);
    return stack.SetLayerMask(active, coverage.get()) == 0 ? kDone : kFailed;
  });
  if (code != kDone) return false;
  const RECT rect = active->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

bool ImageDocument::ClearSelection(Fragment* selection) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || selection == nullptr) return false;
  const RECT area = SelectionReach(selection, active->GetRect());
  if (RectIsEmpty(area)) return true;
  const int code = LayerStep(IDS_STEP_CLEAR, [&](CLayersManager&) {
    Fragment* mask = SelectionToMask(selection, area);
    if (mask == nullptr) return kFailed;
    // Cutting the area out of the layer clears it; the lifted copy goes.
    CLayerPtr lifted = CLayerPtr::Adopt(active->CreateLayerFromSelection(mask, 1));
    DeleteFragment(mask);
    return lifted ? kDone : kNothingToDo;
  });
  if (code == kNothingToDo) return true;
  if (code != kDone) return false;
  LayerChanged(&area, nullptr);
  return true;
}

}  // namespace lumora
