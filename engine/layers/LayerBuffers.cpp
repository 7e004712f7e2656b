// Layer buffers: image, mask, auxiliary buffer and saved copies; placement,
// resolution and memory locks; baking the mask into the image.
#include <algorithm>
#include <array>

#include "engine/blend/CompositeKernels.h"
#include "engine/layers/Layer.h"
#include "platform/rect.h"

using lumora::IsLayerType;

namespace {

// An 8-bit buffer of the layer's size: zero-filled (the library clears
// every new buffer), or all 255.
WAPtr NewLayerPlane(const RECT& rect, bool fill) {
  WAPtr plane =
      WAPtr::Adopt(NewWA(kWAType8Grey, lumora::RectWidth(rect), lumora::RectHeight(rect), nullptr));
  if (plane && fill) {
    for (int y = 0; y < plane->GetH(); ++y)
      std::fill_n(plane->Row(y), plane->GetW(), std::uint8_t{255});
  }
  return plane;
}

// Brings a saved copy of `source` up to date over `rect` (image
// coordinates; the buffers lie at `place`): a missing copy, or one of
// another type or size, is replaced by a whole clone.
WAPtr RefreshCopy(WAPtr& saved, VrWA2000::WA* source, const RECT& place, const RECT& rect) {
  if (source == nullptr) return nullptr;
  if (saved && (saved->GetType() != source->GetType() || saved->GetW() != source->GetW() ||
                saved->GetH() != source->GetH())) {
    saved.Reset();
  }
  if (!saved) {
    saved = WAPtr::Adopt(CloneWA(source));
    return saved;
  }
  RECT part;
  if (lumora::RectIntersect(&part, rect, place)) {
    lumora::RectOffset(&part, -place.left, -place.top);
    const POINT at{part.left, part.top};
    VrWA2000::ReadWriteWA::Copy(saved.get(), at, source, at, lumora::RectWidth(part),
                                lumora::RectHeight(part), 12);
  }
  return saved;
}

// Bounds, in mask coordinates, of the mask values at or above a threshold;
// false when there are none.
bool MaskBounds(const VrWA2000::WA& mask, std::uint8_t threshold, RECT* out) {
  RECT box{mask.GetW(), mask.GetH(), -1, -1};
  for (int y = 0; y < mask.GetH(); ++y) {
    const std::uint8_t* row = mask.Row(y);
    for (int x = 0; x < mask.GetW(); ++x) {
      if (row[x] < threshold) continue;
      box.left = std::min<LONG>(box.left, x);
      box.right = std::max<LONG>(box.right, x);
      box.top = std::min<LONG>(box.top, y);
      box.bottom = std::max<LONG>(box.bottom, y);
    }
  }
  if (box.right < 0) return false;
  *out = lumora::MakeRect(box.left, box.top, box.right + 1, box.bottom + 1);
  return true;
}

}  // namespace

void CLayer::ChooseBlendFunction() {
  SetBlendFunction(blend_.mergeMode, imageType_ == kWAType24, IsMaskEnabled());
}

std::uint32_t CLayer::ImageResolution() const {
  return image_ ? PackedResolution(*image_) : 0x00600060u;
}

// ---- Image ----

WAPtr CLayer::GetImage(POINT* origin) const {
  if (origin != nullptr) *origin = POINT{rect_.left, rect_.top};
  return image_;
}

int CLayer::SetImage(VrWA2000::WA* image) {
  if (image == nullptr) return lumora::kLayerNullBuffer;
  if (image == image_.get()) return lumora::kLayerOk;
  image_ = WAPtr::Share(image);
  SetDrawEntries(image->GetType());
  blend_.blendFunction = nullptr;
  return lumora::kLayerOk;
}

int CLayer::ReplaceImage(VrWA2000::WA* image) {
  const int result = SetImage(image);
  if (result != lumora::kLayerOk) return result;
  rect_.right = rect_.left + image->GetW();
  rect_.bottom = rect_.top + image->GetH();
  return lumora::kLayerOk;
}

// ---- Mask ----

WAPtr CLayer::GetMask(POINT* origin) const {
  if (!hasMask_ || !mask_) return nullptr;
  if (origin != nullptr) *origin = POINT{maskRect_.left, maskRect_.top};
  return mask_;
}

void CLayer::DropMask() {
  mask_.Reset();
  maskRect_ = {};
  maskFlags_ = 0;
  hasMask_ = 0;
  editMask_ = hideLayerChannels_ = maskHighlight_ = 0;
  SetTransparencyLock(1);
}

int CLayer::SetMask(VrWA2000::WA* mask) {
  if (!IsLayerType(static_cast<int>(imageType_))) return lumora::kLayerNotLayerable;
  if (mask == nullptr) {
    DropMask();
    ChooseBlendFunction();
    return lumora::kLayerOk;
  }
  return SetMaskAt(mask, rect_);
}

