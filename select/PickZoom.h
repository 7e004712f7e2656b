// The zoom steps of point picking and its rubber band, without a window.
#pragma once

#include <cstdint>
#include <vector>

#include "hostapi/xform.h"
#include "platform/win32types.h"

namespace lumora {

// The pick's own ladder, as magnifications n:d: 1/32, 1/24, 1/20, 1/16,
// 1/12, 1/10, 1/8, 1/6, 1/4, 1/2, 1, 2, 4, 6, ..., 24, 32.
struct PickRatio {
  std::int32_t n, d;
};
const std::vector<PickRatio>& PickLadder();

// The next ratio of the pick's ladder from a view's x factor over an image
// `width` wide: the ratios are compared by the displayed width each gives
// the image (so a zoom the ladder set is recognised whatever the
// rounding); beyond the ends the end is kept (32 for a click in at 32:1,
// 1/32 for a click out at 1:32).
PickRatio PickZoomStep(const XFFACT& current, std::int32_t width, bool zoomIn);

// The rubber band of points a and b: left/top the smaller coordinates.
RECT NormalisedBand(POINT a, POINT b);

// The image rectangle of the pixels a band of points a and b covers, both
// corners included (right and bottom exclusive, as image rectangles are):
// what the zoom shows and the status bar measures.
RECT BandPixels(POINT a, POINT b);

// The four one-pixel edge strips of a band drawn in window coordinates,
// as its erasing invalidates them (the bottom one reaches right + 1).
std::vector<RECT> BandEdgeStrips(const RECT& band);

}  // namespace lumora
