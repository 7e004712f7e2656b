// Selections made of a layer's mask, for the layer palette's mask
// commands: the mask as a selection, and that selection combined with the
// current one (add 14, subtract 2, intersect 8: the complex fragment codes).
#pragma once

#include <cstdint>

#include "engine/layers/Layer.h"
#include "hostapi/fragment.h"

namespace lumora {

// The selection level of a percentage (0..100) of the threshold setting.
std::uint8_t SelectionLevelOfPercent(int percent);

// A new selection of the layer: the mask pixels at or above `level` (0
// counts as 1) over the smallest rectangle holding them, the others 0;
// with `hard` those pixels become 255, else they keep their value. A layer
// without a mask gives its rectangle. Null without a layer, for a mask not
// of the layer's size, when no mask pixel reaches the level, or without
// memory.
Fragment* MakeSelectionMask(const CLayer* layer, std::uint8_t level, bool hard);

// A new fragment: the selection combined with the fragment by the code;
// without a selection the fragment itself (a copy). Null for a null
// fragment or without memory.
Fragment* CombineSelection(const Fragment* selection, const Fragment* fragment, int mode);

// A new selection: `selection` aligned to the layer. An empty selection
// gives the layer's soft mask selection at `level`; any other is
// intersected with the layer's hard mask selection and rendered into one
// mask, cropped to the pixels it selects (the complex intersection itself
// when it cannot be rendered). Null without a layer or a selection, or
// without memory.
Fragment* CopyFragmentArea(const CLayer* layer, const Fragment* selection, std::uint8_t level);

}  // namespace lumora