int CLayer::SetMaskAt(VrWA2000::WA* mask, const RECT& place) {
  if (!IsLayerType(static_cast<int>(imageType_))) return lumora::kLayerNotLayerable;
  // A mask of another type or size would be saved as channels the file's
  // records do not describe, and the file could not be read back.
  if (mask == nullptr || mask->GetType() != kWAType8Grey || mask->GetW() != lumora::RectWidth(place) ||
      mask->GetH() != lumora::RectHeight(place)) {
    return lumora::kLayerNullBuffer;
  }
  if (!hasMask_) SetTransparencyLock(0);
  mask_ = WAPtr::Share(mask);
  SetPackedResolution(mask, ImageResolution());
  hasMask_ = 1;
  maskFlags_ |= lumora::kMaskAttached;
  maskRect_ = place;
  ChooseBlendFunction();
  return lumora::kLayerOk;
}

int CLayer::ReplaceMask(VrWA2000::WA* mask) {
  if (mask == nullptr) return SetMask(nullptr) == lumora::kLayerOk ? lumora::kLayerOk : lumora::kLayerNullBuffer;
  const RECT place = lumora::MakeRect(rect_.left, rect_.top, rect_.left + mask->GetW(), rect_.top + mask->GetH());
  return SetMaskAt(mask, place) == lumora::kLayerOk ? lumora::kLayerOk : lumora::kLayerNullBuffer;
}

int CLayer::CreateMask(int fill) {
  if (!IsLayerType(static_cast<int>(imageType_))) return lumora::kLayerNotLayerable;
  if (hasMask_) return lumora::kLayerOk;
  WAPtr mask = NewLayerPlane(rect_, fill != 0);
  if (!mask) return lumora::kLayerCannotMake;
  mask_ = mask;
  hasMask_ = 1;
  maskFlags_ |= lumora::kMaskAttached;
  maskRect_ = rect_;
  ChooseBlendFunction();
  SetPackedResolution(mask_.get(), ImageResolution());
  SetTransparencyLock(0);
  return lumora::kLayerOk;
}

int CLayer::RemoveMask(int apply, int percent, COLORREF colour, int channel) {
  if (!hasMask_) return lumora::kLayerNullBuffer;
  if (!image_) return lumora::kLayerNoImage;
  if (apply != 0) ApplyMask(percent, colour, channel);
  DropMask();
  ChooseBlendFunction();
  return lumora::kLayerOk;
}

int CLayer::ApplyMask(int percent, COLORREF colour, int channel) {
  if (!IsLayerType(static_cast<int>(imageType_)) || !hasMask_ || !mask_ || !image_) {
    return lumora::kLayerNotLayerable;
  }
  percent = std::clamp(percent, -100, 100);
  const int shift = percent * 255 / 100;
  std::array<std::uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) {
    const int m = std::clamp(v + shift, 0, 255);
    table[v] = static_cast<std::uint8_t>((maskFlags_ & lumora::kMaskInvert) != 0 ? 255 - m : m);
  }
  const int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  const bool colourImage = image_->GetType() == kWAType24;
  // Bytes of a pixel to mix (memory order blue, green, red) and their colour.
  const int grey = (red + green + blue) / 3;
  const int colours[3] = {colourImage ? blue : grey, green, red};
  bool mix[3] = {true, false, false};
  if (colourImage) {
    mix[0] = channel == 0 || (channel != 1 && channel != 2);
    mix[1] = channel == 0 || channel == 2;
    mix[2] = channel == 0 || channel == 1;
  }
  const int bytes = colourImage ? 3 : 1;
  RECT area;
  RECT imageArea = lumora::MakeRect(rect_.left, rect_.top, rect_.left + image_->GetW(),
                                    rect_.top + image_->GetH());
  RECT maskArea = lumora::MakeRect(maskRect_.left, maskRect_.top, maskRect_.left + mask_->GetW(),
                                   maskRect_.top + mask_->GetH());
  lumora::RectIntersect(&imageArea, imageArea, rect_);
  lumora::RectIntersect(&maskArea, maskArea, maskRect_);
  if (!lumora::RectIntersect(&area, imageArea, maskArea)) return lumora::kLayerOk;
  for (LONG y = area.top; y < area.bottom; ++y) {
    std::uint8_t* pixels = image_->Row(y - rect_.top) + bytes * (area.left - rect_.left);
    const std::uint8_t* masks = mask_->Row(y - maskRect_.top) + (area.left - maskRect_.left);
    for (LONG x = 0; x < area.right - area.left; ++x) {
      const int m = table[masks[x]];
      for (int k = 0; k < bytes; ++k) {
        if (!mix[k]) continue;
        std::uint8_t& p = pixels[bytes * x + k];
        p = static_cast<std::uint8_t>(lumora::Div255(p * m + colours[k] * (255 - m)));
      }
    }
  }
  return lumora::kLayerOk;
}

