// What Image/Mixing... computes without a window: a bottom and a top
// channel written into grey working layers, the top optionally masked by a
// channel of a third layer, the top blended over the bottom; the
// remembered choices (section "MIXINGS").
#pragma once

#include <string>
#include <vector>

#include "dialogs/ApplyImage.h"

namespace lumora {

struct MixingSettings {
  std::string topDoc, topLayer, topChannel;
  std::string bottomDoc, bottomLayer, bottomChannel;
  std::string maskDoc, maskLayer, maskChannel;
  int topInverted = 0, bottomInverted = 0, maskInverted = 0;
  std::string merge;
  int preview = 0;
  int opacity = 100;
  int mask = 0;
  int result = 0;  // 0 New Document, 1 Selection
  double addScale = 1.0;
  int addOffset = 0;
  double subScale = 1.0;
  int subOffset = 0;
};

// Reads the section: opacity is kept in 8 bits, then 0 reads as 1 and
// anything above 100 as 100; result is clamped to 0..1; scales and
// offsets as Apply Image's.
MixingSettings LoadMixingSettings(fw::Profile& profile);
// Written on OK only.
void SaveMixingSettings(fw::Profile& profile, const MixingSettings& settings);

// The Blending list: 15 modes (no Hue, Saturation, Color, Luminosity),
// kSeparatorCode where a separator line goes.
std::vector<int> MixingBlendingEntries();
// The Channel lists (top, bottom, mask): Grey, the three colours for an
// RGB image, Transparency and, with a selection, a separator and Selection.
std::vector<int> MixingChannels(int imageType, bool hasSelection);

// The layer a group reads: the selection as a layer for the Selection
// channel, the merged image for `merged`, else the first layer of the name
// (from the stack as it was, for the target). Null when there is none.
CLayerPtr TakeMixingLayer(ApplyImageSource& source, bool merged, const std::string& name, int channel,
                          const ApplyWork& work);

// The channel of the source written into the working layer over its whole
// rect: white where there is no source (black outside it for
// Transparency), the mask values for Transparency, else the channel value
// where the source's mask is at least 1; then inverted with `inverted`.
void FillMixingChannel(CLayer& work, const CLayer* source, int channel, bool inverted);
// The working top layer's mask: the top layer's mask (255 without one)
// inside its rect, 0 outside.
bool SetMixingTopMask(CLayer& top, const CLayer* source);
// The top mask multiplied by the mask layer's channel (Selection reads the
// red component, Transparency the mask); outside the mask layer cleared,
// or kept for an inverted Transparency channel.
void MaskMixingTop(CLayer& top, const CLayer& maskLayer, int channel, bool inverted);
// The top over the result in place with the blend's mode, opacity and Add
// and Subtract parameters.
void BlendMixing(CLayer& result, CLayer& top, const ApplyBlend& blend);

}  // namespace lumora
