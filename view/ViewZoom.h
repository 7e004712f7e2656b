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

// The factors that show a newWidth x newHeight image at the zoom the x
// factor `x` shows an image `oldWidth` wide: a ladder zoom (as
// LadderValueOfFactor finds it) stays that ratio, any other the same
// displayed : image ratio; each displayed extent at least 1.
ViewZoomFactors KeptZoomFactors(const XFFACT& x, std::int32_t oldWidth, std::int32_t newWidth, std::int32_t newHeight);

// The percentage of a zoom given as image units per window unit:
// trunc(100 / z + 0.5).
int ZoomPercent(double imagePerWindow);

// (x, y) limited to the pixels of a W x H image.
POINT ClampPointToImage(POINT p, std::int32_t width, std::int32_t height);

// ---- The zoom ladder

// A ladder value: n for a reduction 1:n, -n for a magnification n:1, 1 for
// 1:1. Non-ladder zooms give the real value (3.5 for 1:3.5).
double LadderValue(double imagePerWindow);

// The ladder value of a view's x factor for an image `width` wide: a factor
// that a ladder ratio gives this image (its displayed width truncated) is
// that ratio exactly, so an odd width shown at 1:2 still counts as 1:2;
// any other factor gives its real value.
double LadderValueOfFactor(const XFFACT& x, std::int32_t width);

// The next ladder value above (`larger`) or below the ladder value s, as
// a magnification a:b; false when there is none (32:1 larger, 1:32
// smaller). Null outputs only ask whether a step exists.
bool GetZoomStep(double s, bool larger, std::int32_t* a, std::int32_t* b);

// The starting zoom of the zoom tool for a view at `imagePerWindow`, as
// a magnification p:q.
void ZoomToolTarget(double imagePerWindow, std::int32_t* p, std::int32_t* q);

// The window-size commands 32980 .. 32992 and their ratios a:b.
constexpr std::uint32_t kFirstWindowSizeCommand = 32980;
constexpr std::uint32_t kLastWindowSizeCommand = 32992;
bool WindowSizeCommandRatio(std::uint32_t id, std::int32_t* a, std::int32_t* b);

// The enabling of the zoom commands that share one update rule (Original
// Size 32979, its button 32805, window sizes 32980 .. 32992) at a view's
// zoom; `hasDrawContext` false disables all of them.
struct ZoomCommandState {
  bool enabled = false;
  bool checked = false;
};
ZoomCommandState ZoomCommandUpdate(std::uint32_t id, double imagePerWindow, bool hasDrawContext, bool embedded);

// ZoomToRect's factors: the image rectangle rectWidth x rectHeight (image
// units) shown whole in a client of clientWidth x clientHeight window
// pixels: m = min(client / rectangle) per axis, at most 32; displayed
// extents round(W x m) and round(H x m), halves up, at least 1. False for
// an empty rectangle or client.
bool ZoomToRectFactors(std::int32_t width, std::int32_t height, double rectWidth, double rectHeight,
                       std::int32_t clientWidth, std::int32_t clientHeight, ViewZoomFactors* out);

// Where a view scrolls to put window position `point` (at the new zoom,
// unscrolled) in the middle of a client `client` pixels long, the image
// being `displayed` pixels long: point - (client + 1) / 2, at least 0, and
// moved back by what would pass the image's end.
std::int32_t CentringScrollOrigin(std::int64_t point, std::int32_t client, std::int64_t displayed);

}  // namespace lumora
