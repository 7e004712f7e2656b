// Apply Image without a window: source and mask layers by channel, the
// masking arithmetic, the blend onto the target, the settings and lists.
#include "dialogs/ApplyImage.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "document/LayerSelection.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/Div255.h"
#include "platform/rect.h"
#include "res/StringTable.h"

namespace lumora {

namespace {

constexpr const char* kSection = "APPLY IMAGE";

std::string Text(std::uint32_t id) { return std::string(res::String(id)); }

RECT ImageRect(const CLayersManager& stack) { return RECT{0, 0, stack.GetWidth(), stack.GetHeight()}; }

// Where a layer's mask lies in the image: its mask rect, or the layer's
// rect when the mask rect is not set.
RECT MaskPlace(const CLayer& layer) {
  const RECT m = layer.GetMaskRect();
  return RectIsEmpty(m) ? layer.GetRect() : m;
}

// A new layer of the type over the rect filled with `value` in every byte,
// without a mask (opaque).
CLayerPtr FilledLayer(const RECT& rect, int type, int value) {
  if (RectIsEmpty(rect)) return {};
  LAYER_INFO info;
  InitLayerInfo(info);
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(&rect, info, type, 0));
  } catch (const std::exception&) {
    return {};
  }
  if (value != 0) FillLayerRect(layer.get(), rect, value);
  return layer;
}

// The selection mask's buffer and where it lies; false without one.
bool MaskBuffer(Fragment* mask, WAPtr* buffer, RECT* place) {
  if (mask == nullptr) return false;
  *buffer = WAPtr::Adopt(GetMaskWA(mask));
  LURECT lu{};
  if (!*buffer || GetMaskRect(mask, &lu) == 0) return false;
  LURectToRect(place, &lu);
  return true;
}

// Every byte of the image b -> 255 - b.
void InvertImage(CLayer& layer) {
  VrWA2000::WA* image = layer.PeekImage();
  if (image == nullptr) return;
  const int bytes = image->GetW() * (image->GetType() == kWAType24 ? 3 : 1);
  for (int y = 0; y < image->GetH(); ++y) {
    std::uint8_t* row = image->Row(y);
    for (int x = 0; x < bytes; ++x) row[x] = static_cast<std::uint8_t>(255 - row[x]);
  }
}

// The colour channel of every RGB pixel into its other two bytes (blue,
// green, red in memory: Red is byte 2, Green 1, Blue 0).
void SpreadComponent(CLayer& layer, int channel) {
  VrWA2000::WA* image = layer.PeekImage();
  if (image == nullptr || image->GetType() != kWAType24) return;
  const int k = channel == kChannelRed ? 2 : channel == kChannelGreen ? 1 : 0;
  for (int y = 0; y < image->GetH(); ++y) {
    std::uint8_t* p = image->Row(y);
    for (int x = 0; x < image->GetW(); ++x, p += 3) p[0] = p[1] = p[2] = p[k];
  }
}

bool ToType(CLayer* layer, int type) {
  return layer != nullptr && (layer->GetImageType() == type || ConvertLayerType(layer, type, 0));
}

}  // namespace

CLayerPtr BuildSelectionLayer(ApplyImageSource& source, int fill, const ApplyWork& work) {
  WAPtr buffer;
  RECT place{};
  if (!MaskBuffer(source.SelectionMask(), &buffer, &place)) return {};
  RECT region{};
  if (!RectIntersect(&region, place, work.working)) return {};
  CLayerPtr layer = FilledLayer(region, work.targetType, fill);
  if (!layer) return {};
  VrWA2000::WA* image = layer->PeekImage();
  const int bpp = image->GetType() == kWAType24 ? 3 : 1;
  for (LONG y = region.top; y < region.bottom; ++y) {
    const std::uint8_t* m = buffer->Row(y - place.top) + (region.left - place.left);
    std::uint8_t* d = image->Row(y - region.top);
    for (LONG x = 0; x < RectWidth(region); ++x) {
      for (int b = 0; b < bpp; ++b) d[x * bpp + b] = m[x];
    }
  }
  return layer;
}

