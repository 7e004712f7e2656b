// Rectangle helpers with the Win32 semantics (right and bottom exclusive),
// available to portable code in both builds.
#pragma once

#include "platform/win32types.h"

namespace lumora {

inline RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom) {
  return RECT{left, top, right, bottom};
}

inline bool RectIsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

inline LONG RectWidth(const RECT& r) { return r.right - r.left; }
inline LONG RectHeight(const RECT& r) { return r.bottom - r.top; }

inline bool RectsEqual(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Intersection; an empty result is set to all zeros, as IntersectRect does.
bool RectIntersect(RECT* out, const RECT& a, const RECT& b);

// Union of two rects; an empty operand is ignored.
bool RectUnion(RECT* out, const RECT& a, const RECT& b);

inline void RectOffset(RECT* r, LONG dx, LONG dy) {
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

inline bool RectContainsPoint(const RECT& r, LONG x, LONG y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Splits `outer` minus `inner` into four bands (any may be empty): the inner
// edges are first clamped into the outer rect, then
//   top    {outer.left, outer.top, outer.right, t}
//   left   {outer.left, t, l, b}
//   right  {r, t, outer.right, b}
//   bottom {outer.left, b, outer.right, outer.bottom}
void GetBorderRects(const RECT& outer, const RECT& inner, RECT* top, RECT* left, RECT* right,
                    RECT* bottom);

}  // namespace lumora