// ---- Auxiliary buffer ----

WAPtr CLayer::GetAuxBuffer() const { return aux_; }

int CLayer::CreateAuxBuffer(int fill) {
  if (!IsLayerType(static_cast<int>(imageType_))) return lumora::kLayerNotLayerable;
  if (aux_) return lumora::kLayerOk;
  WAPtr aux = NewLayerPlane(rect_, fill != 0);
  if (!aux) return lumora::kLayerCannotMake;
  SetPackedResolution(aux.get(), ImageResolution());
  aux_ = aux;
  return lumora::kLayerOk;
}

void CLayer::ReleaseAuxBuffer() { aux_.Reset(); }

// ---- Saved copies ----

WAPtr CLayer::SaveImageCopy(const RECT& rect) {
  return RefreshCopy(savedImage_, image_.get(), rect_, rect);
}

WAPtr CLayer::SaveMaskCopy(const RECT& rect) {
  return RefreshCopy(savedMask_, mask_.get(), rect_, rect);
}

void CLayer::RefreshSavedCopies() {
  if (!image_ || !savedImage_) return;
  SaveImageCopy(rect_);
  SaveMaskCopy(rect_);
}

void CLayer::ReleaseSavedCopies() {
  savedImage_.Reset();
  savedMask_.Reset();
}

// ---- Placement ----

void CLayer::SetResolution(std::uint32_t packed) {
  for (const WAPtr* buffer : {&image_, &mask_, &aux_, &savedImage_, &savedMask_}) {
    SetPackedResolution(buffer->get(), packed);
  }
}

void CLayer::MoveTo(POINT topLeft) {
  const LONG dx = topLeft.x - rect_.left, dy = topLeft.y - rect_.top;
  lumora::RectOffset(&rect_, dx, dy);
  lumora::RectOffset(&maskRect_, dx, dy);
}

void CLayer::Offset(POINT delta) {
  lumora::RectOffset(&rect_, delta.x, delta.y);
  if (hasMask_ && !lumora::RectIsEmpty(maskRect_)) lumora::RectOffset(&maskRect_, delta.x, delta.y);
}

std::vector<VrWA2000::WA*> CLayer::GetBuffers() const {
  std::vector<VrWA2000::WA*> buffers;
  for (const WAPtr* buffer : {&image_, &mask_, &aux_, &savedImage_, &savedMask_}) {
    if (*buffer) buffers.push_back(buffer->get());
  }
  return buffers;
}

int CLayer::ReplaceBuffer(const VrWA2000::WA* old, VrWA2000::WA* replacement) {
  int replaced = 0;
  for (WAPtr* buffer : {&image_, &mask_, &aux_, &savedImage_, &savedMask_}) {
    if (old == nullptr || buffer->get() != old) continue;
    if (memoryLocked_) {
      (*buffer)->MM_UnlockEnable();
      if (replacement != nullptr) replacement->MM_LockEnable();
    }
    *buffer = WAPtr::Share(replacement);
    ++replaced;
  }
  return replaced;
}

void CLayer::LockBuffers(bool locked) {
  for (const WAPtr* buffer : {&image_, &mask_, &aux_, &savedImage_, &savedMask_}) {
    if (!*buffer) continue;
    if (locked) {
      (*buffer)->MM_LockEnable();
    } else {
      (*buffer)->MM_UnlockEnable();
    }
  }
}

void CLayer::SetMemoryLock(int locked) {
  if ((locked != 0) == (memoryLocked_ != 0)) return;
  memoryLocked_ = locked != 0;
  LockBuffers(locked != 0);
}

void CLayer::GetOpaqueRect(RECT* out, std::uint8_t threshold) const {
  if (!hasMask_ || !mask_) {
    *out = rect_;
    return;
  }
  RECT box;
  if (!MaskBounds(*mask_, threshold, &box)) {
    *out = {};
    return;
  }
  lumora::RectOffset(&box, rect_.left, rect_.top);
  *out = box;
}

void CLayer::GetContentCenter(POINT* out) const {
  RECT box = rect_;
  if (hasMask_ && mask_) {
    if (!MaskBounds(*mask_, 1, &box)) box = lumora::MakeRect(0, 0, mask_->GetW(), mask_->GetH());
    lumora::RectOffset(&box, rect_.left, rect_.top);
  }
  *out = POINT{box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) / 2};
}