namespace {

// The layer's mask values as the pixels of a new layer over its rect (255
// without a mask); with a selection the selection's coverage becomes the new
// layer's mask, without one the new layer is opaque.
CLayerPtr TransparencyLayer(ApplyImageSource& source, const CLayer& copy, int type) {
  const RECT rect = copy.GetRect();
  CLayerPtr layer = FilledLayer(rect, type, 255);
  if (!layer) return {};
  VrWA2000::WA* image = layer->PeekImage();
  const int bpp = image->GetType() == kWAType24 ? 3 : 1;
  if (const VrWA2000::WA* mask = copy.HasMask() ? copy.PeekMask() : nullptr) {
    const RECT place = MaskPlace(copy);
    RECT part{};
    const RECT extent{place.left, place.top, place.left + mask->GetW(), place.top + mask->GetH()};
    if (RectIntersect(&part, extent, rect)) {
      for (LONG y = part.top; y < part.bottom; ++y) {
        const std::uint8_t* m = mask->Row(y - place.top) + (part.left - place.left);
        std::uint8_t* d = image->Row(y - rect.top) + (part.left - rect.left) * bpp;
        for (LONG x = 0; x < RectWidth(part); ++x) {
          for (int b = 0; b < bpp; ++b) d[x * bpp + b] = m[x];
        }
      }
    }
  }
  WAPtr buffer;
  RECT place{};
  if (source.Selection() != nullptr && MaskBuffer(source.SelectionMask(), &buffer, &place)) {
    if (layer->CreateMask(0) != kLayerOk) return {};
    VrWA2000::ReadWriteWA::Copy(layer->PeekMask(), POINT{0, 0}, buffer.get(),
                                POINT{rect.left - place.left, rect.top - place.top}, RectWidth(rect),
                                RectHeight(rect), 12);
  }
  return layer;
}

// The channel value k of the mask layer's pixel at image (x, y): the mask
// for Transparency, the selection's value (held in the pixels) for
// Selection, else the colour component or the grey.
struct MaskReader {
  const CLayer& k;
  int channel;
  const VrWA2000::WA* image = k.PeekImage();
  const VrWA2000::WA* mask = k.HasMask() ? k.PeekMask() : nullptr;
  RECT rect = k.GetRect();
  RECT maskPlace = MaskPlace(k);
  bool rgb = image != nullptr && image->GetType() == kWAType24;

  int MaskAt(LONG x, LONG y) const {
    if (mask == nullptr) return 255;
    const LONG mx = x - maskPlace.left, my = y - maskPlace.top;
    if (mx < 0 || my < 0 || mx >= mask->GetW() || my >= mask->GetH()) return 0;
    return mask->Row(static_cast<int>(my))[mx];
  }
  int ValueAt(LONG x, LONG y) const {
    if (channel == kChannelTransparency) return MaskAt(x, y);
    const std::uint8_t* p = image->Row(static_cast<int>(y - rect.top)) + (x - rect.left) * (rgb ? 3 : 1);
    if (!rgb) return p[0];
    switch (channel) {
      case kChannelRed:
      case kChannelSelection: return p[2];
      case kChannelGreen: return p[1];
      case kChannelBlue: return p[0];
      default: return DialogGrey(p[2], p[1], p[0]);
    }
  }
};

}  // namespace

int ChannelFromName(const std::string& name) {
  for (int id = kChannelRGB; id <= kChannelGrey; ++id) {
    if (res::String(static_cast<std::uint32_t>(id)) == name) return id;
  }
  return 0;
}

std::vector<int> ApplyBlendingEntries(int targetType) {
  const int S = kSeparatorCode;
  if (targetType == kWAType8Grey) return {0, 9, S, 7, 8, 10, 12, 11, S, 15, 16, S, 1, 2, 13, S, 17, 18};
  return {0, 9, S, 7, 8, 10, 12, 11, S, 15, 16, S, 1, 2, 13, 14, S, 3, 4, 5, 6, S, 17, 18};
}

