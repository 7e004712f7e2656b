// Cropping the document: every layer cut to a rect as one undo step.
#include "document/ImageDocument.h"
#include "engine/pixels/ImageLimits.h"
#include "platform/rect.h"
#include "res/resource.h"

namespace lumora {

bool ImageDocument::CropImage(const RECT& rect) {
  // Nothing to crop opens no step: a step would empty the redo list.
  if (!hasImage_ || !IsFilledLayerRect(rect) || RectsEqual(rect, RECT{0, 0, stack_->GetWidth(), stack_->GetHeight()}))
    return false;
  // White fills what the rect adds to a layer of a palette type.
  if (!GeometryStep(IDS_CROP_IMAGE_STEP,
                    [&](CLayersManager& stack) { return stack.CropImage(rect, 255, 255, 255) == 1; })) {
    return false;
  }
  // The selection lay over the old image.
  SetSelection(nullptr, false);
  host_->UpdateGlobalSelection();
  return true;
}

}  // namespace lumora
