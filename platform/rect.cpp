// Rectangle helpers with the Win32 semantics.
#include "platform/rect.h"

#include <algorithm>

namespace lumora {

bool RectIntersect(RECT* out, const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (RectIsEmpty(r)) {
    *out = RECT{0, 0, 0, 0};
    return false;
  }
  *out = r;
  return true;
}

bool RectUnion(RECT* out, const RECT& a, const RECT& b) {
  if (RectIsEmpty(a)) {
    *out = RectIsEmpty(b) ? RECT{0, 0, 0, 0} : b;
    return !RectIsEmpty(b);
  }
  if (RectIsEmpty(b)) {
    *out = a;
    return true;
  }
  *out = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
  return true;
}

void GetBorderRects(const RECT& outer, const RECT& inner, RECT* top, RECT* left, RECT* right,
                    RECT* bottom) {
  const LONG t = std::clamp(inner.top, outer.top, std::max(outer.top, outer.bottom));
  const LONG b = std::clamp(inner.bottom, outer.top, std::max(outer.top, outer.bottom));
  const LONG l = std::clamp(inner.left, outer.left, std::max(outer.left, outer.right));
  const LONG r = std::clamp(inner.right, outer.left, std::max(outer.left, outer.right));
  *top = RECT{outer.left, outer.top, outer.right, t};
  *left = RECT{outer.left, t, l, b};
  *right = RECT{r, t, outer.right, b};
  *bottom = RECT{outer.left, b, outer.right, outer.bottom};
}

}  // namespace lumora