std::vector<int> ApplySourceChannels(int sourceType, bool hasSelection) {
  std::vector<int> list;
  if (sourceType == kWAType8Grey) {
    list.push_back(kChannelGrey);
  } else {
    list.push_back(kChannelRGB);
    if (sourceType == kWAType24) list.insert(list.end(), {kChannelRed, kChannelGreen, kChannelBlue});
  }
  list.push_back(kChannelTransparency);
  if (hasSelection) list.insert(list.end(), {kSeparatorCode, kChannelSelection});
  return list;
}

std::vector<int> ApplyMaskChannels(int sourceType, bool hasSelection) {
  std::vector<int> list{kChannelGrey};
  if (sourceType == kWAType24) list.insert(list.end(), {kChannelRed, kChannelGreen, kChannelBlue});
  list.push_back(kChannelTransparency);
  if (hasSelection) list.insert(list.end(), {kSeparatorCode, kChannelSelection});
  return list;
}

std::vector<std::string> ApplyLayerEntries(const CLayersManager& stack) {
  std::vector<std::string> list;
  if (stack.IsLayerable()) {
    list.push_back(Text(kMergedEntryText));
    list.push_back(kSeparatorEntry);
  }
  for (int i = stack.GetLayerCount() - 1; i >= 0; --i) list.push_back(stack.GetLayer(i)->GetName());
  return list;
}

int ScaleToStored(double scale) { return static_cast<int>(scale * 10000.0); }

ApplyImageSettings LoadApplyImageSettings(fw::Profile& profile) {
  ApplyImageSettings s;
  s.sourceDoc = profile.GetString(kSection, "Source_doc", "");
  s.sourceLayer = profile.GetString(kSection, "Source_layer", Text(kMergedEntryText));
  s.sourceChannel = profile.GetString(kSection, "Source_channel", Text(kChannelRGB));
  s.sourceInverted = profile.GetInt(kSection, "Source_inverted", 0);
  s.maskDoc = profile.GetString(kSection, "Mask_doc", "");
  s.maskSource = profile.GetString(kSection, "Mask_source", Text(kMergedEntryText));
  s.maskChannel = profile.GetString(kSection, "Mask_channel", Text(kChannelGrey));
  s.maskInverted = profile.GetInt(kSection, "Mask_inverted", 0);
  s.merge = profile.GetString(kSection, "MERGE", GetMergeModeName(kMergeNormal));
  s.preview = profile.GetInt(kSection, "PREVIEW", 0);
  s.opacity = profile.GetInt(kSection, "OPACITY", 100);
  s.mask = profile.GetInt(kSection, "MASK", 0);
  const auto scale = [&](const char* key) {
    return std::clamp(profile.GetInt(kSection, key, 10000) * 0.0001, 1.0, 2.0);
  };
  const auto offset = [&](const char* key) { return std::clamp(profile.GetInt(kSection, key, 0), -255, 255); };
  s.addScale = scale("add_scale");
  s.addOffset = offset("add_offset");
  s.subScale = scale("sub_scale");
  s.subOffset = offset("sub_offset");
  return s;
}

void SaveApplyImageSettings(fw::Profile& profile, const ApplyImageSettings& s) {
  profile.WriteString(kSection, "Source_doc", s.sourceDoc);
  profile.WriteString(kSection, "Source_layer", s.sourceLayer);
  profile.WriteString(kSection, "Source_channel", s.sourceChannel);
  profile.WriteInt(kSection, "Source_inverted", s.sourceInverted);
  profile.WriteString(kSection, "Mask_doc", s.maskDoc);
  profile.WriteString(kSection, "Mask_source", s.maskSource);
  profile.WriteString(kSection, "Mask_channel", s.maskChannel);
  profile.WriteInt(kSection, "Mask_inverted", s.maskInverted);
  profile.WriteString(kSection, "MERGE", s.merge);
  profile.WriteInt(kSection, "PREVIEW", s.preview);
  profile.WriteInt(kSection, "OPACITY", s.opacity);
  profile.WriteInt(kSection, "MASK", s.mask);
  profile.WriteInt(kSection, "add_scale", ScaleToStored(s.addScale));
  profile.WriteInt(kSection, "add_offset", s.addOffset);
  profile.WriteInt(kSection, "sub_scale", ScaleToStored(s.subScale));
  profile.WriteInt(kSection, "sub_offset", s.subOffset);
}

