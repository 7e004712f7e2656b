// Layer construction, the unique id, attributes and flags.
#include "engine/layers/Layer.h"

#include <algorithm>

#include "platform/rect.h"

using lumora::IsLayerType;

namespace {

// Ids are never reused within a run; copies share their source's.
std::atomic<std::uint64_t> gLastUniqueId{0};

}  // namespace

void InitLayerInfo(LAYER_INFO& info) {
  info.linkText.clear();
  info.maskFlags = lumora::kMaskAttached;
  info.opacity = 100;
  info.mergeMode = lumora::kMergeNormal;
  info.visible = 1;
  info.lockTransparency = 0;
  info.lockPosition = 0;
  info.editMask = 0;
  info.hideLayerChannels = 0;
  info.maskHighlight = 0;
  for (auto& range : info.blendIf) {
    range[0] = 0, range[1] = 0, range[2] = 255, range[3] = 255;
  }
  info.linkId = 0;
  info.grouped = 0;
}

int FindChannelIndex(const std::int16_t* ids, int count, std::int16_t id) {
  for (int i = 0; i < count; ++i) {
    if (ids[i] == id) return i;
  }
  return -1;
}

CLayer::CLayer() { TakeNewUniqueId(); }

CLayer::CLayer(const CLayer& source) : CLayer(source, lumora::LayerBuffers::kClone) {}

CLayer::CLayer(const CLayer& source, lumora::LayerBuffers buffers) : refCount() {
  CopyLayer(&source, buffers);
  if (!hasMask_) SetTransparencyLock(1);
}

CLayer::CLayer(VrWA2000::WA* image, POINT origin, int withMask, VrWA2000::WA* mask, int mergeMode) {
  if (image == nullptr) throw layer_err_params();
  if (withMask != 0 && (mask == nullptr || mask->GetType() != kWAType8Grey))
    throw layer_err_params();
  image_ = WAPtr::Share(image);
  imageType_ = static_cast<std::uint32_t>(image->GetType());
  rect_ = lumora::MakeRect(origin.x, origin.y, origin.x + image->GetW(), origin.y + image->GetH());
  SetDrawEntries(image->GetType());
  if (withMask != 0) {
    mask_ = WAPtr::Share(mask);
    maskRect_ =
        lumora::MakeRect(origin.x, origin.y, origin.x + mask->GetW(), origin.y + mask->GetH());
    hasMask_ = 1;
    maskFlags_ |= lumora::kMaskAttached;
  } else {
    SetTransparencyLock(1);
  }
  blend_.mergeMode = mergeMode;
  ChooseBlendFunction();
  TakeNewUniqueId();
}

CLayer::CLayer(const RECT* rect, const LAYER_INFO& info, int type, int withMask) {
  if (rect == nullptr || lumora::RectIsEmpty(*rect) || !IsLayerType(type)) throw layer_err_params();
  imageType_ = static_cast<std::uint32_t>(type);
  rect_ = *rect;
  image_ = WAPtr::Adopt(NewWA(type, lumora::RectWidth(*rect), lumora::RectHeight(*rect), nullptr));
  if (!image_) throw layer_err_nomemory();
  SetDrawEntries(type);
  if (withMask != 0 && CreateMask(0) != lumora::kLayerOk) throw layer_err_nomemory();
  SetLayerInfo(info);
  if (!hasMask_) SetTransparencyLock(1);
  TakeNewUniqueId();
}

CLayer::~CLayer() {
  // Buffers may be shared: leave no memory lock of this layer behind.
  if (memoryLocked_) LockBuffers(false);
}

void CLayer::TakeNewUniqueId() {
  blend_.uniqueId = gLastUniqueId.fetch_add(1, std::memory_order_relaxed) + 1;
}

int CLayer::CanPaint() const { return IsText() == 0 && (flags_ & lumora::kLayerHidden) == 0; }

// ---- Attributes ----

std::uint8_t CLayer::OpacityFromPercent(int percent) {
  if (percent <= 0) return 0;
  return static_cast<std::uint8_t>(std::min((percent * 255 + 50) / 100, 255));
}

int CLayer::OpacityToPercent(std::uint8_t opacity) {
  // Nearest, except that a layer that shows at all never reads as 0.
  if (opacity == 0) return 0;
  return std::clamp((opacity * 100 + 127) / 255, 1, 100);
}

LAYER_INFO CLayer::GetLayerInfo() const {
  LAYER_INFO info;
  info.name = name_;
  info.linkText = linkText_;
  info.rect = rect_;
  info.hasMask = static_cast<std::int32_t>(hasMask_);
  info.maskFlags = maskFlags_;
  info.maskRect = maskRect_;
  info.opacity = OpacityToPercent(blend_.Opacity());
  info.mergeMode = blend_.mergeMode;
  info.visible = IsVisible();
  info.lockTransparency = IsTransparencyLocked();
  info.lockPosition = static_cast<std::int32_t>(positionLocked_);
  info.editMask = static_cast<std::int32_t>(editMask_);
  info.hideLayerChannels = static_cast<std::int32_t>(hideLayerChannels_);
  info.maskHighlight = static_cast<std::int32_t>(maskHighlight_);
  for (int k = 0; k < 4; ++k) {
    std::copy(blend_.blendIfRanges[k], blend_.blendIfRanges[k] + 4, info.blendIf[2 * k]);
    std::copy(blend_.blendIfRanges[k + 4], blend_.blendIfRanges[k + 4] + 4,
              info.blendIf[2 * k + 1]);
  }
  info.linkId = linkId_;
  info.grouped = static_cast<std::int32_t>(grouped_);
  return info;
}

