// Sorting pieces between the render queue's lists by what the views show:
// visible parts to be composited now, hidden parts deferred until a view
// shows them, and the immediate list of interactive layer moves.
#pragma once

#include <vector>

#include "platform/win32types.h"
#include "engine/render/CellGrid.h"
#include "engine/render/CellList.h"

namespace lumora {

// `viewRects` holds the visible image rectangle of every registered view,
// in registration order (empty for a view without a window or client area).

// For every view in order and every piece: merges the part of the piece
// that the view shows into `render`; a piece that a view shows whole leaves
// `pieces`.
void QueueVisibleParts(std::vector<MapRectCell>* pieces, const std::vector<RECT>& viewRects,
                       CellList* render);

// Merges into `deferred` what no view shows of the pieces. With one view,
// the bands of each piece outside its visible rectangle; otherwise every
// piece that no view shows whole (with no view at all, every piece: damage
// must wait for a view, not vanish).
void DeferHiddenParts(const std::vector<MapRectCell>& pieces, const std::vector<RECT>& viewRects,
                      CellList* deferred);

// Both steps: the queue's way of sorting newly damaged pieces.
void SortPieces(std::vector<MapRectCell>* pieces, const std::vector<RECT>& viewRects,
                CellList* render, CellList* deferred);

// Immediate path: for every view in order, merges the part of each piece
// that it shows into `immediate`; a piece shown whole leaves `pieces`. A
// view with an empty rectangle ends the step: returns false then.
bool QueueVisiblePartsNow(std::vector<MapRectCell>* pieces, const std::vector<RECT>& viewRects,
                          CellList* immediate);

}  // namespace lumora