// ---- Sources ----

ApplyImageSource::ApplyImageSource(CLayersManager* stack, Fragment* selection)
    : stack_(lumora::RefPtr<CLayersManager>::Share(stack)), selection_(ShareFragment(selection)) {}

ApplyImageSource::~ApplyImageSource() {
  DeleteFragment(selectionMask_);
  DeleteFragment(selection_);
}

RECT ApplyImageSource::SelectionRect() {
  return stack_ ? SelectionReach(selection_, ImageRect(*stack_)) : RECT{};
}

Fragment* ApplyImageSource::SelectionMask() {
  if (!maskBuilt_ && selection_ != nullptr && stack_) {
    maskBuilt_ = true;
    selectionMask_ = SelectionToMask(selection_, SelectionRect());
  }
  return selectionMask_;
}

CLayer* ApplyImageSource::Merged(int type) {
  if (merged_ && mergedType_ == type) return merged_.get();
  merged_ = nullptr;
  if (!stack_ || stack_->GetLayerCount() == 0) return nullptr;
  std::vector<CLayer*> list;
  for (int i = 0; i < stack_->GetLayerCount(); ++i) list.push_back(stack_->GetLayer(i));
  LAYER_INFO info;
  info.name = "Layer";
  CLayerPtr merged = CLayerPtr::Adopt(stack_->MergeLayers(list, info, 0, RECT{}));
  if (!merged || !ToType(merged.get(), type)) return nullptr;
  merged->SetName("Layer");
  merged_ = std::move(merged);
  mergedType_ = type;
  return merged_.get();
}

ApplyWork MakeApplyWork(const CLayersManager& saved, const CLayer* savedActive, bool preserve) {
  ApplyWork work;
  work.working = ImageRect(saved);
  work.targetType = saved.GetImageType() == kWAType8Grey ? kWAType8Grey : kWAType24;
  work.preserve = preserve;
  work.savedActive = savedActive;
  if (preserve && savedActive != nullptr) {
    RECT cut{};
    RectIntersect(&cut, work.working, savedActive->GetRect());
    work.working = cut;
  }
  return work;
}

namespace {

// The area of the layer the dialog reads, copied (the selected part when
// the image has a selection), in the image's own type.
CLayerPtr TakeRaw(ApplyImageSource& source, bool merged, const std::string& name, const ApplyWork& work,
                  bool writable) {
  CLayersManager* stack = source.Stack();
  if (stack == nullptr) return {};
  Fragment* selection = source.Selection();
  const int ownType = stack->GetImageType() == kWAType8Grey ? kWAType8Grey : kWAType24;
  CLayer* layer = nullptr;
  RECT area{};
  if (merged) {
    layer = source.Merged(ownType);
    if (layer == nullptr) return {};
    area = work.working;
    if (selection != nullptr && IsFrgInverted(selection) == 0 && !RectIntersect(&area, area, source.SelectionRect()))
      return {};
  } else {
    layer = stack->FindLayerByName(name.c_str());
    if (layer == nullptr || layer->PeekImage() == nullptr) return {};
    if (!RectIntersect(&area, layer->GetRect(), ImageRect(*stack))) return {};
    if (work.preserve && work.savedActive != nullptr && !RectIntersect(&area, area, work.savedActive->GetRect()))
      return {};
  }
  if (RectIsEmpty(area)) return {};
  CLayerPtr copy;
  if (selection != nullptr) {
    Fragment* mask = SelectionToMask(selection, area);
    if (mask == nullptr) return {};
    copy = CLayerPtr::Adopt(layer->CreateLayerFromSelection(mask, 0));
    DeleteFragment(mask);
    return copy;
  }
  // A copy that is only read holds the layer's buffers; cropping and
  // conversion make new ones.
  try {
    copy = CLayerPtr::Adopt(writable ? layer->CreateCopy() : layer->CreateSharedCopy());
  } catch (const std::exception&) {
    return {};
  }
  if (writable && !copy->IsWholeCopyOf(*layer)) return {};
  if (!RectsEqual(area, layer->GetRect())) {
    int outside = 0;
    if (copy->CropTo(area, &outside, 0, 0, 0) == 0 || outside != 0) return {};
  }
  return copy;
}

}  // namespace

