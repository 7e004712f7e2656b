// Moving a layer with the mouse or the arrow keys: one drag moves the layer
// and its linked layers (and the selection with them) in one undo step
// opened by the first real displacement, with the render worker stopped and
// the moved rectangles composited at once on the calling thread through the
// render queue's immediate path.
//
// Points and rectangles are image coordinates, rows counted upward
// (engine/pixels/README.md).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/layers/DocumentLock.h"
#include "engine/layers/LayerMng.h"
#include "engine/render/MapRect.h"

namespace lumora {

// What a move needs of the document.
class LayerMoveDocument {
 public:
  virtual ~LayerMoveDocument() = default;
  virtual CLayersManager* MoveStack() = 0;
  virtual CMapRect& MoveQueue() = 0;
  virtual DocumentLock* MoveLock() = 0;
  // Opens the step "Move layer"; false when it cannot be opened.
  virtual bool OpenMoveStep() = 0;
  // The selection travels by d (nothing without one).
  virtual void MoveSelectionBy(POINT d) = 0;
  virtual void MarkMoved() = 0;
  // A message box with the stop icon (10274 or 10275).
  virtual void ShowMoveRefusal(std::uint32_t textId) = 0;
  // After the drag: every view and the palette row brought up to date.
  virtual void MoveEnded(CLayer* layer) = 0;
};

class LayerMove {
 public:
  // Snaps the layer rectangle displaced by *d to the grid and guides by
  // correcting *d.
  using Snap = std::function<void(const RECT& rect, POINT* d)>;

  // Starts a drag of the layer grabbed at the image point: false (nothing
  // changes) for no layer or a stack that cannot hold layers. The render
  // worker stops until End.
  bool Begin(LayerMoveDocument& doc, CLayer* layer, POINT imagePoint);
  // One step to the image point. True when layers moved.
  bool Track(POINT imagePoint, const Snap& snap = nullptr);
  // Ends the drag (a button-up, or the capture lost): the moved rectangles
  // are queued again and the worker restarts.
  void End();
  bool Running() const { return doc_ != nullptr; }
  // Between steps, while nothing else waits: renders at most `budget`
  // cells of what lies below the moved layers ahead of the drag, those
  // under them first, then one cell around them, so the steps that reach
  // them draw only the moved layers and those above. True while such cells
  // remain.
  bool PrepareAhead(int budget);
  // A key's nudge: a drag by (dx, dy) image pixels from start to end.
  bool Nudge(LayerMoveDocument& doc, CLayer* layer, int dx, int dy);
  // Whether the drag opened its step.
  bool Stepped() const { return stepped_; }
  CLayer* Layer() const { return layer_; }

 private:
  // The layer and every other layer of its link id.
  std::vector<CLayer*> MovedLayers() const;
  void QueueDeferred();

  LayerMoveDocument* doc_ = nullptr;
  CLayer* layer_ = nullptr;
  std::uint16_t linkId_ = 0;
  POINT grab_{0, 0};
  bool stepped_ = false;
  // A refusal is said once per drag.
  bool refused_ = false;
};

}  // namespace lumora
