// The spray tool: at every stroke position, single-pixel dots at random
// places of the dab rectangle where the brush shape is non-zero, blended
// into the paint layer dot by dot.
#pragma once

#include "paint/PaintBrush.h"

namespace paint {

class CAirBrush : public CPaintBrush {
 public:
  explicit CAirBrush(BrushRandom& random);

  // Spray density in percent (values above 99 act as 99).
  void SetDensity(int percent) { density_ = percent; }
  int SprayCount() const { return sprayCount_; }

  bool BeginStroke() override;
  // Lays one step's dots around the current stroke point into the job's
  // buffers; false when a buffer is missing or the format is not 8 or 16.
  bool SprayStep(const DabJob& job);

 protected:
  bool PaintAt(const RECT& dab) override;

 private:
  int density_ = 50;
  int sprayCount_ = 1;
};

}  // namespace paint
