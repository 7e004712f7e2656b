// The eraser: clears the target's mask, brings back the pixels of the last
// action's snapshot, or paints the foreground or background colour (also
// only over pixels of the other colour).
#pragma once

#include "paint/PaintBrush.h"

namespace paint {

enum EraseAction : int {
  kEraseClear = 0,
  kEraseLastAction = 1,
  kEraseToBackground = 2,
  kEraseToForeground = 3,
  kEraseForegroundToBackground = 4,
  kEraseBackgroundToForeground = 5,
};

constexpr int kUndoErase = 61477;
extern const char kMsgLayerHasNoMask[];

class CEraseBrush : public CPaintBrush {
 public:
  explicit CEraseBrush(BrushRandom& random);

  void SetAction(int action) { action_ = action; }
  int Action() const { return action_; }
  bool BeginStroke() override;

 protected:
  bool PaintAt(const RECT& dab) override;
  bool CanGrowLayer() const override { return action_ == kEraseLastAction; }
  void EndStroke() override;

 private:
  struct Sample {
    int colour[3];  // blue, green, red (grey in [0])
    int alpha;
  };
  struct Sources {
    VrWA2000::WA* savedImage;
    VrWA2000::WA* savedMask;
    VrWA2000::WA* targetValue;  // the buffer being painted
    VrWA2000::WA* targetMask;
  };
  // What every dab of the eraser reads: the paint layer's buffers, the
  // selection in target-layer coordinates, pressure and dab mask.
  struct DabFrame {
    WAPtr image, mask, aux;
    int channels = 0;
    SelectionLimit selection;
    int pressure = 255;
    const std::uint8_t* shape = nullptr;
    int dabWidth = 0;
  };
  DabFrame FrameFor(const RECT& dab) const;
  bool BeginRestore();
  bool RestoreDab(RECT r);
  bool ColourDab(RECT r);
  Sample SavedSample(const Sources& in, int x, int y, int channels) const;
  Sample TargetSample(const Sources& in, int x, int y, int channels) const;
  void ReleaseSaved();

  int action_ = kEraseClear;
  COLORREF savedForeground_ = 0;
  COLORREF savedBackground_ = 0;
  bool coloursSaved_ = false;
  RECT strokeStart_{};
  CLayerPtr saved_;
};

}  // namespace paint
