// Scroll-bar layout of the image view's scroll base: which bars are shown,
// the scroll ranges, and a device scroll position that is negative along an
// axis where the content is smaller than the window and is centred.
#pragma once

#include <cstdint>

namespace lumora {

struct ScrollBarsInput {
  std::int32_t clientWidth = 0;   // the client area as it is now
  std::int32_t clientHeight = 0;
  bool horizontalShown = false;   // bars shown now (their room is given back)
  bool verticalShown = false;
  std::int32_t barWidth = 0;      // vertical bar width, horizontal bar height
  std::int32_t barHeight = 0;
  std::int32_t totalWidth = 0;    // the content in device units
  std::int32_t totalHeight = 0;
  std::int32_t barPositionX = 0;  // the bars' current positions
  std::int32_t barPositionY = 0;
  bool centre = true;
};

struct ScrollAxis {
  bool shown = false;
  std::int32_t available = 0;  // the client extent beside the other bar
  std::int32_t range = 0;      // total - available, 0 when it fits
  std::int32_t position = 0;   // negative: the content is centred
  // What the bar shows: 0 .. total - 1, a page of `available`, and the
  // position (0 while centred).
  std::int32_t BarPosition() const { return position < 0 ? 0 : position; }
};

struct ScrollBarsLayout {
  ScrollAxis x;
  ScrollAxis y;
};

ScrollBarsLayout LayOutScrollBars(const ScrollBarsInput& in);

// The viewport origin along one axis for a device scroll position: the
// negated position, or the centring offset where the content is smaller
// than the client area.
std::int32_t ViewportOrigin(std::int32_t position, std::int32_t client, std::int32_t total);

// Scroll-bar requests (SB_LINEUP .. SB_ENDSCROLL codes) as a new position.
std::int32_t ScrollRequestTarget(int code, std::int32_t current, std::int32_t line, std::int32_t page,
                                 std::int32_t thumb);

// A scroll by `request` from the bar's position, limited to 0 .. limit; an
// axis without a bar stays.
std::int32_t ScrollByTarget(bool hasBar, std::int32_t barPosition, std::int64_t request, std::int32_t limit);

}  // namespace lumora
