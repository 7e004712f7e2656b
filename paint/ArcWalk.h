// The quarter-ellipse walker of the curve and ellipse tools: from P1 around
// the corner P2 to P3, in 1609 steps of 1/1024 radian (a quarter turn) on
// 16.16 fixed point, handing on each new integer point once.
#pragma once

#include "platform/win32types.h"

namespace paint {

constexpr int kArcSteps = 1609;

// Visits the points of the arc; returns their bounding box (right and
// bottom inclusive of the last point, as left/top/right/bottom extremes).
template <typename Visit>
RECT WalkArc(POINT p1, POINT p2, POINT p3, Visit&& visit) {
  // C is the parallelogram's fourth corner; V runs from C to P1, U from C
  // to P3's side; turning both by 1/1024 radian per step traces the
  // ellipse inscribed in the parallelogram.
  const long long cx = static_cast<long long>(p1.x) + p3.x - p2.x;
  const long long cy = static_cast<long long>(p1.y) + p3.y - p2.y;
  long long vx = static_cast<long long>(p2.x - p3.x) * 65536;
  long long vy = static_cast<long long>(p2.y - p3.y) * 65536;
  long long ux = static_cast<long long>(p2.x - p1.x) * 65536;
  long long uy = static_cast<long long>(p2.y - p1.y) * 65536;
  const long long baseX = cx * 65536 + 0x8000;
  const long long baseY = cy * 65536 + 0x8000;
  RECT box{p1.x, p1.y, p1.x, p1.y};
  bool first = true;
  POINT last{};
  for (int i = 0; i < kArcSteps; ++i) {
    const POINT p{static_cast<LONG>((baseX + vx) >> 16), static_cast<LONG>((baseY + vy) >> 16)};
    if (first || p.x != last.x || p.y != last.y) {
      visit(p.x, p.y);
      box.left = p.x < box.left ? p.x : box.left;
      box.top = p.y < box.top ? p.y : box.top;
      box.right = p.x > box.right ? p.x : box.right;
      box.bottom = p.y > box.bottom ? p.y : box.bottom;
      last = p;
      first = false;
    }
    ux -= vx >> 10;
    uy -= vy >> 10;
    vx += ux >> 10;
    vy += uy >> 10;
  }
  return box;
}

// The end of a line dragged with Shift: horizontal when the horizontal
// distance from the start is at least the vertical one, else vertical.
inline POINT ConstrainLine(POINT start, POINT end) {
  const long dx = end.x - start.x;
  const long dy = end.y - start.y;
  return (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy) ? POINT{end.x, start.y} : POINT{start.x, end.y};
}

}  // namespace paint
