// The shape tools' fills: the inside test of the ellipse inscribed in a
// rectangle of two corners.
#pragma once

#include <cstdint>
#include <vector>

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

// The polygon's fill: a pixel is inside when its centre is (even-odd rule)
// within the closed outline through the vertices, which are signed (a
// vertex left of or below the image stays where it is).
class PolygonInside {
 public:
  explicit PolygonInside(const std::vector<POINT>& vertices);
  bool operator()(int x, int y) const;
  // (min x, min y, max x + 1, max y + 1) of the vertices.
  RECT Bounds() const { return bounds_; }

 private:
  RECT bounds_{};
  int width_ = 0;
  std::vector<std::uint8_t> inside_;  // one byte a pixel of the bounds
};

}  // namespace paint
