// The work layer of a brush stroke: made directly above its target when a
// stroke starts, shown by rendering as the target's rider while the stroke
// is painted, and merged into the target (or the target's mask) when the
// stroke is committed, or dropped when it is cancelled.
//
// `brush` is what the layer engine needs of the painting tools' brushes:
// whether and how the target may grow, and the stroke's work layer, insert
// mode and flags. The painting tools derive their brushes from it.
#pragma once

#include <cstdint>

#include "engine/layers/LayerMng.h"

// Makes a stroke's work layer (a CLayerPaint of the image type, or with
// `maskPainting` an 8-bit CLayerMask) over `rect` with the stroke's opacity
// and insert mode and the transparency lock, and inserts it directly above
// the target. Returns it with one reference of the brush's own (the stack
// holds another), or null when it cannot be made or inserted.
CLayer* CreatePaintLayer(CLayersManager* stack, int type, const RECT& rect, std::uint8_t opacity,
                         CLayer* target, int lockTransparency, int maskPainting, int insertMode);
// Deletes the work layer from the stack, drops the brush's reference and
// empties the brush's pointer.
void ReleasePaintLayer(CLayersManager* stack, CLayerPtr* workLayer);

class brush {
 public:
  brush() = default;
  brush(const brush&) = delete;
  brush& operator=(const brush&) = delete;
  virtual ~brush() = default;

  // Whether the brush may grow its target to hold the whole stroke, and the
  // growth itself (non-zero when the target now covers the rect).
  virtual int CanGrowTarget() { return 0; }
  virtual int GrowTarget(LONG left, LONG top, LONG right, LONG bottom);

  // Starts a stroke: the work layer, made with CreatePaintLayer, and the
  // values the commit reads. Takes over the reference CreatePaintLayer gave.
  void SetStroke(CLayer* workLayer, int insertMode, int maskPainting);
  // Set by the brush's preparation of its target: merge without the
  // target's mask as coverage.
  void SetNoCoverage(int noCoverage) { noCoverage_ = noCoverage != 0; }
  CLayer* GetWorkLayer() const { return workLayer_.get(); }
  int GetInsertMode() const { return insertMode_; }
  int GetMaskPainting() const { return maskPainting_; }
  int GetNoCoverage() const { return noCoverage_; }

  // Ends the stroke: with `cancel` the work layer is dropped and the target
  // left as it was; otherwise, under the document lock, the target grows
  // to hold the stroke when the brush allows it (a target that cannot grow
  // takes what falls on it), the work layer is merged into the target's
  // image or mask, and the work layer leaves the stack. The caller
  // refreshes the views over the stroke.
  void CommitStroke(CLayersManager* stack, CLayer* target, int cancel);

 protected:
  CLayerPtr workLayer_;
  int insertMode_ = 0;
  int maskPainting_ = 0;
  int noCoverage_ = 0;
};
