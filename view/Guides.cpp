// Guide positions, hit testing and the ends of guide and origin drags.
#include "view/Guides.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "hostapi/draw.h"

namespace lumora {
namespace {

using i128 = __int128;

i128 FloorDiv(i128 a, i128 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
i128 CeilDiv(i128 a, i128 b) { return -FloorDiv(-a, b); }

std::int32_t Clamp32(i128 v) {
  return static_cast<std::int32_t>(std::clamp<i128>(v, std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

// A line at p (1/32) is drawn on window column floor(p d / 32 i) + s, and on
// window row ceil((32 H - p) d / 32 i) - 1 + s (rows run down the window).
std::int64_t GuideWindowPixel(const VRXFORM& m, std::int32_t position, bool horizontal) {
  const XFFACT& f = horizontal ? m.FactorY() : m.FactorX();
  const i128 d = f.DisplayedExtent(), scale = i128{32} * f.ImageExtent(), s = f.Shift();
  if (!horizontal) return static_cast<std::int64_t>(FloorDiv(i128{position} * d, scale) + s);
  const i128 q = i128{32} * m.Height() - position;
  return static_cast<std::int64_t>(CeilDiv(q * d, scale) - 1 + s);
}

std::int32_t GuidePositionOfWindow(const VRXFORM& m, std::int64_t coordinate, bool horizontal) {
  const XFFACT& f = horizontal ? m.FactorY() : m.FactorX();
  const i128 d = f.DisplayedExtent(), scale = i128{32} * f.ImageExtent(), r = i128{coordinate} - f.Shift();
  if (!horizontal) return Clamp32(CeilDiv(r * scale, d));
  // The largest distance from the top edge that still lands on row r.
  return Clamp32(i128{32} * m.Height() - FloorDiv((r + 1) * scale, d));
}

int HitTestGuide(const std::vector<GuideLine>& guides, std::int32_t x32, std::int32_t y32, double zoom,
                 std::int32_t* orientation) {
  int best = -1;
  std::int64_t bestDistance = 0;
  for (std::size_t i = 0; i < guides.size(); ++i) {
    const bool horizontal = guides[i].orientation == kVrGuideHorizontal;
    const std::int64_t distance = std::llabs(std::int64_t{guides[i].position} - (horizontal ? y32 : x32));
    if (best < 0 || distance < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  if (best < 0 || !(zoom > 0) || std::trunc(bestDistance / (zoom * 32.0)) >= 3) return -1;
  if (orientation != nullptr) *orientation = guides[static_cast<std::size_t>(best)].orientation;
  return best;
}

bool GuideReleaseKeeps(POINT release, const RECT& client) {
  return release.x >= client.left && release.x < client.right && release.y >= client.top && release.y < client.bottom;
}

POINT OriginAfterRelease(POINT release, POINT imagePixel, std::int32_t height) {
  POINT origin{0, 0};
  if (release.x != kOriginAxisReset) origin.x = imagePixel.x;
  if (release.y != kOriginAxisReset) origin.y = static_cast<LONG>(std::int64_t{height} - imagePixel.y - 1);
  return origin;
}

POINT OriginForDrawContext(POINT origin, std::int32_t height) {
  return POINT{origin.x, static_cast<LONG>(std::int64_t{height} - origin.y)};
}

}  // namespace lumora
