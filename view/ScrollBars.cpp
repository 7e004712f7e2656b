// Scroll-bar layout with centring.
#include "view/ScrollBars.h"

#include <algorithm>
#include <limits>

namespace lumora {

namespace {

// The scroll-bar codes of the system, in its numbering.
enum : int {
  kLineUp = 0,
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
};

void Place(ScrollAxis* axis, std::int32_t total, std::int32_t barPosition, bool centre) {
  const std::int64_t range = std::int64_t{total} - axis->available;
  if (range < 1) {
    // Truncated toward zero: -400 / 2 puts a 200-pixel image in the middle
    // of 600 pixels.
    axis->position = centre ? static_cast<std::int32_t>(range / 2) : 0;
    axis->range = 0;
    return;
  }
  axis->range = static_cast<std::int32_t>(range);
  axis->position = std::clamp(barPosition, 0, axis->range);
}

}  // namespace

ScrollBarsLayout LayOutScrollBars(const ScrollBarsInput& in) {
  const std::int32_t width = in.clientWidth + (in.verticalShown ? in.barWidth : 0);
  const std::int32_t height = in.clientHeight + (in.horizontalShown ? in.barHeight : 0);
  ScrollBarsLayout out;
  // A bar is needed when the content overflows, or when it overflows the
  // room the other (needed) bar leaves.
  out.x.shown = in.totalWidth > width || (in.totalWidth > width - in.barWidth && in.totalHeight > height);
  out.y.shown = in.totalHeight > height || (in.totalHeight > height - in.barHeight && in.totalWidth > width);
  out.x.available = std::max(0, width - (out.y.shown ? in.barWidth : 0));
  out.y.available = std::max(0, height - (out.x.shown ? in.barHeight : 0));
  Place(&out.x, in.totalWidth, in.barPositionX, in.centre);
  Place(&out.y, in.totalHeight, in.barPositionY, in.centre);
  return out;
}

std::int32_t ViewportOrigin(std::int32_t position, std::int32_t client, std::int32_t total) {
  return total < client ? (client - total) / 2 : -position;
}

std::int32_t ScrollRequestTarget(int code, std::int32_t current, std::int32_t line, std::int32_t page,
                                 std::int32_t thumb) {
  switch (code) {
    case kLineUp: return current - line;
    case kLineDown: return current + line;
    case kPageUp: return current - page;
    case kPageDown: return current + page;
    case kThumbTrack: return thumb;
    case kTop: return 0;
    case kBottom: return std::numeric_limits<std::int32_t>::max();
    default: return current;  // the thumb's release and the end of a scroll
  }
}

std::int32_t ScrollByTarget(bool hasBar, std::int32_t barPosition, std::int64_t request, std::int32_t limit) {
  if (!hasBar) return barPosition;
  const std::int64_t target = std::int64_t{barPosition} + request;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 0, std::max(0, limit)));
}

}  // namespace lumora
