// Sorting pieces between the render queue's lists by what the views show.
#include "engine/render/CellSort.h"

#include <algorithm>

#include "platform/rect.h"

namespace lumora {

namespace {

bool Inside(const RECT& inner, const RECT& outer) {
  return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
         inner.bottom <= outer.bottom;
}

// Merges the part of each piece inside `shown`; drops the pieces that lie
// wholly inside it.
void TakeShownParts(std::vector<MapRectCell>* pieces, const RECT& shown, CellList* list) {
  auto kept = pieces->begin();
  for (const MapRectCell& piece : *pieces) {
    RECT part;
    if (RectIntersect(&part, piece.rect, shown)) list->AddMerged(MapRectCell{piece.index, part});
    if (!Inside(piece.rect, shown)) *kept++ = piece;
  }
  pieces->erase(kept, pieces->end());
}

}  // namespace

void QueueVisibleParts(std::vector<MapRectCell>* pieces, const std::vector<RECT>& viewRects,
                       CellList* render) {
  for (const RECT& shown : viewRects) {
    if (pieces->empty()) return;
    if (RectIsEmpty(shown)) continue;
    TakeShownParts(pieces, shown, render);
  }
}

void DeferHiddenParts(const std::vector<MapRectCell>& pieces, const std::vector<RECT>& viewRects,
                      CellList* deferred) {
  if (viewRects.size() == 1) {
    const RECT& shown = viewRects.front();
    for (const MapRectCell& piece : pieces) {
      RECT part;
      if (RectIsEmpty(shown) || !RectIntersect(&part, piece.rect, shown)) {
        deferred->AddMerged(piece);
        continue;
      }
      RECT bands[4];
      GetBorderRects(piece.rect, shown, &bands[0], &bands[1], &bands[2], &bands[3]);
      for (const RECT& band : bands) {
        if (!RectIsEmpty(band)) deferred->AddMerged(MapRectCell{piece.index, band});
      }
    }
    return;
  }
  for (const MapRectCell& piece : pieces) {
    const bool shownWhole = std::any_of(viewRects.begin(), viewRects.end(), [&](const RECT& shown) {
      return !RectIsEmpty(shown) && Inside(piece.rect, shown);
    });
    if (!shownWhole) deferred->AddMerged(piece);
  }
}

void SortPieces(std::vector<MapRectCell>* pieces, const std::vector<RECT>& viewRects,
                CellList* render, CellList* deferred) {
  QueueVisibleParts(pieces, viewRects, render);
  DeferHiddenParts(*pieces, viewRects, deferred);
}

bool QueueVisiblePartsNow(std::vector<MapRectCell>* pieces, const std::vector<RECT>& viewRects,
                          CellList* immediate) {
  for (const RECT& shown : viewRects) {
    if (RectIsEmpty(shown)) return false;
    TakeShownParts(pieces, shown, immediate);
  }
  return true;
}

}  // namespace lumora
