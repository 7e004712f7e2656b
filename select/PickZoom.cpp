// The pick's zoom ladder and its rubber band.
#include "select/PickZoom.h"

#include <algorithm>

namespace lumora {

const std::vector<PickRatio>& PickLadder() {
  static const std::vector<PickRatio> ladder = {
      {1, 32}, {1, 24}, {1, 20}, {1, 16}, {1, 12}, {1, 10}, {1, 8}, {1, 6}, {1, 4},  {1, 2},  {1, 1},  {2, 1},
      {4, 1},  {6, 1},  {8, 1},  {10, 1}, {12, 1}, {14, 1}, {16, 1}, {18, 1}, {20, 1}, {22, 1}, {24, 1}, {32, 1}};
  return ladder;
}

PickRatio PickZoomStep(const XFFACT& current, std::int32_t width, bool zoomIn) {
  const std::vector<PickRatio>& ladder = PickLadder();
  if (width < 1) return zoomIn ? ladder.back() : ladder.front();
  auto extentOf = [width](std::int64_t n, std::int64_t d) { return std::max<std::int64_t>(1, width * n / d); };
  const std::int64_t shown = extentOf(current.DisplayedExtent(), current.ImageExtent());
  if (zoomIn) {
    for (const PickRatio& r : ladder) {
      if (extentOf(r.n, r.d) > shown) return r;
    }
    return ladder.back();
  }
  for (auto r = ladder.rbegin(); r != ladder.rend(); ++r) {
    if (extentOf(r->n, r->d) < shown) return *r;
  }
  return ladder.front();
}

RECT NormalisedBand(POINT a, POINT b) {
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

RECT BandPixels(POINT a, POINT b) {
  RECT r = NormalisedBand(a, b);
  ++r.right;
  ++r.bottom;
  return r;
}

std::vector<RECT> BandEdgeStrips(const RECT& r) {
  return {RECT{r.left, r.top, r.right, r.top + 1}, RECT{r.right, r.top, r.right + 1, r.bottom},
          RECT{r.left, r.bottom, r.right + 1, r.bottom + 1}, RECT{r.left, r.top, r.left + 1, r.bottom}};
}

}  // namespace lumora