CLayerPtr TakeApplyLayer(ApplyImageSource& source, bool merged, const std::string& name, const ApplyWork& work) {
  CLayerPtr copy = TakeRaw(source, merged, name, work, true);
  if (!copy || !ToType(copy.get(), work.targetType)) return {};
  return copy;
}

CLayerPtr BuildApplySource(ApplyImageSource& source, bool merged, const std::string& name, int channel,
                           bool inverted, const ApplyWork& work) {
  if (channel == kChannelSelection) return BuildSelectionLayer(source, inverted ? 0 : 255, work);
  const bool colour = channel == kChannelRed || channel == kChannelGreen || channel == kChannelBlue;
  CLayerPtr copy = TakeRaw(source, merged, name, work, colour || (inverted && channel != kChannelTransparency));
  if (!copy) return {};
  if (channel == kChannelTransparency) {
    copy = TransparencyLayer(source, *copy, copy->GetImageType());
    if (!copy) return {};
  } else if (channel == kChannelRed || channel == kChannelGreen || channel == kChannelBlue) {
    // Spread before any conversion to a grey target, so that the grey
    // carries the chosen component rather than the pixel's grey.
    SpreadComponent(*copy, channel);
  }
  if (inverted) InvertImage(*copy);
  if (!ToType(copy.get(), work.targetType)) return {};
  return copy;
}

CLayerPtr BuildApplyMaskSource(ApplyImageSource& source, bool merged, const std::string& name, int channel,
                               const ApplyWork& work) {
  if (channel == kChannelSelection) return BuildSelectionLayer(source, 255, work);
  CLayerPtr copy = TakeRaw(source, merged, name, work, false);
  if (!copy || !IsLayerType(copy->GetImageType())) return {};
  return copy;
}

