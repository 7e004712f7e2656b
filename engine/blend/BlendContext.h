// The blend fields of a layer, kept together so that the row loops see only
// this plain record and never the layer object: the chosen blend function,
// opacity and its table, merge mode, the Add and Subtract parameters, the
// blend-if ranges and tables, the replace flag of a work layer and the
// layer's unique id (the seed of the Dissolve pattern).
#pragma once

#include <cstdint>

#include "engine/blend/BlendModes.h"

namespace lumora {

struct BlendContext {
  BlendContext() { SetOpacity(255), ResetBlendIf(); }

  // The mode-table row whose function blends this layer; null until chosen
  // (the row loops then use the row of the merge mode without storing it).
  const BlendMode* blendFunction = nullptr;
  // A work layer whose pixels replace the target's instead of blending.
  std::uint32_t replace = 0;
  std::int32_t mergeMode = kMergeNormal;
  std::uint16_t addScale = 10000;  // 10000 = 1.0
  std::int16_t addOffset = 0;
  std::uint16_t subtractScale = 10000;
  std::int16_t subtractOffset = 0;
  // Set when any range is not the full {0, 0, 255, 255}; the loops apply
  // the tables only while it is set.
  std::uint32_t blendIfActive = 0;
  // Ranges 0-3: this layer's grey, red, green, blue; 4-7: the underlying
  // pixel's. Each {black low, black high, white low, white high}.
  std::uint8_t blendIfRanges[8][4];
  std::uint8_t blendIfTables[8][256];
  std::uint64_t uniqueId = 0;

  // Opacity and its table change together: table[i] = i * opacity / 255.
  void SetOpacity(std::uint8_t value) {
    opacity_ = value;
    for (int i = 0; i < 256; ++i) {
      opacityTable_[i] = static_cast<std::uint8_t>(i * value / 255);
    }
  }
  std::uint8_t Opacity() const { return opacity_; }
  const std::uint8_t* OpacityTable() const { return opacityTable_; }

  // Every range full, tables rebuilt (all 255), blend-if inactive.
  void ResetBlendIf() {
    for (auto& range : blendIfRanges) {
      range[0] = 0, range[1] = 0, range[2] = 255, range[3] = 255;
    }
    RebuildBlendIfTables();
  }
  // Rebuilds the eight tables from the ranges and sets blend-if active when
  // any range differs from the full one.
  void RebuildBlendIfTables();

  // The mode whose formula applies: the chosen function, else the merge
  // mode's (codes outside 0..18 blend as Normal).
  const BlendMode& EffectiveMode() const {
    return blendFunction != nullptr ? *blendFunction : GetBlendMode(mergeMode);
  }
  // The parameter handed to the blend function: Add and Subtract take their
  // scale (clamped to 10000..20000) and offset, every other mode the opacity.
  std::uint32_t ModeParameter() const;

 private:
  std::uint8_t opacity_ = 255;
  std::uint8_t opacityTable_[256];
};

}  // namespace lumora
