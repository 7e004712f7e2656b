// The image view's zoom without a window: the reduction an opening image
// gets to fit the MDI area, the zoom factors of a reduction, and the
// percentage the frame title shows.
#pragma once

#include <cstdint>

#include "hostapi/xform.h"
#include "platform/win32types.h"

namespace lumora {

// The reduction 1:f that shows a window of needed size in the client area:
// 1 when it fits (or the client area is empty), else the larger of the two
// ceilings, raised to the next even number when odd.
std::int32_t EvenReduction(std::int32_t neededWidth, std::int32_t neededHeight, std::int32_t clientWidth,
                           std::int32_t clientHeight);

struct ViewZoomFactors {
  XFFACT x;
  XFFACT y;
};

// The factors of an image shown at 1:f: displayed extents W / f and H / f,
// never below 1 (a strip thinner than the reduction keeps one pixel).
ViewZoomFactors ReductionFactors(std::int32_t width, std::int32_t height, std::int32_t reduction);

// The factors of a magnification a:b (SetZoom's displayed extents, each at
// least 1).
ViewZoomFactors RatioFactors(std::int32_t width, std::int32_t height, std::int32_t a, std::int32_t b);

// The percentage of a zoom given as image units per window unit:
// trunc(100 / z + 0.5).
int ZoomPercent(double imagePerWindow);

// (x, y) limited to the pixels of a W x H image.
POINT ClampPointToImage(POINT p, std::int32_t width, std::int32_t height);

}  // namespace lumora
