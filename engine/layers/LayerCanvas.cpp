// Changing a layer's canvas: every buffer re-cut to a new rect, the pixels
// of the overlap kept and the rest transparent.
#include <algorithm>

#include "engine/layers/Layer.h"
#include "engine/pixels/ImageLimits.h"
#include "platform/rect.h"

namespace {

// Copies the part of `from` (first pixel at fromPlace's top-left) that
// lies in `toPlace` into `to` (first pixel at toPlace's top-left).
void CopyOverlap(VrWA2000::WA* to, const RECT& toPlace, const VrWA2000::WA* from,
                 const RECT& fromPlace) {
  if (to == nullptr || from == nullptr) return;
  const RECT fromExtent{fromPlace.left, fromPlace.top, fromPlace.left + from->GetW(),
                        fromPlace.top + from->GetH()};
  RECT overlap;
  if (!lumora::RectIntersect(&overlap, toPlace, fromExtent)) return;
  VrWA2000::ReadWriteWA::Copy(to, POINT{overlap.left - toPlace.left, overlap.top - toPlace.top},
                              from,
                              POINT{overlap.left - fromPlace.left, overlap.top - fromPlace.top},
                              lumora::RectWidth(overlap), lumora::RectHeight(overlap), 12);
}

// A zero-filled buffer like `like` (type and palette) of the rect's size,
// holding the overlap of `like` placed at `place`; null without memory.
WAPtr Recut(const VrWA2000::WA* like, const RECT& place, const RECT& newRect) {
  WAPtr out = WAPtr::Adopt(NewWAWithPalette(like->GetType(), lumora::RectWidth(newRect),
                                            lumora::RectHeight(newRect), like->Palette()));
  CopyOverlap(out.get(), newRect, like, place);
  return out;
}

}  // namespace

bool CLayer::SetLayerRect(const RECT& newRect) {
  if (!lumora::IsFilledLayerRect(newRect)) return false;
  if (lumora::RectsEqual(newRect, rect_)) return true;
  RECT overlap;
  if (!lumora::RectIntersect(&overlap, rect_, newRect)) return false;
  if (lumora::RectsEqual(overlap, newRect)) return true;
  return ResizeCanvas(newRect, nullptr);
}

bool CLayer::ResizeCanvas(const RECT& newRect, VrWA2000::WA* image) {
  if (!lumora::IsFilledLayerRect(newRect) || !image_) return false;
  const LONG width = lumora::RectWidth(newRect), height = lumora::RectHeight(newRect);
  if (image != nullptr && (image->GetW() != width || image->GetH() != height)) return false;
  const std::uint32_t resolution = ImageResolution();
  WAPtr newImage = image != nullptr ? WAPtr::Share(image) : Recut(image_.get(), rect_, newRect);
  RECT inside;
  const bool reachesOut =
      !lumora::RectIntersect(&inside, rect_, newRect) || !lumora::RectsEqual(inside, newRect);
  // A layer without a mask gets one when its canvas grows: opaque over the
  // old rect, transparent over the new area.
  WAPtr newMask;
  const bool makeMask = !mask_ && reachesOut;
  if (mask_) {
    newMask = Recut(mask_.get(), maskRect_, newRect);
  } else if (makeMask) {
    newMask = WAPtr::Adopt(NewWA(kWAType8Grey, width, height, nullptr));
    if (newMask && !lumora::RectIsEmpty(inside)) {
      for (LONG y = inside.top; y < inside.bottom; ++y) {
        std::fill_n(newMask->Row(y - newRect.top) + (inside.left - newRect.left),
                    lumora::RectWidth(inside), std::uint8_t{255});
      }
    }
  }
  WAPtr newAux = aux_ ? Recut(aux_.get(), rect_, newRect) : nullptr;
  WAPtr newSavedImage = savedImage_ ? Recut(savedImage_.get(), rect_, newRect) : nullptr;
  WAPtr newSavedMask = savedMask_ ? Recut(savedMask_.get(), rect_, newRect) : nullptr;
  if (!newImage || ((mask_ || makeMask) && !newMask) || (aux_ && !newAux) ||
      (savedImage_ && !newSavedImage) || (savedMask_ && !newSavedMask)) {
    return false;
  }
  if (memoryLocked_) LockBuffers(false);
  image_ = newImage;
  SetDrawEntries(image_->GetType());
  mask_ = newMask;
  aux_ = newAux;
  savedImage_ = newSavedImage;
  savedMask_ = newSavedMask;
  if (memoryLocked_) LockBuffers(true);
  rect_ = newRect;
  if (mask_) {
    maskRect_ = newRect;
    if (makeMask) {
      hasMask_ = 1;
      maskFlags_ =
          static_cast<std::uint8_t>((maskFlags_ | lumora::kMaskAttached) & ~lumora::kMaskDisabled);
      SetTransparencyLock(0);
    }
  }
  SetResolution(resolution);
  ChooseBlendFunction();
  return true;
}

bool CLayer::IsWholeCopyOf(const CLayer& source) const {
  return (!source.image_ || image_) && (!source.mask_ || mask_) && (!source.aux_ || aux_) &&
         (!source.savedImage_ || savedImage_) && (!source.savedMask_ || savedMask_);
}
