// Centring a window over its owner inside the work area.
#include "framework/WindowPlace.h"

#include <algorithm>

namespace fw {
namespace {

// One axis: the start of a span of `length` centred over [from, to) (half
// the spare room, rounded down), then moved inside [low, high), the start
// winning when the span is longer than the area.
LONG CentredStart(LONG length, LONG from, LONG to, LONG low, LONG high) {
  const LONG spare = (to - from) - length;
  const LONG half = spare >= 0 ? spare / 2 : -((1 - spare) / 2);
  const LONG start = std::min(from + half, high - length);
  return std::max(start, low);
}

}  // namespace

POINT CentredPlace(const SIZE& window, const RECT& over, const RECT& workArea) {
  return POINT{CentredStart(window.cx, over.left, over.right, workArea.left, workArea.right),
               CentredStart(window.cy, over.top, over.bottom, workArea.top, workArea.bottom)};
}

}  // namespace fw