void CLayer::SetLayerInfo(const LAYER_INFO& info) {
  name_ = info.name;
  linkText_ = info.linkText;
  // The byte stays while the record carries the percent it reads as, so a
  // record passed back unchanged changes no opacity.
  const std::uint8_t opacity =
      info.opacity == OpacityToPercent(blend_.Opacity()) ? blend_.Opacity() : OpacityFromPercent(info.opacity);
  if (info.mergeMode != blend_.mergeMode) SetMergeMode(info.mergeMode);
  linkId_ = info.linkId;
  SetVisible(info.visible);
  SetPaintOnLayer(info.lockTransparency);
  positionLocked_ = info.lockPosition != 0;
  EnableMask((info.maskFlags & lumora::kMaskDisabled) == 0);
  SetHideLayerChannels(info.hideLayerChannels);
  SetEditMask(info.editMask);
  SetMaskHighlight(info.maskHighlight);
  grouped_ = info.grouped != 0;
  for (int k = 0; k < 4; ++k) {
    std::copy(info.blendIf[2 * k], info.blendIf[2 * k] + 4, blend_.blendIfRanges[k]);
    std::copy(info.blendIf[2 * k + 1], info.blendIf[2 * k + 1] + 4, blend_.blendIfRanges[k + 4]);
  }
  blend_.RebuildBlendIfTables();
  blend_.SetOpacity(opacity);
  if (!hasMask_) SetTransparencyLock(1);
  ChooseBlendFunction();
}

void CLayer::SetMergeMode(int mode) {
  blend_.mergeMode = mode;
  std::fill(std::begin(fileKeep_.blendKey), std::end(fileKeep_.blendKey), '\0');
  ChooseBlendFunction();
}

void CLayer::SetChannels(std::vector<std::int16_t> ids, std::vector<std::uint32_t> lengths) {
  channelIds_ = std::move(ids);
  channelLengths_ = std::move(lengths);
}

void CLayer::SetBlendIfRanges(const std::uint8_t ranges[8][4]) {
  for (int k = 0; k < 8; ++k) std::copy(ranges[k], ranges[k] + 4, blend_.blendIfRanges[k]);
  blend_.RebuildBlendIfTables();
}

void CLayer::SetDrawEntries(int imageType) {
  drawEntries_ = imageType == kWAType24      ? lumora::LayerDrawEntries::kColour
                 : imageType == kWAType8Grey ? lumora::LayerDrawEntries::kGrey
                                             : lumora::LayerDrawEntries::kNone;
}

// ---- Flags ----

void CLayer::SetVisible(int visible) {
  if (visible != 0) {
    flags_ &= ~lumora::kLayerHidden;
  } else {
    flags_ |= lumora::kLayerHidden;
  }
}

void CLayer::SetTransparencyLock(int locked) {
  if (locked != 0) {
    flags_ |= lumora::kLayerTransparencyLocked;
  } else {
    flags_ &= ~lumora::kLayerTransparencyLocked;
  }
}

int CLayer::SetPaintOnLayer(int locked) {
  if (!hasMask_ && locked == 0) return 0;
  SetTransparencyLock(locked);
  return 1;
}

int CLayer::EnableMask(int enabled) {
  const int wasEnabled = (maskFlags_ & lumora::kMaskDisabled) == 0;
  if (hasMask_) {
    if (enabled != 0) {
      maskFlags_ &= static_cast<std::uint8_t>(~lumora::kMaskDisabled);
    } else {
      maskFlags_ |= lumora::kMaskDisabled;
    }
    ChooseBlendFunction();
  }
  return wasEnabled;
}

int CLayer::SetHideLayerChannels(int hide) {
  const int old = static_cast<int>(hideLayerChannels_);
  if (hasMask_) hideLayerChannels_ = hide != 0;
  return old;
}

int CLayer::SetMaskHighlight(int highlight) {
  const int old = static_cast<int>(maskHighlight_);
  if (hasMask_) maskHighlight_ = highlight != 0;
  return old;
}

int CLayer::SetEditMask(int edit) {
  if ((edit != 0) == (editMask_ != 0)) return 0;
  if (edit != 0) {
    if (!hasMask_) return 0;
    editMask_ = 1;
    return 0;
  }
  editMask_ = 0;
  const int wasHidden = hideLayerChannels_ != 0;
  hideLayerChannels_ = 0;
  return wasHidden;
}
