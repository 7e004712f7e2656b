// Copying a layer, merging one layer's pixels into another's, and the
// blend parameters.
#include <algorithm>
#include <memory>

#include "engine/blend/CompositeRows.h"
#include "engine/layers/Layer.h"
#include "platform/rect.h"

void CLayer::SetBlendFunction(int mode, int, int) {
  blend_.blendFunction = &lumora::GetBlendMode(mode);
}

void CLayer::SetAddScaleOffset(int scale, int offset) {
  blend_.addScale = static_cast<std::uint16_t>(std::clamp(scale, 10000, 20000));
  blend_.addOffset = static_cast<std::int16_t>(std::clamp(offset, -255, 255));
}

void CLayer::SetSubtractScaleOffset(int scale, int offset) {
  blend_.subtractScale = static_cast<std::uint16_t>(std::clamp(scale, 10000, 20000));
  blend_.subtractOffset = static_cast<std::int16_t>(std::clamp(offset, -255, 255));
}

void CLayer::CopyFrom(const CLayer* source) { CopyLayer(source, lumora::LayerBuffers::kClone); }

void CLayer::CopyLayer(const CLayer* source, lumora::LayerBuffers buffers) {
  if (source == nullptr || source == this) return;
  // The copy's buffers are unlocked; the old ones, which others may
  // share, are unlocked before they go.
  if (memoryLocked_) LockBuffers(false);
  memoryLocked_ = 0;
  blend_.uniqueId = source->blend_.uniqueId;
  channelIds_ = source->channelIds_;
  channelLengths_ = source->channelLengths_;
  hasMask_ = source->hasMask_;
  maskRect_ = source->maskRect_;
  blendRangesPresent_ = source->blendRangesPresent_;
  name_ = source->name_;
  linkText_ = source->linkText_;
  maskDefaultColor_ = source->maskDefaultColor_;
  maskFlags_ = source->maskFlags_;
  imageType_ = source->imageType_;
  rect_ = source->rect_;
  blend_.SetOpacity(source->blend_.Opacity());
  blend_.mergeMode = source->blend_.mergeMode;
  flags_ = source->flags_;
  linkId_ = source->linkId_;
  positionLocked_ = source->positionLocked_;
  for (int k = 0; k < 8; ++k) {
    std::copy(source->blend_.blendIfRanges[k], source->blend_.blendIfRanges[k] + 4,
              blend_.blendIfRanges[k]);
  }
  blend_.RebuildBlendIfTables();
  blend_.blendIfActive = source->blend_.blendIfActive;
  editMask_ = source->editMask_;
  hideLayerChannels_ = source->hideLayerChannels_;
  maskHighlight_ = source->maskHighlight_;
  blend_.addScale = source->blend_.addScale;
  blend_.addOffset = source->blend_.addOffset;
  blend_.subtractScale = source->blend_.subtractScale;
  blend_.subtractOffset = source->blend_.subtractOffset;
  grouped_ = source->grouped_;
  fileKeep_ = source->fileKeep_;
  // The saved mask copy goes with the saved image copy, so the two always
  // belong to the same layer.
  const auto take = [buffers](const WAPtr& from) {
    return buffers == lumora::LayerBuffers::kShare ? from : WAPtr::Adopt(CloneWA(from.get()));
  };
  savedImage_ = take(source->savedImage_);
  savedMask_ = take(source->savedMask_);
  image_ = take(source->image_);
  mask_ = take(source->mask_);
  aux_ = take(source->aux_);
  if (image_) SetDrawEntries(image_->GetType());
  ChooseBlendFunction();
}

namespace {

// A row of a plane addressed through a layer's rect, or null when the plane
// lacks the row or is too narrow for the span (a mask of another size).
const std::uint8_t* PlaneRow(const WAPIX* pix, const VrWA2000::WA* plane, int row, int column,
                             int n, int bytesPerPixel) {
  if (plane == nullptr || column < 0 || column + n > plane->GetW()) return nullptr;
  const std::uint8_t* bytes = GetWARow(row, pix);
  return bytes != nullptr ? bytes + column * bytesPerPixel : nullptr;
}

}  // namespace

CLayer* CLayer::MergeLayer(CLayer* source) {
  if (source == nullptr || !image_ || !source->image_) return this;
  if (image_->GetType() != source->image_->GetType()) return this;
  RECT overlap;
  if (!lumora::RectIntersect(&overlap, rect_, source->rect_)) return this;
  const int bytes =
      image_->GetType() == kWAType24 ? 3 : (image_->GetType() == kWAType8Grey ? 1 : 0);
  if (bytes == 0) return this;
  VrWA2000::WA* pixels = source->savedImage_ ? source->savedImage_.get() : source->image_.get();
  // As the screen draws it: the mask and the auxiliary buffer take part
  // only while the mask is enabled.
  const bool sourceMask = source->IsMaskEnabled() && source->mask_;
  VrWA2000::WA* mask = sourceMask ? source->mask_.get() : nullptr;
  VrWA2000::WA* aux = sourceMask ? source->aux_.get() : nullptr;
  VrWA2000::WA* coverage = mask_.get();
  const std::unique_ptr<WAPIX> dstPix(NewWAPIX(image_.get(), true));
  const std::unique_ptr<WAPIX> srcPix(NewWAPIX(pixels, false));
  const std::unique_ptr<WAPIX> maskPix(mask != nullptr ? NewWAPIX(mask, false) : nullptr);
  const std::unique_ptr<WAPIX> auxPix(aux != nullptr ? NewWAPIX(aux, false) : nullptr);
  const std::unique_ptr<WAPIX> covPix(coverage != nullptr ? NewWAPIX(coverage, false) : nullptr);
  if (source->blend_.blendFunction == nullptr) source->ChooseBlendFunction();
  const int n = overlap.right - overlap.left;
  const int dstColumn = overlap.left - rect_.left;
  const int srcColumn = overlap.left - source->rect_.left;
  for (LONG y = overlap.top; y < overlap.bottom; ++y) {
    const int dstRow = y - rect_.top, srcRow = y - source->rect_.top;
    auto* d = const_cast<std::uint8_t*>(
        PlaneRow(dstPix.get(), image_.get(), dstRow, dstColumn, n, bytes));
    const std::uint8_t* s = PlaneRow(srcPix.get(), pixels, srcRow, srcColumn, n, bytes);
    const std::uint8_t* m = PlaneRow(maskPix.get(), mask, srcRow, srcColumn, n, 1);
    const std::uint8_t* a = PlaneRow(auxPix.get(), aux, srcRow, srcColumn, n, 1);
    const std::uint8_t* c = PlaneRow(covPix.get(), coverage, dstRow, dstColumn, n, 1);
    if (d == nullptr || s == nullptr || (mask != nullptr && m == nullptr) ||
        (aux != nullptr && a == nullptr) || (coverage != nullptr && c == nullptr)) {
      continue;
    }
    if (bytes == 3) {
      MergeRow24(source->blend_, d, s, m, a, n, c, srcColumn, srcRow);
    } else {
      MergeRow8(source->blend_, d, s, m, a, n, c, srcColumn, srcRow);
    }
  }
  return this;
}
