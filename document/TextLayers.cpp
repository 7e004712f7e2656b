// Text layers as the text tool and the text dialog make and change them:
// placing a new one, its edit step, laying it out again, and the dialog's
// Apply and Cancel.
#include "document/ImageDocument.h"

#include <exception>

#include "hostapi/fragment.h"
#include "platform/rect.h"
#include "res/resource.h"

namespace lumora {

CLayerText* ImageDocument::PlaceNewTextLayer(POINT imagePoint) {
  if (!hasImage_ || stack_ == nullptr) return nullptr;
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayerText(static_cast<int>(stack_->GetImageType())));
  } catch (const std::exception&) {
    return nullptr;
  }
  auto* text = static_cast<CLayerText*>(layer.get());
  text->SetNew(true);
  // Rows count upward: the layer's lower-left pixel is the clicked one.
  text->MoveTo(imagePoint);
  if (!BackupImage(IDS_STEP_TEXT)) return nullptr;
  if (!InsertLayer(GetActiveLayer(), text, true, false, false)) {
    RevertLastBackup();
    return nullptr;
  }
  return text;
}

bool ImageDocument::OpenTextEditStep() {
  if (!hasImage_) return false;
  modified_ = true;
  return BackupImage(IDS_STEP_TEXT);
}

bool ImageDocument::RelayoutTextLayer(CLayerText* layer) {
  if (!hasImage_ || layer == nullptr || stack_->GetLayerIndex(layer) < 0) return false;
  // The layout reuses the layer's buffers: the history keeps its own.
  if (!DetachLayerForWriting(layer)) return false;
  const RECT former = layer->GetRect();
  if (host_->LayoutTextLayer(*layer) != 0) return false;
  RECT both = former;
  RectUnion(&both, former, layer->GetRect());
  NotifyImageResizedInAllViews();
  InvalidateImageRect(&both, false, true);
  host_->UpdateLayerInPalette(layer);
  modified_ = true;
  return true;
}

void ImageDocument::DiscardNewTextLayer(CLayerText* layer) {
  if (!hasImage_ || layer == nullptr || !layer->IsNew() || stack_->GetLayerIndex(layer) < 0) return;
  CLayerPtr keep = CLayerPtr::Share(layer);
  DeleteLayer(layer, false, false);
  // The step the placing opened goes with it.
  RevertLastBackup();
  layer->SetNew(false);
}

bool ImageDocument::ApplyTextSelection(CLayerText* layer, bool selectionMode, int mode) {
  if (!hasImage_ || layer == nullptr) return false;
  if (!layer->IsNew()) {
    modified_ = true;
    return true;
  }
  if (stack_->GetLayerIndex(layer) < 0) return false;
  if (!selectionMode) {
    if (layer->GetCharCount() == 0) {
      // Nothing typed: the layer and its step go, as with Cancel.
      DiscardNewTextLayer(layer);
      return false;
    }
    layer->SetNew(false);
    modified_ = true;
    return true;
  }
  // The text's coverage as a mask over the layer's rect.
  Fragment* shape = nullptr;
  const RECT rect = layer->GetRect();
  if (layer->GetCharCount() > 0 && layer->PeekMask() != nullptr) {
    shape = CreateMaskUsingWA(const_cast<VrWA2000::WA*>(layer->PeekMask()), rect.left, rect.top);
  }
  // The temporary layer and its step go before the selection changes.
  DiscardNewTextLayer(layer);
  if (shape == nullptr) return false;
  Fragment* selection = GetSelection();
  const bool hasSelection = selection != nullptr && !(GetFragmentType(selection) == kFrgEmpty && !IsFrgInverted(selection));
  if (mode == 3 && !hasSelection) {
    // Nothing to take the text from: the selection stays as it is, as an
    // area tool's subtracted shape leaves it.
    DeleteFragment(shape);
    return false;
  }
  Fragment* result = shape;
  if ((mode == 2 || mode == 3) && hasSelection) {
    const FRGITEM first{kFrgAdd, selection};
    Fragment* combined = CreateComplexFrg(1, &first);
    if (combined == nullptr || !AddToComplexFrg(combined, shape, mode == 2 ? kFrgAdd : kFrgSubtract)) {
      if (combined != nullptr) DeleteFragment(combined);
      DeleteFragment(shape);
      return false;
    }
    DeleteFragment(shape);
    result = combined;
  }
  SetSelection(result, true);
  DeleteFragment(result);
  host_->UpdateGlobalSelection();
  modified_ = true;
  return true;
}

}  // namespace lumora
