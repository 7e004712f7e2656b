// Whole-layer geometry in two steps: a change (new image, mask and rect) is
// built from a layer without touching it, then swapped into the layer. The
// stack's image-wide operations build the changes of every layer first and
// swap them in only when all were built; a swap hands the layer's former
// state back, so swapping the same change again restores the layer.
#pragma once

#include <cstdint>

#include "engine/layers/Layer.h"
#include "engine/pixels/Progress.h"

namespace lumora {

// The progress parameters shared by the layers of one operation: the
// callback (null: none) is asked with (++*position, total) once per row.
struct LayerProgress {
  PROGRESSPROC callback = nullptr;
  int total = 0;
  int* position = nullptr;
};

// A layer's buffers, rect and mask state, either built for it or taken from
// it by SwapIn.
struct LayerChange {
  WAPtr image;
  WAPtr mask;  // null: the layer has no mask
  RECT rect = {};
  RECT maskRect = {};
  std::uint8_t maskFlags = 0;
  bool transparencyLocked = false;
};

// Each Build returns false (nothing made, the layer untouched) when a buffer
// cannot be made or the callback cancels, and before any arithmetic when a
// rect, point or resulting size lies outside the limits of ImageLimits.h
// (BuildCrop: kFailed).
//
// Image and mask resampled (interpolated) to the new rect's size.
bool BuildScale(const CLayer& layer, const RECT& newRect, const LayerProgress& progress,
                LayerChange* out);
// Image and mask turned about `centre` by the angle; with `opaqueMask` a
// layer of type 8 or 16 without a mask is given one, opaque over its rect
// before the turn, so that the uncovered corners become transparent. The
// rect takes the top-left of the old rect's rotated bounds and the size of
// the turned image.
bool BuildRotate(const CLayer& layer, double angle, int inRadians, POINT centre, bool opaqueMask,
                 const LayerProgress& progress, LayerChange* out);
// Image and mask mirrored on the chosen axes; the rect stays.
bool BuildFlip(const CLayer& layer, bool horizontal, bool vertical, const LayerProgress& progress,
               LayerChange* out);

enum class CropOutcome { kFailed, kOutside, kWhole, kBuilt };
// kOutside: the crop does not meet the layer; kWhole: it holds the whole
// layer (nothing built for either). kBuilt: buffers of the crop's size, the
// overlap copied, palette types first filled with the three values, a mask
// transparent outside the overlap for a type 8 or 16 layer that had none
// and does not fill the crop.
CropOutcome BuildCrop(const CLayer& layer, const RECT& crop, int fill1, int fill2, int fill3,
                      LayerChange* out);

// Installs the change (the layer keeps its image's resolution) and leaves
// the layer's former state in it.
void SwapIn(CLayer* layer, LayerChange* change);

// The layer's mask on the layer's own rect: the mask itself when it lies
// there, else a copy re-cut to the rect (the mask's default colour outside
// it). Null without a mask; false when the copy cannot be made.
bool MaskOnLayerRect(const CLayer& layer, WAPtr* out);

}  // namespace lumora