CLayerPtr MaskApplyLayer(const CLayer& source, const CLayer& maskLayer, int channel, bool inverted) {
  // The copy holds the source's image (masking never writes it) and a mask
  // of its own.
  CLayerPtr m;
  try {
    m = CLayerPtr::Adopt(source.CreateSharedCopy());
  } catch (const std::exception&) {
    return {};
  }
  if (source.HasMask() && source.PeekMask() != nullptr) {
    const WAPtr own = WAPtr::Adopt(CloneWA(source.PeekMask()));
    if (!own || m->SetMaskAt(own.get(), MaskPlace(source)) != kLayerOk) return {};
  } else if (m->CreateMask(1) != kLayerOk) {
    return {};
  }
  const bool maskChannel = channel == kChannelTransparency || channel == kChannelSelection;
  const MaskReader k{maskLayer, channel};
  if (k.image == nullptr) return {};
  VrWA2000::WA* mask = m->PeekMask();
  const RECT place = MaskPlace(*m);
  const RECT kRect = maskLayer.GetRect();
  // The Selection layer carries the selection in its pixels: it always
  // reads them, as the colour channels do.
  const bool plainArea = channel == kChannelTransparency && k.mask == nullptr;
  const std::uint8_t outsideValue = inverted && maskChannel ? 255 : 0;
  const int w = mask->GetW();
  // The columns of the mask inside the mask layer.
  const int c0 = static_cast<int>(std::clamp<LONG>(kRect.left - place.left, 0, w));
  const int c1 = static_cast<int>(std::clamp<LONG>(kRect.right - place.left, c0, w));
  const int bpp = k.rgb ? 3 : 1;
  std::vector<std::uint8_t> kv(static_cast<std::size_t>(c1 - c0));
  for (int row = 0; row < mask->GetH(); ++row) {
    const LONG y = place.top + row;
    std::uint8_t* d = mask->Row(row);
    if (y < kRect.top || y >= kRect.bottom || c0 == c1) {
      std::memset(d, outsideValue, static_cast<std::size_t>(w));
      continue;
    }
    std::memset(d, outsideValue, static_cast<std::size_t>(c0));
    std::memset(d + c1, outsideValue, static_cast<std::size_t>(w - c1));
    std::uint8_t* dd = d + c0;
    const int n = c1 - c0;
    if (plainArea) {
      std::memset(dd, inverted ? 0 : 255, static_cast<std::size_t>(n));
      continue;
    }
    if (channel == kChannelRGB) continue;
    const LONG x0 = place.left + c0;
    if (channel == kChannelTransparency) {
      for (int i = 0; i < n; ++i) kv[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(k.MaskAt(x0 + i, y));
    } else {
      const std::uint8_t* p = k.image->Row(static_cast<int>(y - kRect.top)) + (x0 - kRect.left) * bpp;
      if (!k.rgb) {
        std::memcpy(kv.data(), p, static_cast<std::size_t>(n));
      } else if (channel == kChannelGrey) {
        for (int i = 0; i < n; ++i, p += 3) kv[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(DialogGrey(p[2], p[1], p[0]));
      } else {
        const int b = channel == kChannelBlue ? 0 : channel == kChannelGreen ? 1 : 2;
        for (int i = 0; i < n; ++i, p += 3) kv[static_cast<std::size_t>(i)] = p[b];
      }
    }
    if (inverted) {
      for (std::uint8_t& v : kv) v = static_cast<std::uint8_t>(255 - v);
    }
    if (maskChannel || k.mask == nullptr) {
      // m x k / 255, truncated (Div255 is exact for products of two bytes).
      for (int i = 0; i < n; ++i) dd[i] = static_cast<std::uint8_t>(Div255(std::uint32_t{dd[i]} * kv[static_cast<std::size_t>(i)]));
    } else if (channel == kChannelGrey) {
      // (a x k / 255) x m / 255.
      for (int i = 0; i < n; ++i) {
        const std::uint32_t a = static_cast<std::uint32_t>(k.MaskAt(x0 + i, y));
        dd[i] = static_cast<std::uint8_t>(Div255(Div255(a * kv[static_cast<std::size_t>(i)]) * dd[i]));
      }
    } else {
      // (m x k / 255) x a / 255.
      for (int i = 0; i < n; ++i) {
        const std::uint32_t a = static_cast<std::uint32_t>(k.MaskAt(x0 + i, y));
        dd[i] = static_cast<std::uint8_t>(Div255(Div255(std::uint32_t{dd[i]} * kv[static_cast<std::size_t>(i)]) * a));
      }
    }
  }
  return m;
}

CLayerPtr BlendApplyLayer(CLayersManager& stack, CLayer* source, const CLayer& target, const ApplyBlend& blend) {
  if (source == nullptr) return {};
  LAYER_INFO sourceInfo = source->GetLayerInfo();
  sourceInfo.opacity = std::clamp(blend.opacity, 0, 100);
  sourceInfo.mergeMode = blend.mergeMode;
  sourceInfo.visible = 1;
  source->SetLayerInfo(sourceInfo);
  source->SetMergeMode(blend.mergeMode);
  source->SetAddScaleOffset(blend.addScale, blend.addOffset);
  source->SetSubtractScaleOffset(blend.subScale, blend.subOffset);
  const LAYER_INFO targetInfo = target.GetLayerInfo();
  CLayerPtr result;
  try {
    if (blend.preserve) {
      result = CLayerPtr::Adopt(target.CreateCopy());
      if (!result->IsWholeCopyOf(target)) return {};
      result->SetVisible(1);
      result->MergeLayer(source);
    } else {
      // The saved target is shared with the undo step: merge from a copy
      // holding its buffers, made visible, never from the layer itself.
      CLayerPtr below = CLayerPtr::Adopt(target.CreateSharedCopy());
      below->SetVisible(1);
      result = CLayerPtr::Adopt(stack.MergeLayers({below.get(), source}, targetInfo, 0, RECT{}));
    }
  } catch (const std::exception&) {
    return {};
  }
  if (!result) return {};
  result->SetLayerInfo(targetInfo);
  return result;
}

}  // namespace lumora
