// The clone tool: paints with the pixels of a marked source layer, displaced
// by the offset between the source point and the start of the first stroke
// ("Common"), or each dab in the one source colour under its centre
// ("Artistic"). Marking and the source cross belong to the views; here the
// source point arrives in image coordinates.
#pragma once

#include "paint/PaintBrush.h"

namespace paint {

enum CloneMode : int { kCloneCommon = 0, kCloneArtistic = 1 };

extern const char kMsgNoCloneSource[];
extern const char kMsgDifferentTypes[];

class CClone : public CPaintBrush {
 public:
  CClone(BrushRandom& random, int width);

  // The Shift-click: the source layer and the point on it (image
  // coordinates). False when the layer has no image.
  bool MarkSource(CLayer* layer, POINT at);
  void SetCloneMode(int mode) { cloneMode_ = mode == kCloneCommon ? kCloneCommon : kCloneArtistic; }
  // A press without Shift: checks the source against the target, measures
  // the offset on the first stroke after marking, and starts the stroke.
  bool StartStroke(StrokeDocument* document, int x, int y);
  POINT ImageOffset() const { return offset_; }
  bool SourceSet() const { return sourceSet_; }
  bool OffsetValid() const { return offsetValid_; }
  // The source is forgotten (its view went away).
  void ForgetSource() {
    sourceSet_ = false;
    offsetValid_ = false;
    sourceImage_.Reset();
    sourceMask_.Reset();
  }

  bool BeginStroke() override;

 protected:
  bool PaintAt(const RECT& dab) override;

 private:
  void CommonDab(const DabJob& job, const RECT& r);

  WAPtr sourceImage_;
  WAPtr sourceMask_;
  RECT sourceRect_{};
  POINT sourcePoint_{};
  bool sourceSet_ = false;
  bool offsetValid_ = false;
  POINT offset_{};
  int cloneMode_ = kCloneCommon;
};

}  // namespace paint
