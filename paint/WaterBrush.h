// The water-colour tool's water drop: each dab picks up the average colour
// under it from the stroke-start copy and lays the running average of the
// last dabs into the pixels under a soft mask, straight into the target.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "paint/StrokeBrush.h"

namespace paint {

enum WaterManner : int { kWaterDrop = 0, kWaterSmear = 1 };

extern const char kMsgNoPalettedImages[];

// The drop's soft mask: the shape inside margins of a fifth of the size,
// softened by a box filter as wide as the margins.
std::vector<std::uint8_t> BuildWaterDropMask(int width, int height, int shape);

class CWaterBrush : public StrokeBrush {
 public:
  CWaterBrush();

  void SetManner(int manner) { manner_ = manner; }
  void SetStrength(int strength) { strength_ = std::clamp(strength, 1, 10); }
  void SetShape(int shape) { shape_ = shape; }
  void SetSize(int width) { width_ = width; }
  void SetPressureSource(std::function<int()> source) { pressureSource_ = std::move(source); }
  int HistoryCount() const { return count_; }

 protected:
  bool BeginStroke() override;
  bool PaintAt(const RECT& dab) override;
  void EndStroke() override;

 private:
  static constexpr int kHistory = 100;
  void MixDab(const RECT& r, const RECT& dab, const int average[3]);

  int manner_ = kWaterDrop;
  int strength_ = 7;
  int shape_ = 1;
  std::function<int()> pressureSource_;
  std::vector<std::uint8_t> dropMask_;
  WAPtr painted_;  // the buffer being painted
  WAPtr copy_;     // its state at stroke start
  int history_[3][kHistory] = {};  // red, green, blue
  int count_ = 0;
};

}  // namespace paint
