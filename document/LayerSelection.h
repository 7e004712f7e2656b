// The selection as masks over layers: what the layer operations that copy,
// cut, clear or mask the selected area (and the crop to a selection) build
// from the document's selection.
#pragma once

#include "hostapi/fragment.h"
#include "platform/win32types.h"

namespace lumora {

// A mask fragment over the rect holding the selection's coverage there:
// its smoothed edge, and its inversion already applied (the result is not
// inverted). The caller's reference; null for no selection, an empty rect
// or no memory.
Fragment* SelectionToMask(Fragment* selection, const RECT& rect);

// The part of `within` the selection may reach: all of it for an inverted
// selection, nothing for an empty one, else the overlap with the
// selection's bounds.
RECT SelectionReach(const Fragment* selection, const RECT& within);

}  // namespace lumora
