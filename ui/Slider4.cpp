#include "ui/Slider4.h"

#include <algorithm>
#include <cstdlib>

namespace lumora {

void Slider4::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(max, min + 1);
  for (int& v : values_) v = std::clamp(v, min_, max_);
}

void Slider4::SetValues(const std::array<int, 4>& values) {
  for (int i = 0; i < 4; ++i) values_[static_cast<std::size_t>(i)] = std::clamp(values[static_cast<std::size_t>(i)], min_, max_);
}

int Slider4::ValueToX(int value, int width) const {
  const int range = max_ - min_;
  return ((value - min_) * (width - 14) + range / 2) / range + 7;
}

int Slider4::XToValue(int x, int width) const {
  const int span = std::max(width - 14, 1);
  const int value = ((x - 7) * (max_ - min_) + span / 2) / span + min_;
  return std::clamp(value, min_, max_);
}

void Slider4::Press(bool ctrl) {
  dragging_ = true;
  ctrl_ = ctrl;
  pair_ = -1;
}

int Slider4::MoveTo(int value) {
  value = std::clamp(value, min_, max_);
  const auto distance = [&](int thumb) { return std::abs(values_[static_cast<std::size_t>(thumb)] - value); };
  if (pair_ < 0) {
    // The nearer pair, the low one on a tie.
    const int low = std::min(distance(kLowStart), distance(kLowEnd));
    const int high = std::min(distance(kHighStart), distance(kHighEnd));
    pair_ = low <= high ? 0 : 1;
  }
  int& start = values_[static_cast<std::size_t>(2 * pair_)];
  int& end = values_[static_cast<std::size_t>(2 * pair_ + 1)];
  if (ctrl_) {
    // The pair spreads: its start follows values below it, its end values
    // above it.
    if (value < start) start = value;
    if (value > end) end = value;
    if (start == end) ctrl_ = false;
  } else if (start == end) {
    start = end = value;
  } else if (std::abs(start - value) <= std::abs(end - value)) {
    start = std::min(value, end);
  } else {
    end = std::max(value, start);
  }
  return value;
}

void Slider4::Release() {
  dragging_ = false;
  pair_ = -1;
}

}  // namespace lumora
