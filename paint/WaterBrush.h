// The water-colour tool, straight into the target: the water drop picks up
// the average colour under each dab from the stroke-start copy and lays the
// running average of the last dabs under a soft mask; the smear pushes the
// pixels under each dab along the motion with a smooth bump profile and
// bilinear resampling in sixteenths of a pixel.
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
  bool PrepareSmear();
  bool SmearDab(const RECT& dab);
  void SmearBlock(int bx, int by);
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
  std::vector<std::uint8_t> block_;  // the smeared square, brush width wide
  std::vector<int> profileX_, profileY_;  // 4096 at the centre, 0 at the edges
  int smearX_ = 0, smearY_ = 0;  // displacement in sixteenths
};

// The smear's bump: entry i of a profile over `size` pixels (4096 scale).
std::vector<int> SmearProfile(int size, int last);

}  // namespace paint
