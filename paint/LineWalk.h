// The point walk of a stroke between two mouse positions: the same points,
// in the same order, as the system's line walk (LineDDA): the start point
// and every point up to, not including, the end point.
#pragma once

namespace paint {

template <typename Visit>
void WalkLine(int x0, int y0, int x1, int y1, Visit&& visit) {
  int dx = x1 - x0;
  int dy = y1 - y0;
  const int stepX = dx < 0 ? -1 : 1;
  const int stepY = dy < 0 ? -1 : 1;
  dx = dx < 0 ? -dx : dx;
  dy = dy < 0 ? -dy : dy;
  // Midpoint walk along the longer axis; the shorter axis steps when the
  // running error turns positive.
  const bool alongX = dx > dy;
  const int major = alongX ? dx : dy;
  const int minor = alongX ? dy : dx;
  int error = 2 * minor - major;
  int x = x0;
  int y = y0;
  for (int i = 0; i < major; ++i) {
    visit(x, y);
    if (error > 0) {
      if (alongX) y += stepY; else x += stepX;
      error += 2 * (minor - major);
    } else {
      error += 2 * minor;
    }
    if (alongX) x += stepX; else y += stepY;
  }
}

}  // namespace paint
