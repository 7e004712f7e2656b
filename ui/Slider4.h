// The four-thumb blend-if slider without its window: the values (low start,
// low end, high start, high end), the mapping between values and pixels
// with a 7-pixel margin on each side, and which thumb a drag moves.
#pragma once

#include <array>

namespace lumora {

class Slider4 {
 public:
  enum Thumb : int { kLowStart = 0, kLowEnd = 1, kHighStart = 2, kHighEnd = 3 };

  void SetRange(int min, int max);
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetValues(const std::array<int, 4>& values);
  const std::array<int, 4>& Values() const { return values_; }

  // Client width `width`: x = (value - min) (width - 14) / (max - min) + 7
  // and back, both rounded by half the divisor, values clamped to the range.
  int ValueToX(int value, int width) const;
  int XToValue(int x, int width) const;

  // A drag: the button goes down (Ctrl held or not), the pointer moves,
  // the button goes up. Each move sets a thumb to the pointer's value and
  // returns that value.
  void Press(bool ctrl);
  int MoveTo(int value);
  void Release();
  bool Dragging() const { return dragging_; }

 private:
  int min_ = 0;
  int max_ = 255;
  std::array<int, 4> values_{0, 0, 255, 255};
  bool dragging_ = false;
  bool ctrl_ = false;
  int pair_ = -1;  // 0 low, 1 high; chosen on the drag's first move
};

}  // namespace lumora
