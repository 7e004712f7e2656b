// Guides and the ruler origin without a window: a view client coordinate as
// a guide position and back, the guide under the pointer, whether a
// released guide stays, and the origin an origin drag leaves.
//
// Guide positions are 1/32 image pixel: a vertical guide's an x, a
// horizontal guide's a y counted upward from the image's bottom edge (as
// the mapping and the layered files keep them). The ruler origin is kept
// as the rulers and the status bar show positions: x from the left, y in
// rows from the top.
#pragma once

#include <cstdint>
#include <vector>

#include "hostapi/xform.h"
#include "platform/win32types.h"

namespace lumora {

struct GuideLine {
  std::int32_t position;     // 1/32 image pixel
  std::int32_t orientation;  // kVrGuideVertical (0) or kVrGuideHorizontal (1)
};

// The guide position of a view client coordinate (x for a vertical guide,
// y for a horizontal one): the lowest position whose line is drawn on that
// window pixel, so a guide dropped there is drawn where it was dropped.
std::int32_t GuidePositionOfWindow(const VRXFORM& mapping, std::int64_t coordinate, bool horizontal);

// The window column (vertical guide) or row (horizontal guide) on which a
// guide's line is drawn.
std::int64_t GuideWindowPixel(const VRXFORM& mapping, std::int32_t position, bool horizontal);

// The guide nearest a point given as guide positions (x32, y32): the one
// with the smallest distance along its own axis, the first on a tie; -1
// when the nearest is 3 window pixels or more away (trunc(distance /
// (zoom x 32)) < 3, zoom in image units per window unit).
int HitTestGuide(const std::vector<GuideLine>& guides, std::int32_t x32, std::int32_t y32, double zoom,
                 std::int32_t* orientation);

// A released guide stays only when the release lies in the view's client
// area; released over a ruler or past any edge of the view it is removed.
bool GuideReleaseKeeps(POINT release, const RECT& client);

// The marker of an origin drag's end over a ruler: an axis given as this
// value returns to 0.
constexpr std::int32_t kOriginAxisReset = INT32_MIN;

// The ruler origin an origin drag leaves: `release` is the button-up point
// (an axis at kOriginAxisReset returns to 0), `imagePixel` the last
// feedback point mapped to the image (y upward from the bottom row).
POINT OriginAfterRelease(POINT release, POINT imagePixel, std::int32_t height);

// The ruler origin for the draw context, whose grid starts there: x, and
// the y of the origin row's top edge counted upward from the bottom.
POINT OriginForDrawContext(POINT origin, std::int32_t height);

}  // namespace lumora
