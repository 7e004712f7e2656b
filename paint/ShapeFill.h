// The shape tools' fills: the inside test of the ellipse inscribed in a
// rectangle of two corners.
#pragma once

#include "platform/win32types.h"

namespace paint {

// a = |x1 - x0| / 2 and b = |y1 - y0| / 2 (integer halving), the centre at
// x0 + (x1 - x0) * 0.5 and y0 + (y1 - y0) * 0.5; a pixel's offset from it
// truncated toward zero. Inside when a and b are non-zero and, for a <= b,
// dy^2 <= b^2 - (dx b / a)^2, otherwise dx^2 <= a^2 - (dy a / b)^2.
class EllipseInside {
 public:
  EllipseInside(POINT p0, POINT p1);
  bool operator()(int x, int y) const;

 private:
  float a_, b_;
  double cx_, cy_;
};

}  // namespace paint
