// Mixing without a window: channels into the working layers, the mask, the
// blend, the settings.
#include "dialogs/Mixing.h"

#include <algorithm>

#include "engine/blend/MergeModes.h"
#include "engine/pixels/Div255.h"
#include "platform/rect.h"
#include "res/StringTable.h"

namespace lumora {

namespace {

constexpr const char* kSection = "MIXINGS";

RECT MaskPlaceOf(const CLayer& layer) {
  const RECT m = layer.GetMaskRect();
  return RectIsEmpty(m) ? layer.GetRect() : m;
}

// The mask value of the layer at image (x, y): 255 without a mask, 0 off
// the mask.
int MaskValue(const CLayer& layer, const VrWA2000::WA* mask, const RECT& place, LONG x, LONG y) {
  if (mask == nullptr) return 255;
  const LONG mx = x - place.left, my = y - place.top;
  if (mx < 0 || my < 0 || mx >= mask->GetW() || my >= mask->GetH()) return 0;
  return mask->Row(static_cast<int>(my))[mx];
}

// The palette entry of pixel x of a row of a 1-, 4- or 8-bit palette image.
const PALETTEENTRY& PaletteAt(const VrWA2000::WA& image, const std::uint8_t* row, LONG x) {
  int index = 0;
  switch (image.GetType()) {
    case kWAType1Bit: index = (row[x / 8] >> (7 - x % 8)) & 1; break;
    case kWAType4Bit: index = (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F; break;
    default: index = row[x]; break;
  }
  return image.Palette()[index];
}

// The channel value of a pixel of the image at buffer (x, row): 24-bit
// pixels hold blue, green, red; grey is (11 B + 59 G + 30 R) / 100 there
// and (30 red + 59 green + 11 blue) / 100 of a palette entry.
int ChannelValue(const VrWA2000::WA& image, int channel, LONG x, int row) {
  const std::uint8_t* r = image.Row(row);
  switch (image.GetType()) {
    case kWAType24: {
      const std::uint8_t* p = r + x * 3;
      switch (channel) {
        case kChannelBlue: return p[0];
        case kChannelGreen: return p[1];
        case kChannelRed:
        case kChannelSelection: return p[2];
        default: return (11 * p[0] + 59 * p[1] + 30 * p[2]) / 100;
      }
    }
    case kWAType8Grey: return r[x];
    default: {
      const PALETTEENTRY& e = PaletteAt(image, r, x);
      switch (channel) {
        case kChannelRed:
        case kChannelSelection: return e.peRed;
        case kChannelGreen: return e.peGreen;
        case kChannelBlue: return e.peBlue;
        default: return DialogGrey(e.peRed, e.peGreen, e.peBlue);
      }
    }
  }
}

void Put(VrWA2000::WA& work, LONG x, int row, int value) {
  std::uint8_t* p = work.Row(row);
  if (work.GetType() == kWAType24) {
    p[x * 3] = p[x * 3 + 1] = p[x * 3 + 2] = static_cast<std::uint8_t>(value);
  } else {
    p[x] = static_cast<std::uint8_t>(value);
  }
}

}  // namespace

MixingSettings LoadMixingSettings(fw::Profile& profile) {
  MixingSettings s;
  const std::string merged(res::String(kMergedEntryText)), grey(res::String(kChannelGrey));
  s.topDoc = profile.GetString(kSection, "Top_doc", "");
  s.bottomDoc = profile.GetString(kSection, "Bottom_doc", "");
  s.maskDoc = profile.GetString(kSection, "Mask_doc", "");
  s.topLayer = profile.GetString(kSection, "Top_layer", merged);
  s.bottomLayer = profile.GetString(kSection, "Bottom_layer", merged);
  s.maskLayer = profile.GetString(kSection, "Mask_layer", merged);
  s.topChannel = profile.GetString(kSection, "Top_channel", grey);
  s.bottomChannel = profile.GetString(kSection, "Bottom_channel", grey);
  s.maskChannel = profile.GetString(kSection, "Mask_channel", grey);
  s.topInverted = profile.GetInt(kSection, "Top_inverted", 0);
  s.bottomInverted = profile.GetInt(kSection, "Bottom_inverted", 0);
  s.maskInverted = profile.GetInt(kSection, "Mask_inverted", 0);
  s.merge = profile.GetString(kSection, "merge", GetMergeModeName(kMergeNormal));
  s.preview = profile.GetInt(kSection, "preview", 0);
  // The value lives in one byte.
  const int opacity = profile.GetInt(kSection, "opacity", 100) & 0xFF;
  s.opacity = std::clamp(opacity, 1, 100);
  s.mask = profile.GetInt(kSection, "mask", 0);
  s.result = std::clamp(profile.GetInt(kSection, "result", 0), 0, 1);
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

void SaveMixingSettings(fw::Profile& profile, const MixingSettings& s) {
  const std::pair<const char*, const std::string*> texts[] = {
      {"Top_doc", &s.topDoc},         {"Bottom_doc", &s.bottomDoc},         {"Mask_doc", &s.maskDoc},
      {"Top_layer", &s.topLayer},     {"Bottom_layer", &s.bottomLayer},     {"Mask_layer", &s.maskLayer},
      {"Top_channel", &s.topChannel}, {"Bottom_channel", &s.bottomChannel}, {"Mask_channel", &s.maskChannel},
      {"merge", &s.merge}};
  for (const auto& [key, value] : texts) profile.WriteString(kSection, key, *value);
  const std::pair<const char*, int> numbers[] = {
      {"Top_inverted", s.topInverted}, {"Bottom_inverted", s.bottomInverted}, {"Mask_inverted", s.maskInverted},
      {"preview", s.preview},          {"opacity", s.opacity},                {"mask", s.mask},
      {"result", s.result},            {"add_scale", ScaleToStored(s.addScale)}, {"add_offset", s.addOffset},
      {"sub_scale", ScaleToStored(s.subScale)}, {"sub_offset", s.subOffset}};
  for (const auto& [key, value] : numbers) profile.WriteInt(kSection, key, value);
}

std::vector<int> MixingBlendingEntries() {
  const int S = kSeparatorCode;
  return {0, 9, S, 7, 8, 10, 12, 11, S, 15, 16, S, 1, 2, 13, 14, S, 17, 18};
}

std::vector<int> MixingChannels(int imageType, bool hasSelection) { return ApplyMaskChannels(imageType, hasSelection); }

CLayerPtr TakeMixingLayer(ApplyImageSource& source, bool merged, const std::string& name, int channel,
                          const ApplyWork& work) {
  if (channel == kChannelSelection) return BuildSelectionLayer(source, 255, work);
  CLayersManager* stack = source.Stack();
  if (stack == nullptr) return {};
  if (merged) {
    const int type = stack->GetImageType() == kWAType8Grey ? kWAType8Grey : kWAType24;
    return CLayerPtr::Share(source.Merged(type));
  }
  CLayer* layer = stack->FindLayerByName(name.c_str());
  return layer != nullptr && layer->PeekImage() != nullptr ? CLayerPtr::Share(layer) : CLayerPtr();
}

void FillMixingChannel(CLayer& work, const CLayer* source, int channel, bool inverted) {
  VrWA2000::WA* out = work.PeekImage();
  if (out == nullptr) return;
  const RECT r = work.GetRect();
  const VrWA2000::WA* image = source != nullptr ? source->PeekImage() : nullptr;
  if (image == nullptr) {
    FillLayerRect(&work, r, 255);
  } else {
    const RECT s = source->GetRect();
    const VrWA2000::WA* mask = source->HasMask() ? source->PeekMask() : nullptr;
    const RECT place = MaskPlaceOf(*source);
    const bool transparency = channel == kChannelTransparency;
    for (int row = 0; row < out->GetH(); ++row) {
      const LONG y = r.top + row;
      for (LONG col = 0; col < out->GetW(); ++col) {
        const LONG x = r.left + col;
        int v = 255;
        if (!RectContainsPoint(s, x, y)) {
          v = transparency ? 0 : 255;
        } else if (transparency) {
          v = MaskValue(*source, mask, place, x, y);
        } else if (mask == nullptr || MaskValue(*source, mask, place, x, y) >= 1) {
          v = ChannelValue(*image, channel, x - s.left, static_cast<int>(y - s.top));
        }
        Put(*out, col, row, v);
      }
    }
  }
  if (inverted) {
    const int bytes = out->GetW() * (out->GetType() == kWAType24 ? 3 : 1);
    for (int y = 0; y < out->GetH(); ++y) {
      std::uint8_t* p = out->Row(y);
      for (int x = 0; x < bytes; ++x) p[x] = static_cast<std::uint8_t>(255 - p[x]);
    }
  }
}

bool SetMixingTopMask(CLayer& top, const CLayer* source) {
  if (top.CreateMask(1) != kLayerOk) return false;
  VrWA2000::WA* mask = top.PeekMask();
  if (source == nullptr) return true;
  const RECT r = MaskPlaceOf(top), s = source->GetRect();
  const VrWA2000::WA* sourceMask = source->HasMask() ? source->PeekMask() : nullptr;
  const RECT place = MaskPlaceOf(*source);
  for (int row = 0; row < mask->GetH(); ++row) {
    std::uint8_t* d = mask->Row(row);
    for (LONG col = 0; col < mask->GetW(); ++col) {
      const LONG x = r.left + col, y = r.top + row;
      d[col] = static_cast<std::uint8_t>(RectContainsPoint(s, x, y) ? MaskValue(*source, sourceMask, place, x, y) : 0);
    }
  }
  return true;
}

void MaskMixingTop(CLayer& top, const CLayer& k, int channel, bool inverted) {
  VrWA2000::WA* mask = top.HasMask() ? top.PeekMask() : nullptr;
  const VrWA2000::WA* image = k.PeekImage();
  if (mask == nullptr || image == nullptr) return;
  const RECT r = MaskPlaceOf(top), kr = k.GetRect();
  const VrWA2000::WA* kMask = k.HasMask() ? k.PeekMask() : nullptr;
  const RECT kPlace = MaskPlaceOf(k);
  const bool transparency = channel == kChannelTransparency;
  for (int row = 0; row < mask->GetH(); ++row) {
    std::uint8_t* d = mask->Row(row);
    for (LONG col = 0; col < mask->GetW(); ++col) {
      const LONG x = r.left + col, y = r.top + row;
      if (!RectContainsPoint(kr, x, y)) {
        if (!(inverted && transparency)) d[col] = 0;
        continue;
      }
      const std::uint32_t a = static_cast<std::uint32_t>(MaskValue(k, kMask, kPlace, x, y));
      std::uint32_t m = d[col];
      if (!transparency) m = Div255(m * a);
      std::uint32_t v = transparency ? a : static_cast<std::uint32_t>(ChannelValue(*image, channel, x - kr.left, static_cast<int>(y - kr.top)));
      if (inverted) v = 255 - v;
      d[col] = static_cast<std::uint8_t>(Div255(m * v));
    }
  }
}

void BlendMixing(CLayer& result, CLayer& top, const ApplyBlend& blend) {
  LAYER_INFO info = top.GetLayerInfo();
  info.opacity = std::clamp(blend.opacity, 0, 100);
  info.mergeMode = blend.mergeMode;
  info.visible = 1;
  top.SetLayerInfo(info);
  top.SetMergeMode(blend.mergeMode);
  top.SetAddScaleOffset(blend.addScale, blend.addOffset);
  top.SetSubtractScaleOffset(blend.subScale, blend.subOffset);
  result.MergeLayer(&top);
}

}  // namespace lumora
