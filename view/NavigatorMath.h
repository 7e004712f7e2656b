// The navigator's arithmetic without a window: the zoom slider's two
// linear halves (25 .. 100 % left of the centre, 100 .. 3200 % right of
// it), the thumbnail fitted into the image area, the red rectangle of the
// visible part, and the scroll position a dragged rectangle asks for.
#pragma once

#include <cstdint>

#include "platform/win32types.h"

namespace lumora {

constexpr int kNavigatorMaxPercent = 3200;
constexpr int kNavigatorLowPercent = 25;
constexpr int kNavigatorMinPercent = 1;

// The slider's half range m for a channel `channelWidth` pixels wide, and
// whether the slider grows by one pixel so that the channel is odd (its
// middle pixel is 100 %): positions run -m .. m.
struct SliderRange {
  int m = 0;
  bool widen = false;
};
SliderRange SliderRangeForChannel(int channelWidth);

int PercentToSlider(int percent, int m, int maximum = kNavigatorMaxPercent, int lower = kNavigatorLowPercent);
int SliderToPercent(int position, int m, int maximum = kNavigatorMaxPercent, int lower = kNavigatorLowPercent);

// trunc(100 / z + 0.5) limited to 1 .. 3200 (z: image units per window
// unit).
int NavigatorPercent(double imagePerWindow);

// The displayed image size fitted into `area` keeping its aspect ratio and
// centred (halves truncated); empty for an empty size or area.
RECT FitThumbnail(const RECT& area, std::int64_t displayedWidth, std::int64_t displayedHeight);

// The visible part of the view inside the thumbnail: per axis, with client
// extent c, displayed extent d and scroll position s, thumb + s x t / d to
// thumb + (c + s) x t / d when c < d, else the whole thumbnail.
struct ViewGeometry {
  std::int64_t clientWidth, clientHeight;
  std::int64_t displayedWidth, displayedHeight;
  std::int64_t scrollX, scrollY;
};
RECT NavigatorViewRect(const RECT& thumbnail, const ViewGeometry& view);

// `rect` moved so that its centre is at `centre`, then kept inside
// `thumbnail` (a rectangle larger than the thumbnail keeps its left/top).
RECT CentreRectInside(const RECT& rect, POINT centre, const RECT& thumbnail);

// The scroll position a rectangle placed in the thumbnail asks for:
// (rect.left - thumb.left) x displayed width / thumb width, likewise y.
POINT NavigatorScrollFor(const RECT& rect, const RECT& thumbnail, std::int64_t displayedWidth,
                         std::int64_t displayedHeight);

}  // namespace lumora
